#include "bridge/BrowserProfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace bridgeprofile {

bool turnOffPasswordSaving(const QString& profileDir, QString& error) {
    const QString folder = profileDir + QStringLiteral("/Default");
    const QString path = folder + QStringLiteral("/Preferences");
    QJsonObject settings;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1: %2").arg(path, existing.errorString());
            return false;
        }
        QJsonParseError parse{};
        const QJsonDocument document = QJsonDocument::fromJson(existing.readAll(), &parse);
        if (parse.error != QJsonParseError::NoError || !document.isObject()) {
            // The browser mends a broken file of its own; it is not ours to replace.
            error = QStringLiteral("%1 is not a settings file the bridge can read (%2); left as it is")
                        .arg(path, parse.errorString());
            return false;
        }
        settings = document.object();
    }
    QJsonObject profile = settings.value(QStringLiteral("profile")).toObject();
    if (settings.value(QStringLiteral("credentials_enable_service")) == QJsonValue(false) &&
        profile.value(QStringLiteral("password_manager_enabled")) == QJsonValue(false)) {
        return true;
    }
    settings.insert(QStringLiteral("credentials_enable_service"), false);
    profile.insert(QStringLiteral("password_manager_enabled"), false);
    settings.insert(QStringLiteral("profile"), profile);

    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(settings).toJson(QJsonDocument::Compact)) < 0 ||
        !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace bridgeprofile
