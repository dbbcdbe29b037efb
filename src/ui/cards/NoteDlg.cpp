#include "ui/cards/DialogButtons.h"
#include "ui/cards/NoteDlg.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
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

    const OkCancelButtons buttons = addOkCancelRow(this, layout, QStringLiteral("OK"));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    // Enter breaks the line in the note, so Ctrl+Enter is the keyboard's OK.
    addCtrlEnterForOk(this, m_ok);
    connect(m_ok, &QPushButton::clicked, this, &CNoteDlg::accept);
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
