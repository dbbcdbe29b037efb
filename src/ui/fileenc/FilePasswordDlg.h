#pragma once
// "Set File Encryption Password": the password for encrypting files, typed twice. The dialog only
// collects the two texts; the rules are applied by whoever opened it.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class RevealButton;

class FilePasswordDlg : public QDialog {
    Q_OBJECT
public:
    /// Both fields start with `current` (empty when no password is set); the format box with `oldFormat`.
    explicit FilePasswordDlg(const QString& current, QWidget* parent = nullptr, bool oldFormat = false);

    QString password() const;
    QString confirmation() const;
    /// Whether Encrypt File is to write the old form (Blowfish, readable by older programs).
    bool oldFormat() const;
    /// Empties both fields (and what they held in memory); the buttons "Clear Password" does this.
    void clearFields();

    QLineEdit* passwordField() const { return m_password; }
    QLineEdit* confirmationField() const { return m_confirmation; }
    QPushButton* clearButton() const { return m_clear; }
    RevealButton* revealButton() const { return m_reveal; }
    QCheckBox* oldFormatBox() const { return m_oldFormat; }

private:
    QLineEdit* m_password;
    QLineEdit* m_confirmation;
    QPushButton* m_clear;
    RevealButton* m_reveal;
    QCheckBox* m_oldFormat;
};
