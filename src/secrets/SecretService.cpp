// The service's object tree: paths, properties, signals, prompts, introspection and the name.
#include "secrets/SecretService.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QFileInfo>

#include "cardstore/CardStore.h"
#include "cardstore/DateStamp.h"
#include "common/Win1252.h"

namespace secrets {

QDBusArgument& operator<<(QDBusArgument& argument, const SecretValue& secret) {
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SecretValue& secret) {
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

std::optional<QMap<QString, QString>> attributesIn(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a{ss}"))
            return std::nullopt;
        return qdbus_cast<QMap<QString, QString>>(argument);
    }
    if (value.userType() == qMetaTypeId<QMap<QString, QString>>())
        return value.value<QMap<QString, QString>>();
    return std::nullopt;
}

void registerSecretTypes() {
    qDBusRegisterMetaType<SecretValue>();
    qDBusRegisterMetaType<SecretMap>();
    qDBusRegisterMetaType<QMap<QString, QString>>();
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
}

namespace {

QString programFromProcess(const QDBusConnection& connection, const QString& busName) {
    const auto pid = connection.interface()->servicePid(busName);
    if (!pid.isValid())
        return {};
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid.value())).symLinkTarget();
    return exe;
}

// A card date (seconds since 1904 in local time) as seconds since 1970.
quint64 unixTime(std::uint32_t stamp) {
    const std::uint32_t epoch = DateStampFor(1970, 1, 1);
    return stamp > epoch ? stamp - epoch : 0;
}

}  // namespace

SecretService::SecretService(SecretDocuments& documents, QDBusConnection connection, QObject* parent)
    : QDBusVirtualObject(parent), m_documents(documents), m_connection(std::move(connection)) {
    registerSecretTypes();
    programOf = [this](const QString& busName) { return programFromProcess(m_connection, busName); };
    m_clients = new QDBusServiceWatcher(this);
    m_clients->setConnection(m_connection);
    m_clients->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_clients, &QDBusServiceWatcher::serviceUnregistered, this, &SecretService::forgetClient);
    connect(&m_documents, &SecretDocuments::documentsChanged, this, &SecretService::refreshDocuments);
    refreshDocuments();
}

SecretService::~SecretService() {
    stop();
}

bool SecretService::start() {
    if (m_running)
        return true;
    if (!registerObjects())
        return false;
    const auto answer = m_connection.interface()->registerService(
        kServiceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    m_running = answer.isValid() && answer.value() == QDBusConnectionInterface::ServiceRegistered;
    return m_running;
}

bool SecretService::registerObjects() {
    if (!m_registeredObject)
        m_registeredObject = m_connection.registerVirtualObject(kRootPath, this, QDBusConnection::SubPath);
    return m_registeredObject;
}

void SecretService::stop() {
    if (m_running && m_connection.interface())
        m_connection.interface()->unregisterService(kServiceName);
    m_running = false;
    if (m_registeredObject)
        m_connection.unregisterObject(kRootPath, QDBusConnection::UnregisterTree);
    m_registeredObject = false;
    m_sessions.clear();
    m_prompts.clear();
}

QString SecretService::ownerDescription() const {
    return describeOtherNameOwner(m_connection);
}

QString describeOtherNameOwner(const QDBusConnection& connection) {
    QDBusConnectionInterface* bus = connection.interface();
    if (!bus)
        return {};
    const auto owner = bus->serviceOwner(kServiceName);
    if (!owner.isValid() || owner.value().isEmpty() || owner.value() == connection.baseService())
        return {};
    const auto pid = bus->servicePid(kServiceName);
    if (!pid.isValid())
        return owner.value();
    QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid.value())).symLinkTarget();
    if (program.isEmpty()) {  // another user's process: its name is still readable
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid.value()));
        if (comm.open(QIODevice::ReadOnly))
            program = QString::fromLocal8Bit(comm.readAll().trimmed());
    }
    return QStringLiteral("%1 (process %2)").arg(program.isEmpty() ? owner.value() : program).arg(pid.value());
}

// ---- paths ----

QString SecretService::collectionName(SecretDocuments::Key key) const {
    return m_names.value(key);
}

QString SecretService::collectionPath(SecretDocuments::Key key) const {
    return QStringLiteral("%1/collection/%2").arg(kRootPath, collectionName(key));
}

QString SecretService::itemPath(SecretDocuments::Key key, quint64 id) const {
    return collectionPath(key) + QLatin1Char('/') + QString::number(id);
}

