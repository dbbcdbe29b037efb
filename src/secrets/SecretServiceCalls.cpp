// The service's methods: every call is checked against its signature before its arguments are read,
// so a malformed call gets InvalidArgs and nothing else.
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QPointer>
#include <utility>

#include "cardstore/CardOperations.h"
#include "cardstore/CardStore.h"
#include "common/Win1252.h"
#include "secrets/SecretService.h"

namespace secrets {

namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kNotSupported = QStringLiteral("org.freedesktop.DBus.Error.NotSupported");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kNoSuchObject = QStringLiteral("org.freedesktop.Secret.Error.NoSuchObject");
const QString kNoSession = QStringLiteral("org.freedesktop.Secret.Error.NoSession");

QDBusObjectPath noPrompt() {
    return QDBusObjectPath(QStringLiteral("/"));
}

QVariant paths(const QStringList& list) {
    QList<QDBusObjectPath> out;
    for (const QString& path : list)
        out.append(QDBusObjectPath(path));
    return QVariant::fromValue(out);
}

QStringList pathList(const QVariant& argument) {
    QStringList out;
    for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(argument))
        out.append(path.path());
    return out;
}

}  // namespace

QString SecretService::introspect(const QString& path) const {
    const Target target = resolve(path);
    static const QString properties = QStringLiteral(
        "<interface name=\"org.freedesktop.DBus.Properties\">"
        "<method name=\"Get\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"v\" direction=\"out\"/></method>"
        "<method name=\"GetAll\"><arg type=\"s\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"out\"/></method>"
        "<method name=\"Set\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"v\" direction=\"in\"/></method></interface>");
    switch (target.kind) {
        case Target::Service:
            return properties +
                   QStringLiteral(
                       "<interface name=\"org.freedesktop.Secret.Service\">"
                       "<method name=\"OpenSession\"><arg type=\"s\" direction=\"in\"/><arg type=\"v\" "
                       "direction=\"in\"/>"
                       "<arg type=\"v\" direction=\"out\"/><arg type=\"o\" direction=\"out\"/></method>"
                       "<method name=\"CreateCollection\"><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"s\" "
                       "direction=\"in\"/><arg type=\"o\" direction=\"out\"/><arg type=\"o\" "
                       "direction=\"out\"/></method>"
                       "<method name=\"SearchItems\"><arg type=\"a{ss}\" direction=\"in\"/><arg type=\"ao\" "
                       "direction=\"out\"/><arg type=\"ao\" direction=\"out\"/></method>"
                       "<method name=\"Unlock\"><arg type=\"ao\" direction=\"in\"/><arg type=\"ao\" direction=\"out\"/>"
                       "<arg type=\"o\" direction=\"out\"/></method>"
                       "<method name=\"Lock\"><arg type=\"ao\" direction=\"in\"/><arg type=\"ao\" direction=\"out\"/>"
                       "<arg type=\"o\" direction=\"out\"/></method>"
                       "<method name=\"GetSecrets\"><arg type=\"ao\" direction=\"in\"/><arg type=\"o\" "
                       "direction=\"in\"/>"
                       "<arg type=\"a{o(oayays)}\" direction=\"out\"/></method>"
                       "<method name=\"ReadAlias\"><arg type=\"s\" direction=\"in\"/><arg type=\"o\" "
                       "direction=\"out\"/>"
                       "</method><method name=\"SetAlias\"><arg type=\"s\" direction=\"in\"/><arg type=\"o\" "
                       "direction=\"in\"/></method><property name=\"Collections\" type=\"ao\" access=\"read\"/>"
                       "<signal name=\"CollectionCreated\"><arg type=\"o\"/></signal>"
                       "<signal name=\"CollectionDeleted\"><arg type=\"o\"/></signal>"
                       "<signal name=\"CollectionChanged\"><arg type=\"o\"/></signal></interface>"
                       "<node name=\"collection\"/><node name=\"aliases\"/>");
        case Target::Collection:
            return properties +
                   QStringLiteral(
                       "<interface name=\"org.freedesktop.Secret.Collection\">"
                       "<method name=\"Delete\"><arg type=\"o\" direction=\"out\"/></method>"
                       "<method name=\"SearchItems\"><arg type=\"a{ss}\" direction=\"in\"/><arg type=\"ao\" "
                       "direction=\"out\"/></method>"
                       "<method name=\"CreateItem\"><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"(oayays)\" "
                       "direction=\"in\"/><arg type=\"b\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/>"
                       "<arg type=\"o\" direction=\"out\"/></method>"
                       "<property name=\"Items\" type=\"ao\" access=\"read\"/>"
                       "<property name=\"Label\" type=\"s\" access=\"readwrite\"/>"
                       "<property name=\"Locked\" type=\"b\" access=\"read\"/>"
                       "<property name=\"Created\" type=\"t\" access=\"read\"/>"
                       "<property name=\"Modified\" type=\"t\" access=\"read\"/>"
                       "<signal name=\"ItemCreated\"><arg type=\"o\"/></signal>"
                       "<signal name=\"ItemDeleted\"><arg type=\"o\"/></signal>"
                       "<signal name=\"ItemChanged\"><arg type=\"o\"/></signal></interface>");
        case Target::Item:
            return properties +
                   QStringLiteral(
                       "<interface name=\"org.freedesktop.Secret.Item\">"
                       "<method name=\"Delete\"><arg type=\"o\" direction=\"out\"/></method>"
                       "<method name=\"GetSecret\"><arg type=\"o\" direction=\"in\"/><arg type=\"(oayays)\" "
                       "direction=\"out\"/></method>"
                       "<method name=\"SetSecret\"><arg type=\"(oayays)\" direction=\"in\"/></method>"
                       "<property name=\"Locked\" type=\"b\" access=\"read\"/>"
                       "<property name=\"Attributes\" type=\"a{ss}\" access=\"readwrite\"/>"
                       "<property name=\"Label\" type=\"s\" access=\"readwrite\"/>"
                       "<property name=\"Created\" type=\"t\" access=\"read\"/>"
                       "<property name=\"Modified\" type=\"t\" access=\"read\"/></interface>");
        case Target::Session:
            return QStringLiteral(
                "<interface name=\"org.freedesktop.Secret.Session\">"
                "<method name=\"Close\"/></interface>");
        case Target::Prompt:
            return QStringLiteral(
                "<interface name=\"org.freedesktop.Secret.Prompt\">"
                "<method name=\"Prompt\"><arg type=\"s\" direction=\"in\"/></method><method name=\"Dismiss\"/>"
                "<signal name=\"Completed\"><arg type=\"b\"/><arg type=\"v\"/></signal></interface>");
        case Target::None:
            break;
    }
    return {};
}

