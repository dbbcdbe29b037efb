#pragma once
// What the Secret Service needs of the open card documents. The window implements it over its
// documents (ui/secrets); the service never sees a document, a view or a dialog itself.

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class CardStore;

namespace secrets {

enum class Consent { Allow, AlwaysAllow, Deny };

class SecretDocuments : public QObject {
    Q_OBJECT

public:
    using Key = quintptr;  // one open document, for as long as it is open

    struct Document {
        Key key = 0;
        QString name;  // the file's name without its folder
        bool locked = false;
    };

    using QObject::QObject;

    /// The open encrypted documents, in the order they were opened. Plain documents are never listed.
    virtual QList<Document> documents() const = 0;
    /// The document the alias "default" names: the one chosen in the preferences, else the first.
    virtual Key defaultDocument() const = 0;
    /// The cards of an unlocked document; nullptr when it is locked or closed.
    virtual CardStore* cards(Key key) = 0;
    /// Cards of the document were added, changed or removed through cards(): it is modified now, and
    /// its windows show the change.
    virtual void cardsChanged(Key key) = 0;
    /// The category (0-14) new items are filed in, and the date format for their date.
    virtual int itemCategory() const = 0;
    virtual int dateFormat() const = 0;
    /// Shows the window's unlock dialog for each locked document among `keys`; `done` gets true when
    /// all of them are unlocked, false when the person cancelled.
    virtual void unlock(const QList<Key>& keys, std::function<void(bool)> done) = 0;
    virtual void lock(Key key) = 0;
    /// Asks the person whether `program` may have the password of the card `cardName`.
    virtual void askConsent(const QString& program, const QString& cardName, std::function<void(Consent)> done) = 0;

signals:
    /// A document was opened, closed, locked or unlocked, or the default changed.
    void documentsChanged();
};

}  // namespace secrets