void SecretService::refreshDocuments() {
    QList<SecretDocuments::Key> now;
    QSet<QString> taken;
    const auto documents = m_documents.documents();
    for (const auto& document : documents) {
        now.append(document.key);
        if (m_names.contains(document.key))
            taken.insert(m_names.value(document.key));
    }
    for (const auto& document : documents) {
        if (m_names.contains(document.key))
            continue;
        // Object paths take A-Z a-z 0-9 _ only; the rest of the name becomes _.
        QString base = QFileInfo(document.name).completeBaseName();
        for (QChar& c : base)
            if (!(c.isLetterOrNumber() && c.unicode() < 128))
                c = QLatin1Char('_');
        if (base.isEmpty())
            base = QStringLiteral("document");
        QString name = base;
        for (int n = 2; taken.contains(name); ++n)
            name = base + QLatin1Char('_') + QString::number(n);
        taken.insert(name);
        m_names.insert(document.key, name);
    }
    for (SecretDocuments::Key key : std::as_const(m_known)) {
        if (!now.contains(key)) {
            emitSignal(kRootPath, kServiceInterface, "CollectionDeleted",
                       {QVariant::fromValue(QDBusObjectPath(collectionPath(key)))});
            m_names.remove(key);
        }
    }
    QHash<SecretDocuments::Key, bool> locked;
    for (const auto& document : documents)
        locked.insert(document.key, document.locked);
    for (SecretDocuments::Key key : std::as_const(now)) {
        if (m_known.contains(key) && m_locked.value(key) == locked.value(key))
            continue;
        const QVariant path = QVariant::fromValue(QDBusObjectPath(collectionPath(key)));
        emitSignal(kRootPath, kServiceInterface, m_known.contains(key) ? "CollectionChanged" : "CollectionCreated",
                   {path});
        propertiesChanged(collectionPath(key), kCollectionInterface, {QStringLiteral("Locked")});
    }
    const bool listChanged = now != m_known;
    m_known = now;
    m_locked = locked;
    if (listChanged)
        propertiesChanged(kRootPath, kServiceInterface, {QStringLiteral("Collections")});
}

SecretService::Target SecretService::resolve(const QString& path) const {
    Target target;
    if (path == QLatin1String(kRootPath)) {
        target.kind = Target::Service;
        return target;
    }
    const QString prefix = QLatin1String(kRootPath) + QLatin1Char('/');
    if (!path.startsWith(prefix))
        return target;
    const QStringList parts = path.mid(prefix.size()).split(QLatin1Char('/'));
    bool number = false;
    const quint64 id = parts.value(parts.size() - 1).toULongLong(&number);
    if (parts.size() == 2 && number && parts[0] == QLatin1String("session") && m_sessions.contains(id))
        return Target{Target::Session, 0, id};
    if (parts.size() == 2 && number && parts[0] == QLatin1String("prompt") && m_prompts.contains(id))
        return Target{Target::Prompt, 0, id};
    if (parts.size() < 2 || parts.size() > 3)
        return target;
    SecretDocuments::Key key = 0;
    if (parts[0] == QLatin1String("aliases") && parts[1] == QLatin1String("default"))
        key = m_documents.defaultDocument();
    else if (parts[0] == QLatin1String("collection"))
        key = m_names.key(parts[1], 0);
    if (key == 0 || !m_names.contains(key))
        return target;
    if (parts.size() == 2)
        return Target{Target::Collection, key, 0};
    if (!number)
        return target;
    return Target{Target::Item, key, id};
}

bool SecretService::isLocked(SecretDocuments::Key key) const {
    for (const auto& document : m_documents.documents())
        if (document.key == key)
            return document.locked;
    return true;
}

QList<SecretService::ItemRef> SecretService::itemsOf(SecretDocuments::Key key) {
    QList<ItemRef> items;
    CardStore* store = m_documents.cards(key);
    if (!store)
        return items;
    QSet<quint64> seen;
    for (int category = 0; category < kCategoryCount; ++category) {
        CardList* list = store->GetCategoryList(category);
        for (int position = 0; list && position < list->GetCardCount(); ++position) {
            Card* card = list->GetCardAt(position);
            auto record = card ? findItemRecord(card->note) : std::nullopt;
            // A copy of an item's card (pasted, or merged in twice) answers under the first one's number.
            if (!record || record->id == 0 || seen.contains(record->id))
                continue;
            seen.insert(record->id);
            items.append(ItemRef{key, category, position, card, *record});
        }
    }
    return items;
}

std::optional<SecretService::ItemRef> SecretService::findItem(SecretDocuments::Key key, quint64 id) {
    for (const ItemRef& item : itemsOf(key))
        if (item.record.id == id)
            return item;
    return std::nullopt;
}

QVariant SecretService::collectionProperty(SecretDocuments::Key key, const QString& name) {
    if (name == QLatin1String("Items")) {
        QList<QDBusObjectPath> paths;
        for (const ItemRef& item : itemsOf(key))
            paths.append(QDBusObjectPath(itemPath(key, item.record.id)));
        return QVariant::fromValue(paths);
    }
    if (name == QLatin1String("Label")) {
        for (const auto& document : m_documents.documents())
            if (document.key == key)
                return document.name;
        return QString();
    }
    if (name == QLatin1String("Locked"))
        return isLocked(key);
    if (name == QLatin1String("Created") || name == QLatin1String("Modified"))
        return QVariant::fromValue<quint64>(0);
    return {};
}

