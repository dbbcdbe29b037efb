#include "ui/browser/Ddeml.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QEventLoop>
#include <QFileInfo>
#include <map>
#include <memory>

#include "browser/DdeBusNames.h"
#include "browser/DdeErrors.h"
#include "common/Win1252.h"
#include "ui/browser/DdeWire.h"
#include "ui/common/CommandBlock.h"

namespace dde {

namespace {

QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

/// Service and topic names travel as D-Bus strings (UTF-8); inside the program they are Windows-1252.
QString nameOnWire(const std::string& name) {
    return QString::fromStdString(win1252ToUtf8(name));
}

struct StringEntry {
    std::string text;
    int references = 0;
};

struct Conversation {
    bool client = false;       // opened by this program (else by a partner calling our server)
    QString peer;              // client: the server's bus name; server: the caller's unique bus name
    std::uint64_t remote = 0;  // client: the server's id of the conversation
    HSZ service = 0;
    HSZ topic = 0;
};

class Instance;

HCONV g_nextConversation = 1;  // conversation handles are unique across instances

/// Answers the calls of other programs to the program's own DDE services.
class ServerObject : public QDBusVirtualObject {
public:
    explicit ServerObject(Instance& instance) : m_instance(instance) {}
    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    Instance& m_instance;
};

class Instance {
public:
    DWORD id = 0;
    QString connectionName;
    QDBusConnection bus{QString()};
    Callback callback;
    DWORD lastError = DMLERR_NO_ERROR;
    std::map<HSZ, StringEntry> strings;
    HSZ nextString = 1;
    std::map<HCONV, Conversation> conversations;
    bool waiting = false;
    std::unique_ptr<ServerObject> server;
    std::unique_ptr<QDBusServiceWatcher> peers;

    HSZ createString(const std::string& text) {
        for (auto& [handle, entry] : strings) {
            if (sameDdeName(entry.text, text)) {
                ++entry.references;
                return handle;
            }
        }
        const HSZ handle = nextString++;
        strings[handle] = StringEntry{text, 1};
        return handle;
    }
    bool freeString(HSZ handle) {
        auto it = strings.find(handle);
        if (it == strings.end()) {
            return false;
        }
        if (--it->second.references <= 0) {
            strings.erase(it);
        }
        return true;
    }
    std::string text(HSZ handle) const {
        auto it = strings.find(handle);
        return it == strings.end() ? std::string() : it->second.text;
    }
    void dropConversation(HCONV handle) {
        auto it = conversations.find(handle);
        if (it != conversations.end()) {
            freeString(it->second.service);
            freeString(it->second.topic);
            conversations.erase(it);
        }
    }

