#pragma once
// "QR Code": a card's one-time code setup drawn as a QR code, big enough for a phone to read from
// the screen, with the issuer and account under it.

#include <QDialog>

#include "otp/OneTimeCode.h"

class QLabel;
class QPushButton;

class ShowQrDlg : public QDialog {
    Q_OBJECT
public:
    explicit ShowQrDlg(const otp::Setup& setup, QWidget* parent = nullptr);

    QLabel* codeLabel() const { return m_code; }
    QLabel* captionLabel() const { return m_caption; }
    QPushButton* closeButton() const { return m_close; }

private:
    QLabel* m_code;
    QLabel* m_caption;
    QPushButton* m_close;
};
