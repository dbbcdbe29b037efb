#pragma once
// org.freedesktop.secrets: the Secret Service for other programs, over the open encrypted documents.
// One virtual object answers for every path under /org/freedesktop/secrets: the service, a collection
// per document (and the alias "default"), an item per card that carries an item record, the sessions
// and the prompts.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QMap>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>

#include "secrets/ItemRecord.h"
#include "secrets/SecretDocuments.h"
#include "secrets/SecretTypes.h"
#include "secrets/SessionCrypto.h"

struct Card;
class QDBusServiceWatcher;

namespace secrets {

/// "PROGRAM (process PID)" of whoever holds org.freedesktop.secrets on the bus other than this
/// connection; empty when nobody does, or we do.
QString describeOtherNameOwner(const QDBusConnection& connection);

class SecretService : public QDBusVirtualObject {
    Q_OBJECT

public:
    SecretService(SecretDocuments& documents, QDBusConnection connection, QObject* parent = nullptr);
    ~SecretService() override;

    /// Registers the objects and asks for the name without taking it from anyone. False when another
    /// program holds it; ownerDescription() then says which.
    bool start();
    /// Only the objects, without the name: for a peer-to-peer connection (the fuzz target), which
    /// has no bus to own names on.
    bool registerObjects();
    void stop();
    bool isRunning() const { return m_running; }
    /// "PROGRAM (process PID)" of whoever holds the name now; empty when nobody does.
    QString ownerDescription() const;

    /// Answers one call; the fuzz target hands messages here directly. A reply goes out through the
    /// connection given at construction.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

    /// The executable that sent a message (from its process id), cached per bus name. Replaceable
    /// for tests.
    std::function<QString(const QString& busName)> programOf;

signals:
    /// A program was handed the secret of an item (its executable; the item's path).
    void secretHandedOut(const QString& program, const QString& itemPath);

private:
    struct Session {
        QString owner;                      // the client's unique bus name
        std::shared_ptr<DhSession> crypto;  // nullptr for "plain"
    };
    struct Prompt {
        QString owner;
        std::function<void(quint64 id)> run;  // Prompt(): shows the window's question
    };
    struct ItemRef {  // where an item's card is
        SecretDocuments::Key document = 0;
        int category = -1;
        int position = -1;
        Card* card = nullptr;
        ItemRecord record;
    };
    struct Target {  // what a path names
        enum Kind { None, Service, Collection, Item, Session, Prompt } kind = None;
        SecretDocuments::Key document = 0;
        quint64 id = 0;
    };

    Target resolve(const QString& path) const;
    QString collectionPath(SecretDocuments::Key key) const;
    QString itemPath(SecretDocuments::Key key, quint64 id) const;
    QString collectionName(SecretDocuments::Key key) const;
    void refreshDocuments();
    std::optional<ItemRef> findItem(SecretDocuments::Key key, quint64 id);
    QList<ItemRef> itemsOf(SecretDocuments::Key key);
    bool isLocked(SecretDocuments::Key key) const;
    QVariant collectionProperty(SecretDocuments::Key key, const QString& name);
    QVariant itemProperty(const ItemRef& item, const QString& name);
    QVariantMap properties(const Target& target, const QString& interface);

    // Calls by object, each answering the message itself.
    void serviceCall(const QDBusMessage& message);
    void collectionCall(const Target& target, const QDBusMessage& message);
    void itemCall(const Target& target, const QDBusMessage& message);
    void propertiesCall(const Target& target, const QDBusMessage& message);
    void openSession(const QDBusMessage& message);
    void searchItems(const QDBusMessage& message, const Attributes& query, std::optional<SecretDocuments::Key> only);
    void unlockCall(const QDBusMessage& message);
    void lockCall(const QDBusMessage& message);
    void getSecrets(const QDBusMessage& message);
    void createItem(const Target& target, const QDBusMessage& message);
    void setSecret(const Target& target, const QDBusMessage& message);
    void deleteItem(const Target& target, const QDBusMessage& message);

    // Secrets in and out of a session.
    std::optional<SecretValue> seal(const QString& sessionPath, const QByteArray& secret, const QString& type) const;
    std::optional<QByteArray> open(const SecretValue& secret, const QString& sender, QString* error) const;
    // Asks whether the sender's program may read each item, one after the other, then calls `done`
    // with the items it may.
    void withConsent(const QString& sender, QList<QPair<SecretDocuments::Key, quint64>> items,
                     std::function<void(QList<QPair<SecretDocuments::Key, quint64>>)> done);
    bool mayRead(const QString& program, const ItemRef& item) const;

    QString newPrompt(const QString& owner, std::function<void(quint64 id)> run);
    void completePrompt(quint64 id, bool dismissed, const QVariant& result);
    void writeItem(ItemRef& item, const ItemRecord& record);
    void emitSignal(const QString& path, const char* interface, const char* name, const QVariantList& arguments);
    void propertiesChanged(const QString& path, const char* interface, const QStringList& names);
    void reply(const QDBusMessage& message, const QVariantList& arguments);
    void error(const QDBusMessage& message, const QString& name, const QString& text);
    void forgetClient(const QString& busName);

    SecretDocuments& m_documents;
    QDBusConnection m_connection;
    QDBusServiceWatcher* m_clients = nullptr;
    bool m_running = false;
    bool m_registeredObject = false;
    // A search that met a locked document answers with that document's placeholder item (number 0);
    // once unlocked, the placeholder stands for the first item matching the client's last search there.
    QHash<QString, Attributes> m_lockedSearches;  // "bus name|document key" -> query
    std::optional<ItemRef> placeholderItem(const QString& sender, SecretDocuments::Key key);
    QHash<SecretDocuments::Key, QString> m_names;  // collection names, kept while a document stays open
    QList<SecretDocuments::Key> m_known;           // the documents last seen, for the signals
    QHash<SecretDocuments::Key, bool> m_locked;    // and whether each was locked
    QHash<quint64, Session> m_sessions;
    QHash<quint64, Prompt> m_prompts;
    quint64 m_nextSession = 1;
    quint64 m_nextPrompt = 1;
    QHash<QString, QString> m_programs;  // bus name -> executable
    // Answers given for this run: (program, document, item) -> allowed.
    QHash<QString, bool> m_answers;
    bool m_asking = false;
    QList<std::function<void()>> m_waiting;  // consent questions waiting for the one on screen
};

}  // namespace secrets
