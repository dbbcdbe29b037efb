#pragma once
// "File Encryption": the dialog of Encrypt On Save. With the box cleared the password fields are
// read-only and the dialog loses its lower 100 pixels, hiding the "Important" note.

#include <QDialog>

#include <QString>

/// The controls of the "File Encryption" dialog.
struct FileEncryptionInput {
    bool encryptOnSave = false;
    QString password;
    QString confirmation;
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

private:
    void applyCheckState(bool clearFields);

    QWidget* m_body;
    QCheckBox* m_check;
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
    int m_fullHeight = 0;
};
