#include "ui/otp/ShowQrDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/otp/QrCodes.h"

namespace {
constexpr int kModulePixels = 8;  // a typical address makes a code of 300 to 500 pixels a side
}

ShowQrDlg::ShowQrDlg(const otp::Setup& setup, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("QR Code"));
    auto* layout = new QVBoxLayout(this);
    m_code = new QLabel(this);
    m_code->setObjectName(QStringLiteral("qrImage"));
    m_code->setAlignment(Qt::AlignCenter);
    const QImage image = drawQrCode(QByteArray::fromStdString(otp::toUri(setup)), kModulePixels);
    if (image.isNull()) {
        m_code->setText(QStringLiteral("This setup is too long to draw as a QR code."));
    } else {
        m_code->setPixmap(QPixmap::fromImage(image));
    }
    layout->addWidget(m_code);

    QString who = QString::fromStdString(setup.issuer);
    if (!setup.account.empty()) {
        who += (who.isEmpty() ? QString() : QStringLiteral(": ")) + QString::fromStdString(setup.account);
    }
    m_caption = new QLabel(who, this);
    m_caption->setObjectName(QStringLiteral("qrCaption"));
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_caption);
    auto* hint = new QLabel(QStringLiteral("Read it with the phone's authenticator app. The code holds the secret key: "
                                           "close this window when done."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto* row = new QHBoxLayout;
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setDefault(true);
    row->addStretch();
    row->addWidget(m_close);
    layout->addLayout(row);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    m_close->setFocus();
}
