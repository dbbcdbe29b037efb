#pragma once
// A browser side for tests, written from docs/browser-protocol.md alone: it owns a DDE service's
// bus name on the test's private session bus, records every call and its item bytes, and answers
// like the browsers described there.

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class ScriptedBrowserObject;

class ScriptedBrowser {
public:
    struct Call {
        QString method;   // "Connect", "Request", "Poke", "Disconnect"
        QString service;  // Connect: the service name asked for
        QString topic;    // the conversation's topic
        QByteArray item;  // Request and Poke
    };

    /// A browser answering to `serviceName` ("Netscape", "IExplore"); start() puts it on the bus.
    explicit ScriptedBrowser(const QString& serviceName);
    ~ScriptedBrowser();

    /// Owns the bus name; false when that fails.
    bool start();
    /// Gives the name up (the browser "exits").
    void stop();

    /// "org.orvel.quorvane.dde." and the folded service name.
    static QString busNameFor(const QString& serviceName);

    // Answers.
    quint32 activatedWindow = 5;  // WWW_Activate and WWW_OpenURL answer this window id
    QString pageAddress = QStringLiteral("https://news.example/a?b=1");
    QString pageTitle = QStringLiteral("News, today: \"big\"");
    /// The text answers (without their zero byte) to the login verbs of quorvane-browser; empty:
    /// "not processed", as a browser side that does not know them answers.
    QByteArray fillLoginAnswer;
    QByteArray takeLoginAnswer;
    QMap<QString, QString> errorFor;  // topic -> the short error name its requests are answered with
    int replyDelayMs = 0;             // requests are answered this much later, after whileAnswering
    /// Runs while a request waits to be answered (after replyDelayMs / 2), e.g. to call back.
    std::function<void(const Call&)> whileAnswering;

    // Records.
    QList<Call> calls;
    /// "Method topic" for each call, e.g. "Connect WWW_OpenURL", "Request WWW_Activate".
    QStringList trace() const;
    /// The item of the n-th request on `topic` (0-based); empty when there is none.
    QByteArray requestItem(const QString& topic, int n = 0) const;

    QDBusConnection& bus() { return m_bus; }

private:
    QString m_service;
    QString m_connectionName;
    QDBusConnection m_bus{QString()};
    std::unique_ptr<ScriptedBrowserObject> m_object;
    bool m_started = false;
    friend class ScriptedBrowserObject;
};

/// Raw little-endian bytes of a 32-bit number, as single "DW" replies are.
QByteArray rawDw(quint32 value);