    /// Sends a call and waits for its answer with the event loop running and commands blocked.
    std::optional<QDBusMessage> call(const QDBusMessage& message, DWORD timeoutMs) {
        if (waiting) {
            lastError = DMLERR_REENTRANCY;
            return std::nullopt;
        }
        QDBusPendingCall pending = bus.asyncCall(message, static_cast<int>(timeoutMs));
        if (!pending.isFinished()) {
            QDBusPendingCallWatcher watcher(pending);
            QEventLoop loop;
            QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
            const CommandBlock block;
            waiting = true;
            loop.exec();
            waiting = false;
        }
        return pending.reply();
    }
};

// Normally one; tests start several programs in one process.
std::map<DWORD, std::unique_ptr<Instance>> g_instances;
DWORD g_lastInstanceId = 0;

Instance* instanceFor(DWORD id) {
    auto it = g_instances.find(id);
    return it == g_instances.end() ? nullptr : it->second.get();
}

Instance* instanceOf(HCONV conversation) {
    for (auto& [id, in] : g_instances) {
        if (in->conversations.count(conversation) != 0) {
            return in.get();
        }
    }
    return nullptr;
}

QDBusMessage methodCall(const QString& busName, const char* method) {
    QDBusMessage message = QDBusMessage::createMethodCall(busName, QString::fromLatin1(kObjectPath),
                                                          QString::fromLatin1(kInterface), QString::fromLatin1(method));
    message.setAutoStartService(false);
    return message;
}

QDBusMessage ddeError(const QDBusMessage& message, DWORD error) {
    return message.createErrorReply(QString::fromLatin1(kErrorPrefix) + QString::fromStdString(wireErrorName(error)),
                                    QString::fromStdString(errorText(error)));
}

QString ServerObject::introspect(const QString&) const {
    return QStringLiteral(
        "<interface name=\"org.orvel.quorvane.dde.Server\">"
        "<method name=\"Connect\"><arg direction=\"in\" type=\"s\" name=\"service\"/>"
        "<arg direction=\"in\" type=\"s\" name=\"topic\"/><arg direction=\"out\" type=\"t\" name=\"conversation\"/>"
        "</method>"
        "<method name=\"Request\"><arg direction=\"in\" type=\"t\" name=\"conversation\"/>"
        "<arg direction=\"in\" type=\"ay\" name=\"item\"/><arg direction=\"out\" type=\"ay\" name=\"data\"/></method>"
        "<method name=\"Poke\"><arg direction=\"in\" type=\"t\" name=\"conversation\"/>"
        "<arg direction=\"in\" type=\"ay\" name=\"item\"/><arg direction=\"in\" type=\"ay\" name=\"data\"/>"
        "<arg direction=\"out\" type=\"u\" name=\"status\"/></method>"
        "<method name=\"Disconnect\"><arg direction=\"in\" type=\"t\" name=\"conversation\"/></method>"
        "</interface>");
}

bool ServerObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    Instance& in = m_instance;
    const ServerCall call = readServerCall(message.member(), message.signature(), message.arguments());
    auto reply = [&](const QDBusMessage& answer) {
        if (!message.isReplyRequired() && answer.type() != QDBusMessage::ErrorMessage) {
            return;
        }
        connection.send(answer);
    };
    // A conversation this caller opened with the program's server.
    auto conversationOf = [&](std::uint64_t id) -> Conversation* {
        auto it = in.conversations.find(id);
        if (it == in.conversations.end() || it->second.client || it->second.peer != message.service()) {
            return nullptr;
        }
        return &it->second;
    };

    switch (call.kind) {
        case ServerCall::Kind::Unknown:
            return false;
        case ServerCall::Kind::BadArguments:
            reply(ddeError(message, DMLERR_INVALIDPARAMETER));
            return true;
        case ServerCall::Kind::Connect: {
            std::uint64_t id = 0;
            if (call.service && call.topic && in.callback) {
                const HSZ serviceHandle = in.createString(*call.service);
                const HSZ topicHandle = in.createString(*call.topic);
                if (in.callback(XTYP_CONNECT, 0, topicHandle, serviceHandle, {}).value != 0) {
                    id = g_nextConversation++;
                    in.conversations[id] = Conversation{false, message.service(), 0, serviceHandle, topicHandle};
                    if (in.peers) {
                        in.peers->addWatchedService(message.service());
                    }
                } else {
                    in.freeString(serviceHandle);
                    in.freeString(topicHandle);
                }
            }
            reply(message.createReply(QVariant::fromValue<qulonglong>(id)));
            if (id != 0) {
                const Conversation& c = in.conversations[id];
                in.callback(XTYP_CONNECT_CONFIRM, id, c.topic, c.service, {});
            }
            return true;
        }
        case ServerCall::Kind::Request:
        case ServerCall::Kind::Poke: {
            const bool poke = call.kind == ServerCall::Kind::Poke;
            const Conversation* c = conversationOf(call.conversation);
            if (!c || !in.callback) {
                reply(ddeError(message, DMLERR_NO_CONV_ESTABLISHED));
                return true;
            }
            const HSZ item = in.createString(call.item);
            const CallbackResult result =
                in.callback(poke ? XTYP_POKE : XTYP_REQUEST, call.conversation, c->topic, item, call.data);
            in.freeString(item);
            if (poke) {
                reply(message.createReply(QVariant::fromValue<uint>(result.value)));
            } else if (result.data) {
                reply(message.createReply(bytes(*result.data)));
            } else {
                reply(ddeError(message, DMLERR_NOTPROCESSED));
            }
            return true;
        }
        case ServerCall::Kind::Disconnect:
            if (conversationOf(call.conversation)) {
                if (in.callback) {
                    in.callback(XTYP_DISCONNECT, call.conversation, 0, 0, {});
                }
                in.dropConversation(call.conversation);
            }
            reply(message.createReply());
            return true;
    }
    return false;
}

}  // namespace

