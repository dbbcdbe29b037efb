#include "bridge/TraceRedaction.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>

namespace {

const QString kHidden = QStringLiteral("(hidden)");

QString withoutUserInfo(QString text) {
    // scheme://userinfo@ : up to the last "@" before the path, so an "@" in a password is masked too.
    static const QRegularExpression userInfo(QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://)[^/?#\\s\"]*@"));
    return text.replace(userInfo, QStringLiteral("\\1***@"));
}

bool typesText(const QString& method) {
    return method == QLatin1String("Input.insertText") || method == QLatin1String("Input.dispatchKeyEvent") ||
           method == QLatin1String("Input.imeSetComposition");
}

QJsonValue redacted(const QJsonValue& value);

QJsonObject redactedObject(const QJsonObject& object) {
    QJsonObject out;
    const QString method = object.value(QStringLiteral("method")).toString();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString& key = it.key();
        // "username": the user ID that answers a site's HTTP authentication (Fetch.continueWithAuth).
        if (key.contains(QLatin1String("password"), Qt::CaseInsensitive) || key == QLatin1String("username")) {
            out.insert(key, kHidden);
        } else if (key == QLatin1String("params") && it.value().isObject() &&
                   (typesText(method) || method == QLatin1String("Runtime.callFunctionOn") ||
                    method == QLatin1String("Runtime.bindingCalled"))) {
            QJsonObject params = redactedObject(it.value().toObject());
            for (const char* secret : {"text", "unmodifiedText", "key", "code", "arguments", "payload"})
                if (params.contains(QLatin1String(secret)))
                    params.insert(QLatin1String(secret), kHidden);
            out.insert(key, params);
        } else {
            out.insert(key, redacted(it.value()));
        }
    }
    return out;
}

QJsonValue redacted(const QJsonValue& value) {
    if (value.isObject())
        return redactedObject(value.toObject());
    if (value.isArray()) {
        QJsonArray out;
        for (const QJsonValue& item : value.toArray())
            out.append(redacted(item));
        return out;
    }
    if (value.isString()) {
        // A message sent on to a page travels as text (Target.sendMessageToTarget).
        const QString text = value.toString();
        if (text.startsWith(QLatin1Char('{'))) {
            const QJsonDocument inner = QJsonDocument::fromJson(text.toUtf8());
            if (inner.isObject())
                return QString::fromUtf8(QJsonDocument(redactedObject(inner.object())).toJson(QJsonDocument::Compact));
        }
        return withoutUserInfo(text);
    }
    return value;
}

}  // namespace

QByteArray redactedForTrace(const QByteArray& message) {
    const QJsonDocument document = QJsonDocument::fromJson(message);
    if (!document.isObject())
        return "(" + QByteArray::number(message.size()) + " bytes, not a JSON object)";
    return QJsonDocument(redactedObject(document.object())).toJson(QJsonDocument::Compact);
}
