#include "ui/otp/OtpSetupDlg.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <algorithm>

#include "ui/common/GuiPrompter.h"
#include "ui/otp/CardCode.h"
#include "ui/otp/QrCodes.h"

namespace {
const QString kTitle = QStringLiteral("Set Up One-time Code");
}

OtpSetupDlg::OtpSetupDlg(const QString& current, const QString& cardName, QWidget* parent)
    : QDialog(parent), m_cardName(cardName.toUtf8()) {
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);

    auto* prompt = new QLabel(QStringLiteral("The site's setup address (&otpauth://...) or its secret key:"), this);
    m_text = new QLineEdit(current, this);
    m_text->setObjectName(QStringLiteral("setupText"));
    m_text->setMinimumWidth(m_text->fontMetrics().averageCharWidth() * 60);
    prompt->setBuddy(m_text);
    layout->addWidget(prompt);
    layout->addWidget(m_text);

    auto* options = new QGroupBox(QStringLiteral("For a secret key alone"), this);
    auto* form = new QFormLayout(options);
    m_digits = new QSpinBox(options);
    m_digits->setRange(6, 8);
    m_digits->setValue(6);
    m_period = new QSpinBox(options);
    m_period->setRange(1, 86400);
    m_period->setValue(30);
    m_period->setSuffix(QStringLiteral(" s"));
    m_algorithm = new QComboBox(options);
    m_algorithm->addItems({QStringLiteral("SHA1"), QStringLiteral("SHA256"), QStringLiteral("SHA512")});
    form->addRow(QStringLiteral("&Digits:"), m_digits);
    form->addRow(QStringLiteral("&Period:"), m_period);
    form->addRow(QStringLiteral("&Algorithm:"), m_algorithm);
    layout->addWidget(options);

    auto* readRow = new QHBoxLayout;
    m_image = new QPushButton(QStringLiteral("Read QR Code from &Image..."), this);
    m_screen = new QPushButton(QStringLiteral("Read QR Code from &Screen"), this);
    for (QPushButton* button : {m_image, m_screen}) {
        button->setAutoDefault(false);
        readRow->addWidget(button);
    }
    readRow->addStretch();
    layout->addLayout(readRow);

    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("setupResult"));
    m_result->setWordWrap(true);
    m_result->setTextFormat(Qt::PlainText);  // an error quotes what was pasted: never read as markup
    m_result->setMinimumHeight(m_result->fontMetrics().lineSpacing() * 3);
    layout->addWidget(m_result);

    auto* buttons = new QHBoxLayout;
    m_removeButton = new QPushButton(QStringLiteral("&Remove"), this);
    m_removeButton->setAutoDefault(false);
    m_removeButton->setEnabled(!current.isEmpty());
    m_removeButton->setToolTip(QStringLiteral("Take the one-time code setup out of the card's note"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_removeButton);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    setTabOrder(m_text, m_digits);
    setTabOrder(m_digits, m_period);
    setTabOrder(m_period, m_algorithm);
    setTabOrder(m_algorithm, m_image);
    setTabOrder(m_image, m_screen);
    setTabOrder(m_screen, m_removeButton);
    setTabOrder(m_removeButton, m_ok);
    setTabOrder(m_ok, m_cancel);

    connect(m_text, &QLineEdit::textChanged, this, &OtpSetupDlg::refresh);
    connect(m_digits, &QSpinBox::valueChanged, this, &OtpSetupDlg::refresh);
    connect(m_period, &QSpinBox::valueChanged, this, &OtpSetupDlg::refresh);
    connect(m_algorithm, &QComboBox::currentIndexChanged, this, &OtpSetupDlg::refresh);
    connect(m_image, &QPushButton::clicked, this, &OtpSetupDlg::readFromImage);
    connect(m_screen, &QPushButton::clicked, this, &OtpSetupDlg::readFromScreen);
    connect(m_removeButton, &QPushButton::clicked, this, [this] {
        m_remove = true;
        QDialog::accept();
    });
    connect(m_ok, &QPushButton::clicked, this, &OtpSetupDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_text->setFocus();
    refresh();
}

bool OtpSetupDlg::isBareSecret() const {
    // An address has a scheme; anything without a colon is taken for the key alone.
    const QString text = m_text->text().trimmed();
    return !text.isEmpty() && !text.contains(QLatin1Char(':'));
}

otp::ParsedSetup OtpSetupDlg::parsed() const {
    if (!isBareSecret()) {
        return otp::parseSetup(m_text->text().trimmed().toUtf8().toStdString(), otp::TextForm::Utf8);
    }
    const QByteArray secret = QUrl::toPercentEncoding(m_text->text().trimmed());
    otp::ParsedSetup result = otp::parseSetup("otpauth://totp/?secret=" + secret.toStdString(), otp::TextForm::Utf8);
    if (result.setup) {
        result.setup->account = m_cardName.toStdString();
        result.setup->digits = static_cast<unsigned>(m_digits->value());
        result.setup->period = static_cast<std::uint32_t>(m_period->value());
        static constexpr otp::Algorithm kAlgorithms[] = {otp::Algorithm::Sha1, otp::Algorithm::Sha256,
                                                         otp::Algorithm::Sha512};
        result.setup->algorithm = kAlgorithms[std::clamp(m_algorithm->currentIndex(), 0, 2)];
    }
    return result;
}

std::optional<otp::Setup> OtpSetupDlg::setup() const {
    return parsed().setup;
}

void OtpSetupDlg::refresh() {
    const bool bare = isBareSecret();
    for (QWidget* option :
         {static_cast<QWidget*>(m_digits), static_cast<QWidget*>(m_period), static_cast<QWidget*>(m_algorithm)}) {
        option->setEnabled(bare);
    }
    if (m_text->text().trimmed().isEmpty()) {
        m_result->setText(
            QStringLiteral("Paste the otpauth:// address the site gives, type its secret key, or read "
                           "its QR code."));
        m_ok->setEnabled(false);
        return;
    }
    const otp::ParsedSetup result = parsed();
    if (!result) {
        m_result->setText(setupError(result, otp::TextForm::Utf8));
        m_ok->setEnabled(false);
        return;
    }
    const otp::Setup& s = *result.setup;
    QString who = QString::fromStdString(s.issuer);
    if (!s.account.empty()) {
        who += (who.isEmpty() ? QString() : QStringLiteral(": ")) + QString::fromStdString(s.account);
    }
    const QString code = groupedCode(otp::code(s, secondsNow()));
    m_result->setText((who.isEmpty() ? QString() : who + QLatin1Char('\n')) +
                      (s.kind == otp::Kind::Hotp ? QStringLiteral("Code from counter %1: %2").arg(s.counter).arg(code)
                                                 : QStringLiteral("Code now: %1").arg(code)));
    m_ok->setEnabled(true);
}

void OtpSetupDlg::accept() {
    if (m_remove || setup()) {
        QDialog::accept();
    }
}

void OtpSetupDlg::readFromImage() {
    const QString path = guiPrompter().openFileName(
        QStringLiteral("Read QR Code from Image"),
        {QStringLiteral("PNG and JPEG images (*.png *.jpg *.jpeg)"), QStringLiteral("All files (*)")});
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (const std::optional<QString> text = readQrFile(path, error)) {
        m_text->setText(*text);
        m_text->setFocus();
    } else {
        guiPrompter().message(error, kTitle, GuiPrompter::Icon::Warning);
    }
}

void OtpSetupDlg::readFromScreen() {
    QString error;
    if (const std::optional<QString> text = readQrScreens(error)) {
        m_text->setText(*text);
        m_text->setFocus();
    } else {
        guiPrompter().message(error, kTitle, GuiPrompter::Icon::Warning);
    }
}
