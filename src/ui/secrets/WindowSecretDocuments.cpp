// The open documents behind the Secret Service.
#include "ui/secrets/WindowSecretDocuments.h"

#include <QFileInfo>
#include <QTimer>

#include "cardstore/Categories.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/MainFrame.h"

WindowSecretDocuments::WindowSecretDocuments(CMainFrame& frame) : secrets::SecretDocuments(&frame), m_frame(frame) {
    connect(&frame, &CMainFrame::cardDocumentCreated, this, &WindowSecretDocuments::follow);
}

void WindowSecretDocuments::follow(CQuorvaneDoc* document) {
    m_opened.append(document);
    auto changed = [this] { emit documentsChanged(); };
    connect(document, &CQuorvaneDoc::lockChanged, this, changed);
    connect(document, &CQuorvaneDoc::encryptionStateChanged, this, changed);
    connect(document, &CQuorvaneDoc::fileStored, this, changed);
    connect(document, &QObject::destroyed, this, [this] {
        m_opened.removeAll(nullptr);
        emit documentsChanged();
    });
}

CQuorvaneDoc* WindowSecretDocuments::find(Key key) const {
    for (const auto& document : m_opened)
        if (document && reinterpret_cast<Key>(document.data()) == key)
            return document;
    return nullptr;
}

QList<secrets::SecretDocuments::Document> WindowSecretDocuments::documents() const {
    QList<Document> list;
    for (const auto& document : m_opened) {
        // Only a document with a file that is kept encrypted; plain documents are never served.
        if (!document || document->GetPathName().isEmpty() || !document->IsEncrypted())
            continue;
        list.append(Document{reinterpret_cast<Key>(document.data()), QFileInfo(document->GetPathName()).fileName(),
                             document->isLocked()});
    }
    return list;
}

secrets::SecretDocuments::Key WindowSecretDocuments::defaultDocument() const {
    const QList<Document> list = documents();
    const QString chosen = QString::fromStdString(readSetting(m_frame.settings(), settings::kSecretServiceDefault));
    for (const Document& document : list)
        if (!chosen.isEmpty() && find(document.key)->GetPathName() == chosen)
            return document.key;
    return list.isEmpty() ? 0 : list.first().key;
}

CardStore* WindowSecretDocuments::cards(Key key) {
    CQuorvaneDoc* document = find(key);
    return document && !document->isLocked() && document->IsEncrypted() ? &document->store() : nullptr;
}

void WindowSecretDocuments::cardsChanged(Key key) {
    if (CQuorvaneDoc* document = find(key)) {
        document->SetModifiedFlag(true);
        document->UpdateAllViews(nullptr);
    }
}

int WindowSecretDocuments::itemCategory() const {
    const int category = readSetting(m_frame.settings(), settings::kSecretServiceCategory);
    return category >= 0 && category < kCategoryCount ? category : settings::kSecretServiceCategory.defaultValue;
}

int WindowSecretDocuments::dateFormat() const {
    return readSetting(m_frame.settings(), settings::kDateFormat);
}

void WindowSecretDocuments::unlock(const QList<Key>& keys, std::function<void(bool)> done) {
    m_unlocks.append({keys, std::move(done)});
    // After the call that asked has been answered: the dialog runs a loop of its own.
    QTimer::singleShot(0, this, &WindowSecretDocuments::runUnlocks);
}

// One Unlock dialog at a time: programs that ask together while a document is locked (two lookups
// at once) wait for the first answer, and find the document open then instead of a second dialog.
void WindowSecretDocuments::runUnlocks() {
    if (m_unlocking)
        return;
    QPointer<WindowSecretDocuments> self(this);
    m_unlocking = true;
    while (self && !m_unlocks.isEmpty()) {
        const UnlockRequest request = m_unlocks.takeFirst();
        // Asked again after a wrong password, until the right one or Cancel.
        bool all = true;
        for (Key key : request.keys) {
            CQuorvaneDoc* document = find(key);
            bool cancelled = false;
            while (document && document->isLocked() && !document->unlock(&cancelled) && !cancelled) {
                if (!self)
                    return;
                document = find(key);  // the dialog's loop may have closed it meanwhile
            }
            if (!self)
                return;
            if (!document || document->isLocked()) {
                all = false;
                break;
            }
        }
        m_frame.updateCommandStates();
        request.done(all);
    }
    if (self)
        m_unlocking = false;
}

void WindowSecretDocuments::lock(Key key) {
    if (CQuorvaneDoc* document = find(key))
        document->lock();
}

void WindowSecretDocuments::askConsent(const QString& program, const QString& cardName,
                                       std::function<void(secrets::Consent)> done) {
    QPointer<WindowSecretDocuments> self(this);
    QTimer::singleShot(0, this, [self, program, cardName, done] {
        if (!self)
            return;
        const int answer =
            guiPrompter().choose(QStringLiteral("%1 wants the password of %2.").arg(program, cardName),
                                 {QStringLiteral("Allow"), QStringLiteral("Always Allow"), QStringLiteral("Deny")}, 2,
                                 2, QStringLiteral("Secret Service"));
        done(answer == 0   ? secrets::Consent::Allow
             : answer == 1 ? secrets::Consent::AlwaysAllow
                           : secrets::Consent::Deny);
    });
}
