#pragma once
// The window's open card documents as the Secret Service sees them: the encrypted ones, their cards,
// the Unlock dialog and the question whether a program may have a password.

#include <QPointer>

#include "secrets/SecretDocuments.h"

class CMainFrame;
class CQuorvaneDoc;

class WindowSecretDocuments : public secrets::SecretDocuments {
    Q_OBJECT

public:
    explicit WindowSecretDocuments(CMainFrame& frame);

    QList<Document> documents() const override;
    Key defaultDocument() const override;
    CardStore* cards(Key key) override;
    void cardsChanged(Key key) override;
    int itemCategory() const override;
    int dateFormat() const override;
    void unlock(const QList<Key>& keys, std::function<void(bool)> done) override;
    void lock(Key key) override;
    void askConsent(const QString& program, const QString& cardName,
                    std::function<void(secrets::Consent)> done) override;

private:
    void follow(CQuorvaneDoc* document);
    CQuorvaneDoc* find(Key key) const;
    void runUnlocks();

    struct UnlockRequest {
        QList<Key> keys;
        std::function<void(bool)> done;
    };
    QList<UnlockRequest> m_unlocks;  // asked for while an Unlock dialog is up: taken in turn
    bool m_unlocking = false;

    CMainFrame& m_frame;
    QList<QPointer<CQuorvaneDoc>> m_opened;  // every card document, in the order they were made
};