bool SecretService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    // Introspect (from introspect() above) and Ping are QtDBus's to answer.
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Introspectable") ||
        message.interface() == QLatin1String("org.freedesktop.DBus.Peer"))
        return false;
    // Documents open and lock without telling anyone on the bus; each call sees them as they are now.
    refreshDocuments();
    const Target target = resolve(message.path());
    const QString interface = message.interface();
    const QString member = message.member();
    if (target.kind == Target::None) {
        error(message, kNoSuchObject, QStringLiteral("No such object: %1").arg(message.path()));
        return true;
    }
    if (interface == QLatin1String("org.freedesktop.DBus.Properties")) {
        propertiesCall(target, message);
        return true;
    }
    switch (target.kind) {
        case Target::Service:
            serviceCall(message);
            return true;
        case Target::Collection:
            collectionCall(target, message);
            return true;
        case Target::Item:
            itemCall(target, message);
            return true;
        case Target::Session:
            if (member == QLatin1String("Close") && message.signature().isEmpty() &&
                m_sessions.value(target.id).owner == message.service()) {
                m_sessions.remove(target.id);
                reply(message, {});
            } else {
                error(message, kUnknownMethod, QStringLiteral("Sessions answer Close() from their own client."));
            }
            return true;
        case Target::Prompt: {
            const bool prompt = member == QLatin1String("Prompt") && message.signature() == QLatin1String("s");
            const bool dismiss = member == QLatin1String("Dismiss") && message.signature().isEmpty();
            if (!prompt && !dismiss) {
                error(message, kUnknownMethod, QStringLiteral("Prompts answer Prompt(s) and Dismiss()."));
                return true;
            }
            if (m_prompts.value(target.id).owner != message.service()) {
                error(message, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                      QStringLiteral("This prompt belongs to another client."));
                return true;
            }
            reply(message, {});
            if (dismiss) {
                completePrompt(target.id, true, QString());
            } else if (auto run = std::exchange(m_prompts[target.id].run, nullptr)) {
                run(target.id);  // once: a second Prompt() while the question is open asks nothing more
            }
            return true;
        }
        case Target::None:
            break;
    }
    return false;
}

