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

    BrowserWindows& m_windows;
    QStringList m_services;
    QHash<quint64, int> m_conversations;  // conversation -> verb
    quint64 m_nextConversation = 1;
    bool m_registered = false;
};
