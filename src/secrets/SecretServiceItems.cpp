// Collections and items: storing, changing, reading and deleting the cards behind them, the secret
// through its session, and the person's consent for a program reading another's item.
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QPointer>

#include "cardstore/CardOperations.h"
#include "cardstore/CardStore.h"
#include "common/Win1252.h"
#include "secrets/SecretService.h"

namespace secrets {

namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
const QString kNoSession = QStringLiteral("org.freedesktop.Secret.Error.NoSession");
const QString kNoSuchObject = QStringLiteral("org.freedesktop.Secret.Error.NoSuchObject");
const QString kIsLocked = QStringLiteral("org.freedesktop.Secret.Error.IsLocked");
constexpr char kLabelProperty[] = "org.freedesktop.Secret.Item.Label";
constexpr char kAttributesProperty[] = "org.freedesktop.Secret.Item.Attributes";
// The longest secret a card takes: its base64 must fit a card's text.
constexpr qsizetype kMaxSecretBytes = qsizetype(kMaxTextBytes / 4 * 3);

QDBusObjectPath noPrompt() {
    return QDBusObjectPath(QStringLiteral("/"));
}

}  // namespace

std::optional<SecretValue> SecretService::seal(const QString& sessionPath, const QByteArray& secret,
                                               const QString& type) const {
    const Target target = resolve(sessionPath);
    if (target.kind != Target::Session)
        return std::nullopt;
    SecretValue value{QDBusObjectPath(sessionPath), {}, secret, type.isEmpty() ? QStringLiteral("text/plain") : type};
    const Session& session = m_sessions.find(target.id).value();
    if (session.crypto) {
        const auto sealed = session.crypto->encrypt(Bytes(secret.begin(), secret.end()));
        if (!sealed)
            return std::nullopt;
        value.parameters = QByteArray(reinterpret_cast<const char*>(sealed->iv.data()), qsizetype(sealed->iv.size()));
        value.value =
            QByteArray(reinterpret_cast<const char*>(sealed->cipherText.data()), qsizetype(sealed->cipherText.size()));
    }
    return value;
}

std::optional<QByteArray> SecretService::open(const SecretValue& secret, const QString& sender, QString* why) const {
    const Target target = resolve(secret.session.path());
    if (target.kind != Target::Session || m_sessions.value(target.id).owner != sender) {
        *why = QStringLiteral("No such session: %1").arg(secret.session.path());
        return std::nullopt;
    }
    const Session& session = m_sessions.find(target.id).value();
    if (!session.crypto)
        return secret.value;
    const auto plain = session.crypto->decrypt(Bytes(secret.parameters.begin(), secret.parameters.end()),
                                               Bytes(secret.value.begin(), secret.value.end()));
    if (!plain) {
        *why = QStringLiteral("The secret does not decipher under its session's key.");
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(plain->data()), qsizetype(plain->size()));
}

bool SecretService::mayRead(const QString& program, const ItemRef& item) const {
    return !program.isEmpty() && (program == item.record.creator || item.record.allowed.contains(program));
}

void SecretService::withConsent(const QString& sender, QList<QPair<SecretDocuments::Key, quint64>> items,
                                std::function<void(QList<QPair<SecretDocuments::Key, quint64>>)> done) {
    if (!m_programs.contains(sender)) {
        m_programs.insert(sender, programOf(sender));
        m_clients->addWatchedService(sender);
    }
    const QString program = m_programs.value(sender);
    auto allowed = std::make_shared<QList<QPair<SecretDocuments::Key, quint64>>>();
    auto step = std::make_shared<std::function<void(qsizetype)>>();
    std::weak_ptr<std::function<void(qsizetype)>> weakStep = step;
    QPointer<SecretService> self(this);
    *step = [self, weakStep, items, allowed, done, program](qsizetype i) {
        auto next = weakStep.lock();
        if (!self || !next)
            return;
        for (; i < items.size(); ++i) {
            const auto item = self->findItem(items[i].first, items[i].second);
            if (!item)
                continue;
            const QString answerKey = program + QLatin1Char('|') + QString::number(items[i].first) + QLatin1Char('|') +
                                      QString::number(items[i].second);
            if (self->mayRead(program, *item) || self->m_answers.value(answerKey, false)) {
                allowed->append(items[i]);
                continue;
            }
            if (self->m_answers.contains(answerKey))
                continue;  // denied earlier in this run
            const QString card = QString::fromStdString(win1252ToUtf8(item->card->firstField));
            auto ask = [self, next, items, allowed, program, card, answerKey, i]() {
                self->m_documents.askConsent(program.isEmpty() ? QStringLiteral("An unknown program") : program, card,
                                             [self, next, items, allowed, program, answerKey, i](Consent answer) {
                                                 if (!self)
                                                     return;
                                                 self->m_answers.insert(answerKey, answer != Consent::Deny);
                                                 if (answer != Consent::Deny)
                                                     allowed->append(items[i]);
                                                 if (answer == Consent::AlwaysAllow && !program.isEmpty()) {
                                                     if (auto item = self->findItem(items[i].first, items[i].second)) {
                                                         ItemRecord record = item->record;
                                                         record.allowed.append(program);
                                                         self->writeItem(*item, record);
                                                     }
                                                 }
                                                 self->m_asking = false;
                                                 (*next)(i + 1);
                                                 if (!self->m_asking && !self->m_waiting.isEmpty())
                                                     self->m_waiting.takeFirst()();
                                             });
            };
            // One question on screen at a time; the others wait their turn.
            if (self->m_asking) {
                self->m_waiting.append([self, ask]() {
                    self->m_asking = true;
                    ask();
                });
            } else {
                self->m_asking = true;
                ask();
            }
            return;
        }
        done(*allowed);
    };
    (*step)(0);
}