void SecretService::propertiesCall(const Target& target, const QDBusMessage& message) {
    const QString member = message.member();
    const QVariantList args = message.arguments();
    if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
        reply(message, {properties(target, args[0].toString())});
    } else if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
        const QVariantMap all = properties(target, args[0].toString());
        if (!all.contains(args[1].toString()))
            error(message, kInvalidArgs, QStringLiteral("No such property: %1").arg(args[1].toString()));
        else
            reply(message, {QVariant::fromValue(QDBusVariant(all.value(args[1].toString())))});
    } else if (member == QLatin1String("Set") && message.signature() == QLatin1String("ssv")) {
        const QString name = args[1].toString();
        const QVariant value = args[2].value<QDBusVariant>().variant();
        auto item = target.kind == Target::Item ? findItem(target.document, target.id) : std::nullopt;
        if (target.kind == Target::Collection && name == QLatin1String("Label")) {
            reply(message, {});  // a document's name is its file's: the label stays
        } else if (item && name == QLatin1String("Label") && value.userType() == QMetaType::QString) {
            ItemRecord record = item->record;
            bool exact = true;
            item->card->firstField = cardNameFor(value.toString(), exact);
            record.label = exact ? QString() : value.toString();
            writeItem(*item, record);
            reply(message, {});
        } else if (item && name == QLatin1String("Attributes") && attributesIn(value)) {
            ItemRecord record = item->record;
            record.attributes = *attributesIn(value);
            writeItem(*item, record);
            reply(message, {});
        } else {
            error(message, kInvalidArgs, QStringLiteral("That property cannot be set here."));
        }
    } else {
        error(message, kUnknownMethod, QStringLiteral("Unknown method %1").arg(member));
    }
}

