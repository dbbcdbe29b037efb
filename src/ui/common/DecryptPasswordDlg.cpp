#include "ui/common/DecryptPasswordDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/common/RevealButton.h"

DecryptPasswordDlg::DecryptPasswordDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("This file is encrypted, please enter your password:"), this));

    auto* row = new QHBoxLayout;
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMinimumWidth(260);
    row->addWidget(m_password);
    row->addWidget(new RevealButton(m_password, this));
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    m_password->setFocus();
}

void DecryptPasswordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every key typed from now on is meant for the field: the prompt comes to the front, asks the
    // window manager for the keyboard, and has its field focused when the keyboard arrives.
    raise();
    activateWindow();
    m_password->setFocus(Qt::ActiveWindowFocusReason);
}

QString DecryptPasswordDlg::password() const { return m_password->text(); }
