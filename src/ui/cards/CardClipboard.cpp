#include "ui/cards/CardClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"

CardClipboard::CardClipboard(QObject* parent) : QObject(parent), m_clearTimer(this) {
    m_clearTimer.setObjectName(QStringLiteral("passwordClearTimer"));  // tests wait for it by name
    m_clearTimer.setSingleShot(true);
    connect(&m_clearTimer, &QTimer::timeout, this, &CardClipboard::clearPasswordIfStillThere);
}

CardClipboard::~CardClipboard() {
    forgetPassword();
}

void CardClipboard::forgetPassword() {
    m_clearTimer.stop();
    if (!m_password.isEmpty()) {
        clearPasswordIfStillThere();
    }
}

bool CardClipboard::PutTextOnClipboard(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        guiPrompter().message(QStringLiteral("Cannot open the Clipboard."));
        return false;
    }
    clipboard->setText(fromCardText(text));
    return true;
}

bool CardClipboard::putPassword(const std::string& password, int clearAfterSeconds) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        guiPrompter().message(QStringLiteral("Cannot open the Clipboard."));
        return false;
    }
    auto* data = new QMimeData;
    data->setText(fromCardText(password));
    data->setData(QString::fromLatin1(kSecretHintType), QByteArray(kSecretHintValue));
    clipboard->setMimeData(data);
    wipeSecret(m_password);
    m_password = fromCardText(password);
    if (clearAfterSeconds > 0) {
        m_clearTimer.start(clearAfterSeconds * 1000);
    } else {
        m_clearTimer.stop();
    }
    return true;
}

void CardClipboard::clearPasswordIfStillThere() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data && data->hasText() && data->text() == m_password &&
        data->data(QString::fromLatin1(kSecretHintType)) == kSecretHintValue) {
        clipboard->clear();
    }
    wipeSecret(m_password);
}

std::optional<std::string> CardClipboard::GetTextFromClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        guiPrompter().message(QStringLiteral("Cannot open the Clipboard."));
        return std::nullopt;
    }
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasText()) {
        guiPrompter().message(QStringLiteral("Unable to get Clipboard data."));
        return std::nullopt;
    }
    QString error;
    std::optional<std::string> text = toCardText(data->text(), &error);
    if (!text) {
        guiPrompter().message(error);
    }
    return text;
}