void SecretService::serviceCall(const QDBusMessage& message) {
    const QString member = message.member();
    const QString signature = message.signature();
    const QVariantList args = message.arguments();
    if (member == QLatin1String("OpenSession") && signature == QLatin1String("sv")) {
        openSession(message);
    } else if (member == QLatin1String("SearchItems") && signature == QLatin1String("a{ss}")) {
        searchItems(message, qdbus_cast<QMap<QString, QString>>(args[0]), std::nullopt);
    } else if (member == QLatin1String("Unlock") && signature == QLatin1String("ao")) {
        unlockCall(message);
    } else if (member == QLatin1String("Lock") && signature == QLatin1String("ao")) {
        lockCall(message);
    } else if (member == QLatin1String("GetSecrets") && signature == QLatin1String("aoo")) {
        getSecrets(message);
    } else if (member == QLatin1String("ReadAlias") && signature == QLatin1String("s")) {
        const SecretDocuments::Key key = m_documents.defaultDocument();
        const bool found = args[0].toString() == QLatin1String("default") && key != 0 && m_names.contains(key);
        reply(message, {QVariant::fromValue(found ? QDBusObjectPath(collectionPath(key)) : noPrompt())});
    } else if (member == QLatin1String("SetAlias") && signature == QLatin1String("so")) {
        // The default is the person's choice on the preference page; a program cannot move it.
        const Target target = resolve(qdbus_cast<QDBusObjectPath>(args[1]).path());
        if (args[0].toString() == QLatin1String("default") && target.kind == Target::Collection &&
            target.document == m_documents.defaultDocument())
            reply(message, {});
        else
            error(message, kNotSupported, QStringLiteral("Only the person chooses the default document."));
    } else if (member == QLatin1String("CreateCollection") && signature == QLatin1String("a{sv}s")) {
        // Programs cannot make documents; asked for the default, they get the one there is.
        const SecretDocuments::Key key = m_documents.defaultDocument();
        if (args[1].toString() == QLatin1String("default") && key != 0 && m_names.contains(key))
            reply(message,
                  {QVariant::fromValue(QDBusObjectPath(collectionPath(key))), QVariant::fromValue(noPrompt())});
        else
            error(message, kNotSupported, QStringLiteral("Open an encrypted document in Quorvane to keep secrets."));
    } else {
        error(message, kUnknownMethod, QStringLiteral("Unknown method %1 (%2)").arg(member, signature));
    }
}

void SecretService::openSession(const QDBusMessage& message) {
    const QString algorithm = message.arguments()[0].toString();
    const QVariant input = message.arguments()[1].value<QDBusVariant>().variant();
    Session session{message.service(), nullptr};
    QVariant output = QString();
    if (algorithm == QLatin1String(kDhAlgorithm)) {
        if (input.userType() != QMetaType::QByteArray) {
            error(message, kInvalidArgs, QStringLiteral("The session's input must be the client's public value (ay)."));
            return;
        }
        const QByteArray value = input.toByteArray();
        std::string why;
        session.crypto = DhSession::create(Bytes(value.begin(), value.end()), &why);
        if (!session.crypto) {
            error(message, kInvalidArgs, QString::fromStdString(why));
            return;
        }
        const Bytes& ours = session.crypto->publicKey();
        output = QByteArray(reinterpret_cast<const char*>(ours.data()), qsizetype(ours.size()));
    } else if (algorithm != QLatin1String("plain")) {
        error(message, kNotSupported, QStringLiteral("Algorithm %1 is not supported.").arg(algorithm));
        return;
    }
    const quint64 id = m_nextSession++;
    m_sessions.insert(id, std::move(session));
    m_clients->addWatchedService(message.service());
    reply(message, {QVariant::fromValue(QDBusVariant(output)),
                    QVariant::fromValue(QDBusObjectPath(QStringLiteral("%1/session/%2").arg(kRootPath).arg(id)))});
}

void SecretService::searchItems(const QDBusMessage& message, const Attributes& query,
                                std::optional<SecretDocuments::Key> only) {
    QStringList unlocked, locked;
    for (const auto& document : m_documents.documents()) {
        if (only && *only != document.key)
            continue;
        if (document.locked) {
            m_lockedSearches.insert(message.service() + QLatin1Char('|') + QString::number(document.key), query);
            m_clients->addWatchedService(message.service());
            locked.append(itemPath(document.key, 0));
            continue;
        }
        for (const ItemRef& item : itemsOf(document.key))
            if (attributesMatch(item.record.attributes, query))
                unlocked.append(itemPath(document.key, item.record.id));
    }
    if (only)
        reply(message, {paths(unlocked)});  // a collection's search: only an unlocked one is searched
    else
        reply(message, {paths(unlocked), paths(locked)});
}

std::optional<SecretService::ItemRef> SecretService::placeholderItem(const QString& sender, SecretDocuments::Key key) {
    const QString search = sender + QLatin1Char('|') + QString::number(key);
    if (!m_lockedSearches.contains(search))
        return std::nullopt;
    for (const ItemRef& item : itemsOf(key))
        if (attributesMatch(item.record.attributes, m_lockedSearches.value(search)))
            return item;
    return std::nullopt;
}

