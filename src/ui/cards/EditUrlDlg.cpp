#include "ui/cards/EditUrlDlg.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

CEditUrlDlg::CEditUrlDlg(const QString& url, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Edit URL"));
    auto* layout = new QVBoxLayout(this);

    m_url = new QPlainTextEdit(this);
    m_url->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A URL has no blanks to break at; wrap it anywhere so all of it is in sight.
    m_url->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_url->setTabChangesFocus(true);
    m_url->setPlainText(url);
    m_url->setMinimumSize(360, 120);
    layout->addWidget(m_url, 1);

    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    // Enter breaks the line in the editor, so Ctrl+Enter is the keyboard's OK.
    auto* okKey = new QShortcut(this);
    okKey->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(okKey, &QShortcut::activated, m_ok, &QPushButton::click);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_url->setFocus();
}

QString CEditUrlDlg::url() const { return m_url->toPlainText(); }
