// quorvane-browser's windows as the browser's DevTools messages make them, with the browser played
// by the test: what it sends is recorded, what it answers is handed in.

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "bridge/BrowserWindows.h"

class BrowserWindowsTest : public QObject {
    Q_OBJECT

private:
    QList<QJsonObject> m_sent;

    BrowserWindows::Sender recorder() {
        return [this](const QByteArray& message) {
            m_sent.append(QJsonDocument::fromJson(message).object());
            return true;
        };
    }
    // (JSON in plain string literals: moc does not read raw ones.)
    static void answer(BrowserWindows& windows, const char* json) { windows.receive(QByteArray(json)); }

private slots:
    void init() { m_sent.clear(); }

    // The browser brings a window forward and answers only after the person closed it: that window
    // is gone, and the next address opens in a new window instead of being sent to it.
    void aWindowClosedWhileBroughtForwardIsNotTheLastActive() {
        BrowserWindows windows(recorder());
        bool ready = false;
        windows.start([&ready](bool ok) { ready = ok; });
        answer(windows, "{\"id\":1,\"result\":{}}");
        answer(windows, "{\"id\":2,\"result\":{\"targetInfos\":"
                        "[{\"targetId\":\"A\",\"type\":\"page\",\"url\":\"https://a.example/\"}]}}");
        QVERIFY(ready);
        QCOMPARE(windows.windows(), QList<quint32>{1});

        quint32 activated = 99;
        windows.activate(BrowserWindows::kLastActive, [&activated](quint32 id) { activated = id; });
        QCOMPARE(m_sent.last().value("method").toString(), QStringLiteral("Target.activateTarget"));
        const int call = m_sent.last().value("id").toInt();
        answer(windows, "{\"method\":\"Target.targetDestroyed\",\"params\":{\"targetId\":\"A\"}}");
        windows.receive(QJsonDocument(QJsonObject{{"id", call}, {"result", QJsonObject()}}).toJson());
        QCOMPARE(activated, 0u);
        QCOMPARE(windows.lastActive(), 0u);

        windows.openUrl(QStringLiteral("https://b.example/"), BrowserWindows::kLastActive, [](quint32) {});
        QCOMPARE(m_sent.last().value("method").toString(), QStringLiteral("Target.createTarget"));
    }
};

QTEST_GUILESS_MAIN(BrowserWindowsTest)
#include "BrowserWindowsTest.moc"