QString sessionBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) {
        return address;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"))) {
        return QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    }
    return QString();
}

DWORD DdeInitialize(DWORD* instance, Callback callback, const QString& busAddress) {
    *instance = 0;
    const QString address = busAddress.isEmpty() ? sessionBusAddress() : busAddress;
    if (address.isEmpty()) {
        return DMLERR_SYS_ERROR;
    }
    auto in = std::make_unique<Instance>();
    in->id = ++g_lastInstanceId;
    in->connectionName = QStringLiteral("quorvane-dde-%1").arg(in->id);
    in->bus = QDBusConnection::connectToBus(address, in->connectionName);
    if (!in->bus.isConnected()) {
        QDBusConnection::disconnectFromBus(in->connectionName);
        return DMLERR_SYS_ERROR;
    }
    in->callback = std::move(callback);
    in->server = std::make_unique<ServerObject>(*in);
    in->bus.registerVirtualObject(QString::fromLatin1(kObjectPath), in->server.get());
    // A partner that leaves the bus ends the conversations it opened with the program's server.
    in->peers = std::make_unique<QDBusServiceWatcher>(QString(), in->bus, QDBusServiceWatcher::WatchForUnregistration);
    Instance* raw = in.get();
    QObject::connect(in->peers.get(), &QDBusServiceWatcher::serviceUnregistered, in->peers.get(),
                     [raw](const QString& peer) {
                         std::vector<HCONV> gone;
                         for (const auto& [handle, c] : raw->conversations) {
                             if (!c.client && c.peer == peer) {
                                 gone.push_back(handle);
                             }
                         }
                         for (HCONV handle : gone) {
                             if (raw->callback) {
                                 raw->callback(XTYP_DISCONNECT, handle, 0, 0, {});
                             }
                             raw->dropConversation(handle);
                         }
                         raw->peers->removeWatchedService(peer);
                     });
    *instance = in->id;
    g_instances[in->id] = std::move(in);
    return DMLERR_NO_ERROR;
}

bool DdeUninitialize(DWORD instance) {
    Instance* in = instanceFor(instance);
    if (!in) {
        return false;
    }
    in->peers.reset();
    in->bus.unregisterObject(QString::fromLatin1(kObjectPath));
    const QString name = in->connectionName;
    g_instances.erase(instance);
    QDBusConnection::disconnectFromBus(name);
    return true;
}

DWORD DdeGetLastError(DWORD instance) {
    Instance* in = instanceFor(instance);
    if (!in) {
        return DMLERR_DLL_NOT_INITIALIZED;
    }
    const DWORD error = in->lastError;
    in->lastError = DMLERR_NO_ERROR;
    return error;
}

HSZ DdeCreateStringHandle(DWORD instance, const std::string& text) {
    Instance* in = instanceFor(instance);
    if (!in) {
        return 0;
    }
    return in->createString(text);
}

bool DdeFreeStringHandle(DWORD instance, HSZ handle) {
    Instance* in = instanceFor(instance);
    return in && in->freeString(handle);
}

std::string DdeQueryString(DWORD instance, HSZ handle) {
    Instance* in = instanceFor(instance);
    return in ? in->text(handle) : std::string();
}

