#include "ui/fileenc/FilePasswordDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/common/Icons.h"
#include "ui/common/RevealButton.h"
#include "ui/common/StrengthLabel.h"
#include "ui/frame/CommandIds.h"

FilePasswordDlg::FilePasswordDlg(const QString& current, QWidget* parent, bool oldFormat) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Set File Encryption Password"));
    auto* layout = new QVBoxLayout(this);

    auto* group = new QGroupBox(QStringLiteral("Enter Password"), this);
    auto* grid = new QGridLayout(group);
    auto* first = new QLabel(QStringLiteral("Enter your password (key) below:"), group);
    grid->addWidget(first, 0, 0);
    auto* picture = new QLabel(group);
    picture->setPixmap(icons::toolbar(cmd::FeSetPasswordButton).pixmap(32, 32));
    grid->addWidget(picture, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignTop);
    m_password = new QLineEdit(current, group);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMinimumWidth(260);
    first->setBuddy(m_password);
    grid->addWidget(m_password, 1, 0);
    m_reveal = new RevealButton(m_password, group);
    grid->addWidget(m_reveal, 1, 1, Qt::AlignLeft);
    auto* second = new QLabel(QStringLiteral("Enter your password (key) again:"), group);
    grid->addWidget(second, 2, 0);
    m_confirmation = new QLineEdit(current, group);
    m_confirmation->setEchoMode(QLineEdit::Password);
    second->setBuddy(m_confirmation);
    grid->addWidget(m_confirmation, 3, 0);
    // How Encrypt File writes: the strong form unless older programs must read the files.
    m_oldFormat = new QCheckBox(QStringLiteral("Old format (readable by older programs)"), this);
    grid->addWidget(new StrengthLabel(m_password, m_oldFormat, group), 4, 0, 1, 2);
    layout->addWidget(group);
    m_oldFormat->setToolTip(QStringLiteral("Encrypt File writes Blowfish without salt or authentication, as older "
                                           "programs read it. Decrypt File reads both forms."));
    m_oldFormat->setChecked(oldFormat);
    layout->addWidget(m_oldFormat);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_clear = new QPushButton(QStringLiteral("Clear Password"), this);
    m_clear->setAutoDefault(false);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    buttons->addWidget(m_clear);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    // Tab goes from the password to its confirmation, as it is typed; the eye button comes after.
    setTabOrder(m_password, m_confirmation);
    setTabOrder(m_confirmation, m_reveal);
    setTabOrder(m_reveal, m_oldFormat);
    setTabOrder(m_oldFormat, m_clear);
    setTabOrder(m_clear, ok);
    setTabOrder(ok, cancel);
    connect(m_clear, &QPushButton::clicked, this, &FilePasswordDlg::clearFields);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_password->setFocus();
}

QString FilePasswordDlg::password() const { return m_password->text(); }

QString FilePasswordDlg::confirmation() const { return m_confirmation->text(); }

bool FilePasswordDlg::oldFormat() const { return m_oldFormat->isChecked(); }

void FilePasswordDlg::clearFields() {
    m_password->clear();
    m_confirmation->clear();
    m_password->setFocus();
}
