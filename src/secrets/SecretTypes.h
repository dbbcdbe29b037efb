#pragma once
// The Secret Service's structure on the bus: (oayays) session, parameters, value, content type.

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <optional>

namespace secrets {

inline constexpr char kServiceName[] = "org.freedesktop.secrets";
inline constexpr char kRootPath[] = "/org/freedesktop/secrets";
inline constexpr char kServiceInterface[] = "org.freedesktop.Secret.Service";
inline constexpr char kCollectionInterface[] = "org.freedesktop.Secret.Collection";
inline constexpr char kItemInterface[] = "org.freedesktop.Secret.Item";
inline constexpr char kSessionInterface[] = "org.freedesktop.Secret.Session";
inline constexpr char kPromptInterface[] = "org.freedesktop.Secret.Prompt";
inline constexpr char kDhAlgorithm[] = "dh-ietf1024-sha256-aes128-cbc-pkcs7";

struct SecretValue {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

using SecretMap = QMap<QDBusObjectPath, SecretValue>;

QDBusArgument& operator<<(QDBusArgument& argument, const SecretValue& secret);
const QDBusArgument& operator>>(const QDBusArgument& argument, SecretValue& secret);

/// The a{ss} a variant from the bus holds (attributes), or nothing when it holds something else.
std::optional<QMap<QString, QString>> attributesIn(const QVariant& value);

/// Registers the types above with QtDBus; once per program is enough, more does no harm.
void registerSecretTypes();

}  // namespace secrets

Q_DECLARE_METATYPE(secrets::SecretValue)
Q_DECLARE_METATYPE(secrets::SecretMap)
