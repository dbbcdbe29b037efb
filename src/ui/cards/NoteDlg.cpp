#include "ui/cards/NoteDlg.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/cards/CardTextCheck.h"
#include "ui/common/GuiPrompter.h"

CNoteDlg::CNoteDlg(const QString& note, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Note "));
    auto* layout = new QVBoxLayout(this);

    auto* label = new QLabel(QStringLiteral("Note:"), this);
    layout->addWidget(label);
    m_note = new QPlainTextEdit(this);
    m_note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_note->setTabChangesFocus(true);
    m_note->setPlainText(noteForEditor(note));
    m_note->setMinimumSize(360, 180);
    label->setBuddy(m_note);
    layout->addWidget(m_note, 1);

    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    // Enter breaks the line in the note, so Ctrl+Enter is the keyboard's OK.
    auto* okKey = new QShortcut(this);
    okKey->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(okKey, &QShortcut::activated, m_ok, &QPushButton::click);
    connect(m_ok, &QPushButton::clicked, this, &CNoteDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_note->setFocus();
}

QString CNoteDlg::note() const { return noteForCard(m_note->toPlainText()); }

void CNoteDlg::accept() {
    const QString problem = cardTextProblem(note(), QStringLiteral("Note"));
    if (!problem.isEmpty()) {
        guiPrompter().message(problem);
        m_note->setFocus();
        return;
    }
    QDialog::accept();
}