void SecretService::writeItem(ItemRef& item, const ItemRecord& record) {
    item.card->note = noteWithRecord(item.card->note, record);
    item.record = record;
    m_documents.cardsChanged(item.document);
    const QString path = itemPath(item.document, record.id);
    emitSignal(collectionPath(item.document), kCollectionInterface, "ItemChanged",
               {QVariant::fromValue(QDBusObjectPath(path))});
    propertiesChanged(path, kItemInterface,
                      {QStringLiteral("Label"), QStringLiteral("Attributes"), QStringLiteral("Modified")});
}

void SecretService::collectionCall(const Target& target, const QDBusMessage& message) {
    const QString member = message.member();
    const QString signature = message.signature();
    if (member == QLatin1String("SearchItems") && signature == QLatin1String("a{ss}")) {
        searchItems(message, qdbus_cast<QMap<QString, QString>>(message.arguments()[0]), target.document);
    } else if (member == QLatin1String("CreateItem") && signature == QLatin1String("a{sv}(oayays)b")) {
        createItem(target, message);
    } else if (member == QLatin1String("Delete") && signature.isEmpty()) {
        error(message, kAccessDenied, QStringLiteral("A document is closed in Quorvane, not by other programs."));
    } else {
        error(message, kUnknownMethod, QStringLiteral("Unknown method %1 (%2)").arg(member, signature));
    }
}

void SecretService::createItem(const Target& target, const QDBusMessage& message) {
    const QVariantMap properties = qdbus_cast<QVariantMap>(message.arguments()[0]);
    const SecretValue secret = qdbus_cast<SecretValue>(message.arguments()[1]);
    const bool replace = message.arguments()[2].toBool();
    const QVariant labelValue = properties.value(QLatin1String(kLabelProperty));
    const auto attributes = properties.contains(QLatin1String(kAttributesProperty))
                                ? attributesIn(properties.value(QLatin1String(kAttributesProperty)))
                                : std::optional<Attributes>(Attributes());
    if (!attributes || (labelValue.isValid() && labelValue.userType() != QMetaType::QString)) {
        error(message, kInvalidArgs, QStringLiteral("Label must be a string and Attributes a{ss}."));
        return;
    }
    QString why;
    const auto plain = open(secret, message.service(), &why);
    if (!plain) {
        error(message, kNoSession, why);
        return;
    }
    if (plain->size() > kMaxSecretBytes) {
        error(message, kInvalidArgs,
              QStringLiteral("A secret longer than %1 bytes does not fit a card.").arg(kMaxSecretBytes));
        return;
    }
    const SecretDocuments::Key document = target.document;
    const QString label = labelValue.toString();
    const QString sender = message.service();
    const QString contentType = secret.contentType == QLatin1String("text/plain") ? QString() : secret.contentType;
    QPointer<SecretService> self(this);
    auto store = [self, document, label, attributes, replace, sender, contentType, data = *plain]() -> QString {
        if (!self || self->isLocked(document))
            return {};
        CardStore* cards = self->m_documents.cards(document);
        if (!cards)
            return {};
        std::optional<ItemRef> existing;
        for (const ItemRef& item : self->itemsOf(document)) {
            if (replace && !existing && item.record.attributes == *attributes)
                existing = item;
        }
        if (!self->m_programs.contains(sender)) {
            self->m_programs.insert(sender, self->programOf(sender));
            self->m_clients->addWatchedService(sender);
        }
        ItemRecord record = existing ? existing->record : ItemRecord{};
        if (!existing) {
            record.id = nextItemId(*cards);
            record.creator = self->m_programs.value(sender);
        }
        record.attributes = *attributes;
        record.contentType = contentType;
        bool exact = true;
        std::string name = cardNameFor(label, exact);
        record.label = exact ? QString() : label;
        std::string field = passwordFieldFor(data, record.base64);
        if (existing) {
            existing->card->firstField = std::move(name);
            existing->card->fourthField = std::move(field);
            self->writeItem(*existing, record);
            return self->itemPath(document, record.id);
        }
        auto card = std::make_unique<Card>();
        card->firstField = std::move(name);
        card->fourthField = std::move(field);
        card->note = recordLine(record);
        addNewCard(*cards, self->m_documents.itemCategory(), std::move(card), self->m_documents.dateFormat());
        self->m_documents.cardsChanged(document);
        const QString path = self->itemPath(document, record.id);
        self->emitSignal(self->collectionPath(document), kCollectionInterface, "ItemCreated",
                         {QVariant::fromValue(QDBusObjectPath(path))});
        self->propertiesChanged(self->collectionPath(document), kCollectionInterface, {QStringLiteral("Items")});
        return path;
    };
    if (!isLocked(document)) {
        const QString path = store();
        reply(message, {QVariant::fromValue(QDBusObjectPath(path.isEmpty() ? QStringLiteral("/") : path)),
                        QVariant::fromValue(noPrompt())});
        return;
    }
    // A locked document: the prompt unlocks it in the window and then stores the item.
    const QString prompt = newPrompt(sender, [self, document, store](quint64 id) {
        self->m_documents.unlock({document}, [self, store, id](bool ok) {
            if (!self)
                return;
            const QString path = ok ? store() : QString();
            self->completePrompt(id, !ok || path.isEmpty(),
                                 QVariant::fromValue(QDBusObjectPath(path.isEmpty() ? "/" : path)));
        });
    });
    reply(message, {QVariant::fromValue(noPrompt()), QVariant::fromValue(QDBusObjectPath(prompt))});
}

