// Fuzzes the calls other programs make to the Secret Service, sent over a real (peer-to-peer) D-Bus
// connection so that they arrive as the service reads them from the wire. An input is a list of
// calls: for each, a byte picks the path (the service, a collection by name or by alias, an item,
// the placeholder of the locked document, a session, a prompt, or a path of the input's own), a
// byte the method (every method of every interface, Properties, and unknown ones), a byte how many
// arguments, and per argument a byte for its type (s, o, ay, b, u, a{ss}, a{sv}, v, ao, the secret
// struct) and its bytes. The person's answers (unlock, consent) come from the input too.
//
// Every call gets an answer, a reply or an error, never silence; and the person's own card (no item
// record) is never changed by any call, nor does it ever gain a record.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServer>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QThread>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cardstore/CardStore.h"
#include "cardstore/Categories.h"
#include "secrets/ItemRecord.h"
#include "secrets/SecretDocuments.h"
#include "secrets/SecretService.h"

namespace {

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool done() const { return at >= size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    QByteArray bytes() {
        const std::size_t wanted = byte() % 48;  // read before what is left is counted
        const std::size_t n = std::min<std::size_t>(wanted, size - std::min(at, size));
        QByteArray out(reinterpret_cast<const char*>(data + at), qsizetype(n));
        at += n;
        return out;
    }
    QString text() { return QString::fromUtf8(bytes()); }
};

Input* g_input = nullptr;

// Two documents: "open" (one item a program stored, the person's own card) and "shut" (locked).
class FakeDocuments : public secrets::SecretDocuments {
public:
    FakeDocuments() { reset(); }
    void reset() {
        store.clear();
        auto own = std::make_unique<Card>();
        own->firstField = "mine";
        own->fourthField = "person-secret";
        own->note = "my note";
        own->categoryId = 0;
        store.GetCategoryList(0)->AddCard(std::move(own));
        auto item = std::make_unique<Card>();
        item->firstField = "stored";
        item->fourthField = "program-secret";
        secrets::ItemRecord record;
        record.id = 1;
        record.creator = QStringLiteral("/usr/bin/other");
        record.attributes = {{"service", "git"}};
        item->note = secrets::recordLine(record);
        item->categoryId = 14;
        store.GetCategoryList(14)->AddCard(std::move(item));
        shutLocked = true;
    }
    QList<Document> documents() const override {
        return {Document{1, QStringLiteral("open.qve"), false}, Document{2, QStringLiteral("shut.qve"), shutLocked}};
    }
    Key defaultDocument() const override { return 1; }
    CardStore* cards(Key key) override {
        if (key == 1)
            return &store;
        return key == 2 && !shutLocked ? &shutStore : nullptr;
    }
    void cardsChanged(Key) override {}
    int itemCategory() const override { return 14; }
    int dateFormat() const override { return 0; }
    void unlock(const QList<Key>&, std::function<void(bool)> done) override {
        const bool ok = g_input && g_input->byte() % 2 == 0;
        if (ok)
            shutLocked = false;
        done(ok);
    }
    void lock(Key key) override {
        if (key == 2)
            shutLocked = true;
    }
    void askConsent(const QString&, const QString&, std::function<void(secrets::Consent)> done) override {
        const int answer = g_input ? g_input->byte() % 3 : 2;
        done(answer == 0   ? secrets::Consent::Allow
             : answer == 1 ? secrets::Consent::AlwaysAllow
                           : secrets::Consent::Deny);
    }

