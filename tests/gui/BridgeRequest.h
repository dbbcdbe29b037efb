#pragma once
// One browser-verb request straight to a browser side on the session bus, as Quorvane makes it:
// Connect, one Request, Disconnect. For tests and benchmarks that drive quorvane-browser directly.

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include "browser/DdeBusNames.h"

/// The data `service` ("Netscape", "IExplore") answers to `item` on `topic`; empty when it fails.
inline QByteArray bridgeRequest(const QString& service, const QString& topic, const QByteArray& item) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString busName = QString::fromStdString(dde::busNameForService(service.toStdString()));
    auto call = [&](const QString& method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(busName, QString::fromLatin1(dde::kObjectPath),
                                                        QString::fromLatin1(dde::kInterface), method);
        m.setArguments(args);
        return bus.call(m, QDBus::BlockWithGui, 60000);  // a page server may run on this thread
    };
    const quint64 conversation = call(QStringLiteral("Connect"), {service, topic}).arguments().value(0).toULongLong();
    const QByteArray data = call(QStringLiteral("Request"), {conversation, item}).arguments().value(0).toByteArray();
    call(QStringLiteral("Disconnect"), {conversation});
    return data;
}