bool DdeNameService(DWORD instance, HSZ service, NameServiceCommand command) {
    Instance* in = instanceFor(instance);
    if (!in) {
        return false;
    }
    const QString busName = QString::fromStdString(busNameForService(in->text(service)));
    if (busName.isEmpty() || !in->bus.interface()) {
        in->lastError = DMLERR_INVALIDPARAMETER;
        return false;
    }
    if (command == DNS_REGISTER) {
        // Another copy of the program may hold the name already; this one then waits in line for it.
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = in->bus.interface()->registerService(
            busName, QDBusConnectionInterface::QueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid()) {
            in->lastError = DMLERR_SYS_ERROR;
            return false;
        }
        return true;
    }
    const QDBusReply<bool> reply = in->bus.interface()->unregisterService(busName);
    if (!reply.isValid()) {
        in->lastError = DMLERR_SYS_ERROR;
        return false;
    }
    return true;
}

HCONV DdeConnect(DWORD instance, HSZ service, HSZ topic) {
    Instance* in = instanceFor(instance);
    if (!in) {
        return 0;
    }
    const std::string serviceName = in->text(service);
    const std::string topicName = in->text(topic);
    const QString busName = QString::fromStdString(busNameForService(serviceName));
    if (busName.isEmpty() || topicName.empty()) {
        in->lastError = DMLERR_NO_CONV_ESTABLISHED;
        return 0;
    }
    QDBusMessage message = methodCall(busName, "Connect");
    message << nameOnWire(serviceName) << nameOnWire(topicName);
    const std::optional<QDBusMessage> reply = in->call(message, kDefaultTimeout);
    if (!reply) {
        return 0;
    }
    const std::uint64_t remote = readConnectAnswer(reply->type() == QDBusMessage::ReplyMessage, reply->signature(),
                                                   reply->arguments());
    if (remote == 0) {
        in->lastError = DMLERR_NO_CONV_ESTABLISHED;
        return 0;
    }
    const HCONV handle = g_nextConversation++;
    in->conversations[handle] =
        Conversation{true, busName, remote, in->createString(serviceName), in->createString(topicName)};
    return handle;
}

bool DdeDisconnect(HCONV conversation) {
    Instance* in = instanceOf(conversation);
    if (!in) {
        return false;
    }
    auto it = in->conversations.find(conversation);
    if (it == in->conversations.end()) {
        in->lastError = DMLERR_NO_CONV_ESTABLISHED;
        return false;
    }
    if (it->second.client) {
        // Nothing comes back: the partner forgets the conversation, whether or not it is still there.
        QDBusMessage message = methodCall(it->second.peer, "Disconnect");
        message << QVariant::fromValue<qulonglong>(it->second.remote);
        in->bus.send(message);
    }
    in->dropConversation(conversation);
    return true;
}

std::optional<std::string> DdeClientTransaction(const std::string& data, HCONV conversation, HSZ item,
                                                TransactionType type, DWORD timeoutMs) {
    Instance* in = instanceOf(conversation);
    if (!in) {
        return std::nullopt;
    }
    auto it = in->conversations.find(conversation);
    if (!it->second.client || (type != XTYP_REQUEST && type != XTYP_POKE)) {
        in->lastError = DMLERR_INVALIDPARAMETER;
        return std::nullopt;
    }
    QDBusMessage message = methodCall(it->second.peer, type == XTYP_POKE ? "Poke" : "Request");
    message << QVariant::fromValue<qulonglong>(it->second.remote) << bytes(in->text(item));
    if (type == XTYP_POKE) {
        message << bytes(data);
    }
    const std::optional<QDBusMessage> reply = in->call(message, timeoutMs);
    if (!reply) {
        return std::nullopt;
    }
    TransactionAnswer answer = readTransactionAnswer(type, reply->type() == QDBusMessage::ReplyMessage,
                                                     reply->errorName(), reply->signature(), reply->arguments());
    if (!answer.data) {
        in->lastError = answer.error;
    }
    return answer.data;
}

}  // namespace dde
