#include "ui/common/QtText.h"

#include <QLineEdit>

#include <cstring>

#include "common/Wipe.h"

#include "common/Win1252.h"

QString fromCardText(const std::string& bytes) { return QString::fromStdString(win1252ToUtf8(bytes)); }

std::optional<std::string> toCardText(const QString& text, QString* error) {
    std::string out;
    std::string why;
    std::string utf8 = text.toStdString();
    const bool converted = utf8ToWin1252(utf8, out, &why);
    wipeSecret(utf8);  // it may be a password
    if (!converted) {
        if (error) {
            *error = QString::fromStdString(why);
        }
        return std::nullopt;
    }
    return out;
}

QString takeSecretText(QLineEdit& field) {
    QString text = field.text();
    field.clear();  // the field lets go of its text, so `text` is its only holder
    return text;
}

void wipeSecret(QString& text) {
    if (!text.isEmpty() && !text.isDetached()) {
        text.clear();  // shared: wiping would only copy it first
        return;
    }
    if (!text.isEmpty()) {
        explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
}