void SecretService::unlockCall(const QDBusMessage& message) {
    const QStringList objects = pathList(message.arguments()[0]);
    QList<SecretDocuments::Key> lockedDocuments;
    QStringList unlocked;
    for (const QString& path : objects) {
        const Target target = resolve(path);
        if (target.kind != Target::Collection && target.kind != Target::Item)
            continue;
        if (isLocked(target.document)) {
            if (!lockedDocuments.contains(target.document))
                lockedDocuments.append(target.document);
        } else {
            unlocked.append(path);
        }
    }
    if (lockedDocuments.isEmpty()) {
        reply(message, {paths(unlocked), QVariant::fromValue(noPrompt())});
        return;
    }
    const QString sender = message.service();
    QPointer<SecretService> self(this);
    const QString prompt = newPrompt(sender, [this, self, objects, lockedDocuments, sender](quint64 id) {
        m_documents.unlock(lockedDocuments, [self, objects, id](bool ok) {
            if (!self)
                return;
            QStringList now;
            for (const QString& path : objects) {
                const Target target = self->resolve(path);
                if ((target.kind == Target::Collection || target.kind == Target::Item) &&
                    !self->isLocked(target.document))
                    now.append(path);
            }
            self->completePrompt(id, !ok, paths(now));
        });
    });
    reply(message, {paths(unlocked), QVariant::fromValue(QDBusObjectPath(prompt))});
}

void SecretService::lockCall(const QDBusMessage& message) {
    QStringList locked;
    for (const QString& path : pathList(message.arguments()[0])) {
        const Target target = resolve(path);
        if (target.kind != Target::Collection && target.kind != Target::Item)
            continue;
        if (!isLocked(target.document))
            m_documents.lock(target.document);
        if (isLocked(target.document))
            locked.append(path);
    }
    reply(message, {paths(locked), QVariant::fromValue(noPrompt())});
}

void SecretService::getSecrets(const QDBusMessage& message) {
    const QStringList objects = pathList(message.arguments()[0]);
    const QString sessionPath = qdbus_cast<QDBusObjectPath>(message.arguments()[1]).path();
    const Target session = resolve(sessionPath);
    if (session.kind != Target::Session || m_sessions.value(session.id).owner != message.service()) {
        error(message, kNoSession, QStringLiteral("No such session: %1").arg(sessionPath));
        return;
    }
    QList<QPair<SecretDocuments::Key, quint64>> wanted;
    QHash<QString, QPair<SecretDocuments::Key, quint64>> byPath;
    for (const QString& path : objects) {
        const Target target = resolve(path);
        if (target.kind != Target::Item || isLocked(target.document))
            continue;
        std::optional<ItemRef> item =
            target.id == 0 ? placeholderItem(message.service(), target.document) : findItem(target.document, target.id);
        if (!item)
            continue;
        wanted.append({target.document, item->record.id});
        byPath.insert(path, wanted.last());
    }
    message.setDelayedReply(true);
    QPointer<SecretService> self(this);
    withConsent(message.service(), wanted, [self, message, sessionPath, byPath](auto allowed) {
        if (!self)
            return;
        SecretMap secrets;
        for (auto it = byPath.cbegin(); it != byPath.cend(); ++it) {
            if (!allowed.contains(it.value()))
                continue;
            const auto item = self->findItem(it.value().first, it.value().second);
            if (!item)
                continue;
            const QByteArray secret = secretFromPasswordField(item->card->fourthField, item->record.base64);
            if (auto sealed = self->seal(sessionPath, secret, item->record.contentType)) {
                secrets.insert(QDBusObjectPath(it.key()), *sealed);
                emit self->secretHandedOut(self->m_programs.value(message.service()), it.key());
            }
        }
        self->m_connection.send(message.createReply(QVariant::fromValue(secrets)));
    });
}

}  // namespace secrets
