#pragma once
// The browser's side of the DDE conversations on the session bus, answered for a real browser: the
// verbs the card program uses become DevTools protocol commands through BrowserWindows. The wire
// format is the one docs/browser-protocol.md gives.

#include <QByteArray>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "bridge/loginforms/LoginFiller.h"

class BrowserWindows;

class BridgeServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvel.quorvane.dde.Server")
public:
    /// Answers for the DDE service names `services` ("Netscape", "IExplore").
    BridgeServer(BrowserWindows& windows, QStringList services, QObject* parent = nullptr);

    /// Exports the server and owns the bus name of every service name. False, with the reason in
    /// `error`, when the bus refuses (another browser side already answers for one of them).
    bool registerOnBus(QString& error);
    /// Gives the bus names back.
    void unregisterFromBus();

    /// The login the person last sent by hand in a window, as the verb that takes it answers it.
    struct TypedLogin {
        QString pageUrl;
        QString userId;
        QString password;
    };
    using LoginTaker = std::function<void(quint32 window, std::function<void(std::optional<TypedLogin>)> reply)>;
    /// Who keeps the logins typed by hand; without one, the verb that takes them answers none.
    void setLoginTaker(LoginTaker taker) { m_takeLogin = std::move(taker); }
    /// The filler the verb that fills login forms uses (its wait may be changed, for tests).
    LoginFiller& filler() { return m_filler; }

    /// A browser text (UTF-8) as the protocol carries it (Windows-1252); a character that has no
    /// place there becomes a question mark.
    static std::string toWin1252(const QString& text);

public slots:
    quint64 Connect(const QString& service, const QString& topic);
    QByteArray Request(quint64 conversation, const QByteArray& item);
    uint Poke(quint64 conversation, const QByteArray& item, const QByteArray& data);
    void Disconnect(quint64 conversation);

private:
    void replyError(const QString& shortName);
    void fillLogin(const std::string& item);
    void takeLogin(const std::string& item);

    BrowserWindows& m_windows;
    QStringList m_services;
    QHash<quint64, int> m_conversations;  // conversation -> verb
    quint64 m_nextConversation = 1;
    bool m_registered = false;
    LoginFiller m_filler;
    LoginTaker m_takeLogin;
};
