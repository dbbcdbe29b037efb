#pragma once
// "Decryption Password": asks for the password of an encrypted card document.

#include <QDialog>

class QLineEdit;

class DecryptPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit DecryptPasswordDlg(const QString& title, QWidget* parent = nullptr);
    QString password() const;
    QLineEdit* passwordField() const { return m_password; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_password;
};
