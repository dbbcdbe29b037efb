#pragma once
// "Set Up One-time Code": the setup of a card's one-time codes, as an otpauth:// address pasted or
// read from a QR code (an image file or the screen), or as a bare Base32 secret with its digits,
// period and algorithm. It shows the code the setup gives as the person types, or why it gives none;
// OK stays disabled until it gives one. Remove takes the card's setup out.

#include <QDialog>
#include <optional>

#include "otp/OneTimeCode.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class OtpSetupDlg : public QDialog {
    Q_OBJECT
public:
    /// `current` is the card's setup line (empty when it has none); `cardName` names the account of a
    /// setup made from a bare secret.
    OtpSetupDlg(const QString& current, const QString& cardName, QWidget* parent = nullptr);

    /// The setup the text gives now, or nothing.
    std::optional<otp::Setup> setup() const;
    /// Whether the dialog was closed with Remove.
    bool removeChosen() const { return m_remove; }

    QLineEdit* setupField() const { return m_text; }
    QSpinBox* digitsBox() const { return m_digits; }
    QSpinBox* periodBox() const { return m_period; }
    QComboBox* algorithmBox() const { return m_algorithm; }
    QLabel* resultLabel() const { return m_result; }
    QPushButton* imageButton() const { return m_image; }
    QPushButton* screenButton() const { return m_screen; }
    QPushButton* removeButton() const { return m_removeButton; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    /// Closes only with a setup that gives a code.
    void accept() override;

private:
    /// Reads the text (and for a bare secret the options) again and shows the code or the error.
    void refresh();
    void readFromImage();
    void readFromScreen();
    bool isBareSecret() const;
    otp::ParsedSetup parsed() const;

    QByteArray m_cardName;  // UTF-8
    bool m_remove = false;
    QLineEdit* m_text;
    QSpinBox* m_digits;
    QSpinBox* m_period;
    QComboBox* m_algorithm;
    QLabel* m_result;
    QPushButton* m_image;
    QPushButton* m_screen;
    QPushButton* m_removeButton;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};