    CardStore store;
    CardStore shutStore;
    bool shutLocked = true;
};

struct World {
    QTemporaryDir dir;
    std::unique_ptr<QDBusServer> server;
    FakeDocuments documents;
    std::unique_ptr<secrets::SecretService> service;
    QDBusConnection client{QStringLiteral("none")};
};

World* world() {
    static World* w = [] {
        auto* made = new World;
        made->server = std::make_unique<QDBusServer>(QStringLiteral("unix:dir=") + made->dir.path());
        QObject::connect(made->server.get(), &QDBusServer::newConnection, made->server.get(),
                         [made](const QDBusConnection& connection) {
                             made->service = std::make_unique<secrets::SecretService>(made->documents, connection);
                             made->service->programOf = [](const QString&) {
                                 return QStringLiteral("/usr/bin/fuzzer");
                             };
                             made->service->registerObjects();
                         });
        made->client = QDBusConnection::connectToPeer(made->server->address(), QStringLiteral("fuzz-client"));
        // The server hears of the client once the connection's handshake is through, on its own thread.
        for (int i = 0; i < 5000 && !made->service; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        if (!made->client.isConnected() || !made->service) {
            std::fprintf(
                stderr, "fuzz_secret_service: no peer-to-peer connection (server %d %s, client %d %s, service %d)\n",
                made->server->isConnected(), qPrintable(made->server->lastError().message()),
                made->client.isConnected(), qPrintable(made->client.lastError().message()), bool(made->service));
            std::abort();
        }
        return made;
    }();
    return w;
}

const char* const kPaths[] = {
    "/org/freedesktop/secrets",
    "/org/freedesktop/secrets/aliases/default",
    "/org/freedesktop/secrets/collection/open",
    "/org/freedesktop/secrets/collection/open/1",
    "/org/freedesktop/secrets/collection/shut",
    "/org/freedesktop/secrets/collection/shut/0",
    "/org/freedesktop/secrets/session/1",
    "/org/freedesktop/secrets/prompt/1",
    "/org/freedesktop/secrets/collection/open/0",
    "/org/freedesktop/secrets/aliases/default/1",
};

const char* const kMethods[][2] = {
    {"org.freedesktop.Secret.Service", "OpenSession"},
    {"org.freedesktop.Secret.Service", "SearchItems"},
    {"org.freedesktop.Secret.Service", "Unlock"},
    {"org.freedesktop.Secret.Service", "Lock"},
    {"org.freedesktop.Secret.Service", "GetSecrets"},
    {"org.freedesktop.Secret.Service", "ReadAlias"},
    {"org.freedesktop.Secret.Service", "SetAlias"},
    {"org.freedesktop.Secret.Service", "CreateCollection"},
    {"org.freedesktop.Secret.Collection", "CreateItem"},
    {"org.freedesktop.Secret.Collection", "SearchItems"},
    {"org.freedesktop.Secret.Collection", "Delete"},
    {"org.freedesktop.Secret.Item", "GetSecret"},
    {"org.freedesktop.Secret.Item", "SetSecret"},
    {"org.freedesktop.Secret.Item", "Delete"},
    {"org.freedesktop.Secret.Session", "Close"},
    {"org.freedesktop.Secret.Prompt", "Prompt"},
    {"org.freedesktop.Secret.Prompt", "Dismiss"},
    {"org.freedesktop.DBus.Properties", "Get"},
    {"org.freedesktop.DBus.Properties", "GetAll"},
    {"org.freedesktop.DBus.Properties", "Set"},
    {"org.freedesktop.DBus.Introspectable", "Introspect"},
    {"", "SearchItems"},
    {"org.example.Nothing", "Nothing"},
};

QVariant argument(Input& in, int depth = 0) {
    switch (in.byte() % 11) {
        case 0:
            return in.text();
        case 1: {
            const std::uint8_t pick = in.byte();
            return QVariant::fromValue(QDBusObjectPath(
                pick < 200 ? QString::fromLatin1(kPaths[pick % std::size(kPaths)]) : QStringLiteral("/")));
        }
        case 2:
            return in.bytes();
        case 3:
            return bool(in.byte() & 1);
        case 4:
            return uint(in.byte());
        case 5: {
            QMap<QString, QString> map;
            for (int n = in.byte() % 4; n > 0; --n)
                map.insert(in.byte() % 2 ? QStringLiteral("service") : in.text(),
                           in.byte() % 2 ? QStringLiteral("git") : in.text());
            return QVariant::fromValue(map);
        }
        case 6: {
            QVariantMap map;
            for (int n = in.byte() % 3; n > 0 && depth < 2; --n) {
                const QString key = in.byte() % 2 ? QStringLiteral("org.freedesktop.Secret.Item.Label")
                                                  : QStringLiteral("org.freedesktop.Secret.Item.Attributes");
                map.insert(key, argument(in, depth + 1));
            }
            return map;
        }
        case 7:
            return depth < 2 ? QVariant::fromValue(QDBusVariant(argument(in, depth + 1))) : QVariant(in.text());
        case 8: {
            QList<QDBusObjectPath> paths;
            for (int n = in.byte() % 3; n > 0; --n)
                paths.append(QDBusObjectPath(QString::fromLatin1(kPaths[in.byte() % std::size(kPaths)])));
            return QVariant::fromValue(paths);
        }
        case 9: {
            secrets::SecretValue secret;
            secret.session = QDBusObjectPath(QString::fromLatin1(kPaths[in.byte() % 2 ? 6 : 0]));
            secret.parameters = in.bytes();
            secret.value = in.bytes();
            secret.contentType = in.text();
            return QVariant::fromValue(secret);
        }
        default:
            return QString::fromLatin1("plain");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_LOGGING_RULES", "*.warning=false");
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    World* w = world();
    w->documents.reset();
    Input in{data, size};
    g_input = &in;
    for (int call = 0; call < 16 && !in.done(); ++call) {
        const std::uint8_t pathByte = in.byte();
        const QString path = pathByte < 240 ? QString::fromLatin1(kPaths[pathByte % std::size(kPaths)])
                                            : QStringLiteral("/org/freedesktop/secrets/") + QString::number(in.byte());
        const auto& method = kMethods[in.byte() % std::size(kMethods)];
        QDBusMessage message = QDBusMessage::createMethodCall(QString(), path, QString::fromLatin1(method[0]),
                                                              QString::fromLatin1(method[1]));
        QVariantList arguments;
        for (int n = in.byte() % 5; n > 0; --n)
            arguments.append(argument(in));
        message.setArguments(arguments);
        const QDBusMessage reply = w->client.call(message, QDBus::BlockWithGui, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage && reply.type() != QDBusMessage::ErrorMessage) {
            std::fprintf(stderr, "no answer to %s.%s on %s\n", method[0], method[1], qPrintable(path));
            std::abort();
        }
        if (reply.type() == QDBusMessage::ErrorMessage &&
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
            std::fprintf(stderr, "no answer to %s.%s on %s\n", method[0], method[1], qPrintable(path));
            std::abort();
        }
        const Card* own = w->documents.store.GetCategoryList(0)->GetCardAt(0);
        if (!own || own->firstField != "mine" || own->fourthField != "person-secret" || own->note != "my note") {
            std::fprintf(stderr, "the person's own card was changed by %s.%s\n", method[0], method[1]);
            std::abort();
        }
    }
    g_input = nullptr;
    return 0;
}
