#include "ui/cards/DialogButtons.h"
#include "ui/cards/EditUrlDlg.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QPushButton>
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

    const OkCancelButtons buttons = addOkCancelRow(this, layout, QStringLiteral("OK"));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    // Enter breaks the line in the editor, so Ctrl+Enter is the keyboard's OK.
    addCtrlEnterForOk(this, m_ok);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_url->setFocus();
}

QString CEditUrlDlg::url() const { return m_url->toPlainText(); }
