#include "ui/cards/FileEncryptionDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/cards/AboutKeysDlg.h"
#include "ui/common/RevealButton.h"
#include "ui/common/StrengthLabel.h"

FileEncryptionDlg::FileEncryptionDlg(const FileEncryptionInput& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("File Encryption"));

    // The controls live on a body of fixed size; the dialog shows all of it or all but its lower
    // 100 pixels, so collapsing clips the note instead of squeezing the fields.
    m_body = new QWidget(this);
    auto* grid = new QGridLayout(m_body);
    m_check = new QCheckBox(QStringLiteral("Encrypt On Save"), m_body);
    grid->addWidget(m_check, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Enter your password (key) below:"), m_body), 1, 0, 1, 2);
    m_password = new QLineEdit(m_body);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMinimumWidth(300);
    grid->addWidget(m_password, 2, 0);
    auto* reveal = new RevealButton(m_password, m_body);
    grid->addWidget(reveal, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Enter your password (key) again:"), m_body), 3, 0, 1, 2);
    m_confirmation = new QLineEdit(m_body);
    m_confirmation->setEchoMode(QLineEdit::Password);
    grid->addWidget(m_confirmation, 4, 0);
    m_oldFormat = new QCheckBox(QStringLiteral("Old format (readable by older programs)"), m_body);
    m_oldFormat->setToolTip(QStringLiteral("Blowfish without salt or authentication, as older programs read it. "
                                           "Cleared, the document is saved in the strong form."));
    grid->addWidget(new StrengthLabel(m_password, m_oldFormat, m_body), 5, 0, 1, 2);
    grid->addWidget(m_oldFormat, 6, 0, 1, 2);
    // Tab goes from the password to its confirmation, as it is typed; the eye button and the format
    // come after.
    setTabOrder(m_check, m_password);
    setTabOrder(m_password, m_confirmation);
    setTabOrder(m_confirmation, reveal);
    setTabOrder(reveal, m_oldFormat);

    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), m_body);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), m_body);
    auto* aboutKeys = new QPushButton(QStringLiteral("About Keys"), m_body);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(aboutKeys);
    grid->addLayout(buttons, 0, 2, 6, 1);

    auto* note = new QGroupBox(QStringLiteral("Important"), m_body);
    auto* noteLayout = new QVBoxLayout(note);
    noteLayout->setContentsMargins(8, 2, 8, 4);
    auto* noteText = new QLabel(QStringLiteral("Remember this key well. You need this key to decipher the file later. "
                                               "If you loose or forget this key, you will no longer be able to access "
                                               "the file.Your data will be lost forever!"),
                                note);
    noteText->setWordWrap(true);
    noteLayout->addWidget(noteText);
    note->setFixedHeight(kCollapse - grid->verticalSpacing() - grid->contentsMargins().bottom());
    grid->addWidget(note, 7, 0, 1, 3);

    setTabOrder(m_oldFormat, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, aboutKeys);
    cancel->setAutoDefault(false);
    aboutKeys->setAutoDefault(false);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(aboutKeys, &QPushButton::clicked, this, [this] {
        AboutKeysDlg dlg(this);
        dlg.exec();
    });
    connect(m_check, &QCheckBox::clicked, this, [this] { applyCheckState(true); });

    m_body->adjustSize();
    m_body->setFixedSize(m_body->sizeHint());
    m_fullHeight = m_body->height();

    m_check->setChecked(initial.encryptOnSave);
    m_password->setText(initial.password);
    m_confirmation->setText(initial.confirmation);
    m_oldFormat->setChecked(initial.oldFormat);
    applyCheckState(false);
}

void FileEncryptionDlg::applyCheckState(bool clearFields) {
    const bool on = m_check->isChecked();
    m_password->setReadOnly(!on);
    m_confirmation->setReadOnly(!on);
    m_oldFormat->setEnabled(on);
    if (!on && clearFields) {
        m_password->clear();
        m_confirmation->clear();
    }
    setFixedSize(m_body->width(), on ? m_fullHeight : m_fullHeight - kCollapse);
}

FileEncryptionInput FileEncryptionDlg::input() const {
    return {m_check->isChecked(), m_password->text(), m_confirmation->text(), m_oldFormat->isChecked()};
}
