#include "ui/cards/StrongFormOffer.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringList>

#include "cardstore/CardFile.h"
#include "crypto/Sha1.h"
#include "prefs/SettingKeys.h"

namespace {

// How many documents are remembered; the oldest offers are forgotten first.
constexpr int kRemembered = 500;

}  // namespace

std::optional<QString> strongFormOffer(SettingsStore& settings, const QString& path, const LoadResult& result) {
    if (result.outcome != LoadOutcome::Loaded || !result.encrypted || result.strong || result.cardsUnread)
        return std::nullopt;
    // The settings keep a digest of the path, not the path itself.
    const QByteArray name = QFileInfo(path).absoluteFilePath().toUtf8();
    const Sha1Bytes digest = Sha1Digest(name.toStdString());
    const QString id = QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest.data()), static_cast<int>(digest.size())).toHex());
    QStringList offered = QString::fromStdString(readSetting(settings, settings::kStrongFormOffered))
                              .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (offered.contains(id))
        return std::nullopt;
    offered.append(id);
    while (offered.size() > kRemembered) offered.removeFirst();
    writeSetting(settings, settings::kStrongFormOffered, offered.join(QLatin1Char(' ')).toStdString());
    return QStringLiteral("%1 is saved in the old encryption form (Blowfish, no salt). Encrypt On Save (Alt+S) "
                          "with \"Old format\" cleared saves it in the strong form.")
        .arg(QFileInfo(path).fileName());
}
