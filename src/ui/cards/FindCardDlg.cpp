#include "ui/cards/FindCardDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFindCardDlg::CFindCardDlg(Search search, QWidget* parent) : QDialog(parent), m_search(std::move(search)) {
    setWindowTitle(QStringLiteral("Find Card"));
    setModal(false);
    auto* layout = new QHBoxLayout(this);

    auto* fields = new QVBoxLayout;
    auto* label = new QLabel(QStringLiteral("Find keyword"), this);
    fields->addWidget(label);
    m_keyword = new QLineEdit(this);
    m_keyword->setMinimumWidth(240);
    label->setBuddy(m_keyword);
    fields->addWidget(m_keyword);
    m_ignoreCase = new QCheckBox(QStringLiteral("Ignore Case"), this);
    fields->addWidget(m_ignoreCase);
    fields->addStretch();
    layout->addLayout(fields, 1);

    auto* buttons = new QVBoxLayout;
    m_find = new QPushButton(QStringLiteral("Find"), this);
    m_find->setDefault(true);
    m_findAgain = new QPushButton(QStringLiteral("Find Again"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(m_find);
    buttons->addWidget(m_findAgain);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_find, &QPushButton::clicked, this, [this] { searchFrom(0); });
    // Right after a failed search (or before any) the last index is -1, so this starts at 0 again.
    connect(m_findAgain, &QPushButton::clicked, this, [this] { searchFrom(m_lastIndex + 1); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel, Escape and the window's close button all end in finished().
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    m_keyword->setFocus();
}

QString CFindCardDlg::keyword() const { return m_keyword->text(); }

bool CFindCardDlg::ignoreCase() const { return m_ignoreCase->isChecked(); }

void CFindCardDlg::searchFrom(int start) {
    if (m_search) {
        m_lastIndex = m_search(start, keyword(), ignoreCase());
    }
}
