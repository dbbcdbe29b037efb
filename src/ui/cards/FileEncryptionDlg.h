#pragma once
// "File Encryption": the dialog of Encrypt On Save. With the box cleared the password fields and the
// choice of the old format are read-only and the dialog loses its lower 100 pixels, hiding the
// "Important" note.

#include <QDialog>

#include <QString>

/// The controls of the "File Encryption" dialog.
struct FileEncryptionInput {
    bool encryptOnSave = false;
    QString password;
    QString confirmation;
    bool oldFormat = false;  // the old form (Blowfish), readable by older programs, instead of the strong one
};

class QCheckBox;
class QLineEdit;
class QWidget;

class FileEncryptionDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCollapse = 100;

    explicit FileEncryptionDlg(const FileEncryptionInput& initial, QWidget* parent = nullptr);
    FileEncryptionInput input() const;

    int fullHeight() const { return m_fullHeight; }
    QCheckBox* checkBox() const { return m_check; }
    QLineEdit* passwordField() const { return m_password; }
    QLineEdit* confirmationField() const { return m_confirmation; }
    QCheckBox* oldFormatBox() const { return m_oldFormat; }

private:
    void applyCheckState(bool clearFields);

    QWidget* m_body;
    QCheckBox* m_check;
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
    QCheckBox* m_oldFormat;
    int m_fullHeight = 0;
};