QVariant SecretService::itemProperty(const ItemRef& item, const QString& name) {
    if (name == QLatin1String("Locked"))
        return false;  // an item is found only in an unlocked document
    if (name == QLatin1String("Attributes"))
        return QVariant::fromValue(QMap<QString, QString>(item.record.attributes));
    if (name == QLatin1String("Label"))
        return item.record.label.isEmpty() ? QString::fromStdString(win1252ToUtf8(item.card->firstField))
                                           : item.record.label;
    if (name == QLatin1String("Created") || name == QLatin1String("Modified"))
        return QVariant::fromValue<quint64>(unixTime(item.card->dateStamp));
    return {};
}

QVariantMap SecretService::properties(const Target& target, const QString& interface) {
    QVariantMap values;
    auto add = [&](const QStringList& names, auto get) {
        for (const QString& name : names)
            values.insert(name, get(name));
    };
    if (target.kind == Target::Service && interface == QLatin1String(kServiceInterface)) {
        QList<QDBusObjectPath> paths;
        for (SecretDocuments::Key key : std::as_const(m_known))
            paths.append(QDBusObjectPath(collectionPath(key)));
        values.insert(QStringLiteral("Collections"), QVariant::fromValue(paths));
    } else if (target.kind == Target::Collection && interface == QLatin1String(kCollectionInterface)) {
        add({"Items", "Label", "Locked", "Created", "Modified"},
            [&](const QString& name) { return collectionProperty(target.document, name); });
    } else if (target.kind == Target::Item && interface == QLatin1String(kItemInterface) && isLocked(target.document)) {
        // An item of a locked document (a search's placeholder): nothing of it shows but that it is locked.
        values = {{QStringLiteral("Locked"), true},
                  {QStringLiteral("Attributes"), QVariant::fromValue(QMap<QString, QString>())},
                  {QStringLiteral("Label"), QString()},
                  {QStringLiteral("Created"), QVariant::fromValue<quint64>(0)},
                  {QStringLiteral("Modified"), QVariant::fromValue<quint64>(0)}};
    } else if (target.kind == Target::Item && interface == QLatin1String(kItemInterface)) {
        if (const auto item = findItem(target.document, target.id))
            add({"Locked", "Attributes", "Label", "Created", "Modified"},
                [&](const QString& name) { return itemProperty(*item, name); });
    }
    return values;
}

// ---- messages out ----

void SecretService::reply(const QDBusMessage& message, const QVariantList& arguments) {
    if (message.isReplyRequired())
        m_connection.send(message.createReply(arguments));
}

void SecretService::error(const QDBusMessage& message, const QString& name, const QString& text) {
    m_connection.send(message.createErrorReply(name, text));
}

void SecretService::emitSignal(const QString& path, const char* interface, const char* name,
                               const QVariantList& arguments) {
    if (!m_running)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(path, QLatin1String(interface), QLatin1String(name));
    signal.setArguments(arguments);
    m_connection.send(signal);
}

void SecretService::propertiesChanged(const QString& path, const char* interface, const QStringList& names) {
    if (!m_running)
        return;
    const Target target = resolve(path);
    const QVariantMap all = properties(target, QLatin1String(interface));
    QVariantMap changed;
    for (const QString& name : names)
        if (all.contains(name))
            changed.insert(name, all.value(name));
    emitSignal(path, "org.freedesktop.DBus.Properties", "PropertiesChanged",
               {QLatin1String(interface), changed, QStringList()});
}

QString SecretService::newPrompt(const QString& owner, std::function<void(quint64)> run) {
    const quint64 id = m_nextPrompt++;
    m_prompts.insert(id, Prompt{owner, std::move(run)});
    return QStringLiteral("%1/prompt/%2").arg(kRootPath).arg(id);
}

void SecretService::completePrompt(quint64 id, bool dismissed, const QVariant& result) {
    if (!m_prompts.remove(id))
        return;
    emitSignal(QStringLiteral("%1/prompt/%2").arg(kRootPath).arg(id), kPromptInterface, "Completed",
               {dismissed, QVariant::fromValue(QDBusVariant(result))});
}

void SecretService::forgetClient(const QString& busName) {
    m_programs.remove(busName);
    m_clients->removeWatchedService(busName);
    for (auto it = m_sessions.begin(); it != m_sessions.end();)
        it = it->owner == busName ? m_sessions.erase(it) : std::next(it);
    for (auto it = m_prompts.begin(); it != m_prompts.end();)
        it = it->owner == busName ? m_prompts.erase(it) : std::next(it);
    for (auto it = m_lockedSearches.begin(); it != m_lockedSearches.end();)
        it = it.key().startsWith(busName + QLatin1Char('|')) ? m_lockedSearches.erase(it) : std::next(it);
}

}  // namespace secrets