void SecretService::itemCall(const Target& target, const QDBusMessage& message) {
    const QString member = message.member();
    const QString signature = message.signature();
    if (isLocked(target.document)) {
        error(message, kIsLocked, QStringLiteral("The document is locked: unlock it first."));
        return;
    }
    auto item =
        target.id == 0 ? placeholderItem(message.service(), target.document) : findItem(target.document, target.id);
    if (!item) {
        error(message, kNoSuchObject, QStringLiteral("No such item: %1").arg(message.path()));
        return;
    }
    if (member == QLatin1String("GetSecret") && signature == QLatin1String("o")) {
        const QString sessionPath = qdbus_cast<QDBusObjectPath>(message.arguments()[0]).path();
        const Target session = resolve(sessionPath);
        if (session.kind != Target::Session || m_sessions.value(session.id).owner != message.service()) {
            error(message, kNoSession, QStringLiteral("No such session: %1").arg(sessionPath));
            return;
        }
        message.setDelayedReply(true);
        QPointer<SecretService> self(this);
        const QPair<SecretDocuments::Key, quint64> wanted{target.document, item->record.id};
        withConsent(message.service(), {wanted}, [self, message, sessionPath, wanted](auto allowed) {
            if (!self)
                return;
            const auto found = self->findItem(wanted.first, wanted.second);
            if (!allowed.contains(wanted) || !found) {
                self->error(message, kAccessDenied, QStringLiteral("The person did not let this program have it."));
                return;
            }
            const QByteArray secret = secretFromPasswordField(found->card->fourthField, found->record.base64);
            const auto sealed = self->seal(sessionPath, secret, found->record.contentType);
            if (sealed) {
                self->m_connection.send(message.createReply(QVariant::fromValue(*sealed)));
                emit self->secretHandedOut(self->m_programs.value(message.service()), message.path());
            } else
                self->error(message, kNoSession, QStringLiteral("The session could not seal the secret."));
        });
    } else if (member == QLatin1String("SetSecret") && signature == QLatin1String("(oayays)")) {
        QString why;
        const SecretValue secret = qdbus_cast<SecretValue>(message.arguments()[0]);
        const auto plain = open(secret, message.service(), &why);
        if (!plain || plain->size() > kMaxSecretBytes) {
            error(message, plain ? kInvalidArgs : kNoSession, plain ? QStringLiteral("The secret is too long.") : why);
            return;
        }
        ItemRecord record = item->record;
        record.contentType = secret.contentType == QLatin1String("text/plain") ? QString() : secret.contentType;
        item->card->fourthField = passwordFieldFor(*plain, record.base64);
        writeItem(*item, record);
        reply(message, {});
    } else if (member == QLatin1String("Delete") && signature.isEmpty()) {
        const QString path = itemPath(target.document, item->record.id);
        // To the deleted cards, as Delete Card does; the merge and the file see an ordinary deletion.
        deleteCard(*m_documents.cards(target.document), item->category, item->position);
        m_documents.cardsChanged(target.document);
        reply(message, {QVariant::fromValue(noPrompt())});
        emitSignal(collectionPath(target.document), kCollectionInterface, "ItemDeleted",
                   {QVariant::fromValue(QDBusObjectPath(path))});
        propertiesChanged(collectionPath(target.document), kCollectionInterface, {QStringLiteral("Items")});
    } else {
        error(message, kUnknownMethod, QStringLiteral("Unknown method %1 (%2)").arg(member, signature));
    }
}

}  // namespace secrets
