// The browser commands with a real, unmodified Chromium behind quorvane-browser: headless, on the
// test's private session bus, against a small HTTP server of the test's own. Nothing on the browser
// side is faked.

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <csignal>

#include "BridgeRequest.h"
#include "LocalPageServer.h"
#include "ScriptedHarness.h"
#include "browser/DdeBusNames.h"
#include "cardstore/CardList.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

/// Serves two pages: /page, and /secret behind HTTP Basic authentication for alice:p@ss:w0rd. Notes
/// every request but the icon's as "PATH AUTHORIZATION".
class PageServer : public LocalPageServer {
public:
    PageServer() {
        setReply([this](const Request& asked) {
            Reply reply;
            if (asked.path == "/favicon.ico") {
                reply.status = "404 Not Found";
                return reply;
            }
            served << QString::fromLatin1(asked.path + ' ' + asked.authorization).trimmed();
            if (asked.path == "/secret" && asked.authorization != "Basic " + QByteArray("alice:p@ss:w0rd").toBase64()) {
                reply.status = "401 Unauthorized";
                reply.headers = "WWW-Authenticate: Basic realm=\"cards\"\r\n";
                reply.body = "<title>Who are you</title>no";
            } else if (asked.path == "/secret") {
                reply.body = "<title>Welcome, \"alice\" \xC3\xA9 \xE2\x82\xAC</title>in";  // UTF-8 for é and €
            } else {
                reply.body = "<title>Card page</title>hello";
            }
            return reply;
        });
    }
    QStringList served;
};

const QString kBusName = QString::fromLatin1(dde::kBusNamePrefix) + QStringLiteral("iexplore");

QByteArray request(const QString& topic, const QByteArray& item) {
    return bridgeRequest(QStringLiteral("IExplore"), topic, item);
}

quint32 rawNumber(const QByteArray& data) {
    quint32 value = 0;
    for (int i = 3; i >= 0 && data.size() == 4; --i)
        value = value << 8 | static_cast<quint8>(data[i]);
    return value;
}

}  // namespace

class ChromiumBridgeTest : public QObject {
    Q_OBJECT
private slots:
    void cardsReachARealBrowser();
};

void ChromiumBridgeTest::cardsReachARealBrowser() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup installs it)");
    PageServer pages;
    QTemporaryDir profile;
    const std::string command = std::string(QUORVANE_BRIDGE_PATH) + " --as IExplore --profile " +
                                profile.path().toStdString() + " " + chromium.toStdString() + " --headless=new";
    Harness h({}, [&](MemorySettings& s) {
        writeSetting(s, settings::kChooseWebBrowser, 1);
        writeSetting(s, settings::kExplorerPath, command);
    });
    writeCardFile(h.path("cards.qvf"),
                  {{0, "Page", pages.url("/page")}, {0, "Secret", pages.url("/secret"), "alice", "p@ss:w0rd"}});
    h.open(h.path("cards.qvf"));
    auto select = [&](const QString& name) {
        h.tree()->SelectItem(h.cardItem(0, name));
        return h.tree()->GetSelectedCard();
    };

    // Not running yet: Load Web Page starts the bridge (and with it the browser) and then opens the
    // card's address in it.
    select(QStringLiteral("Page"))->newBrowserWindow = 1;
    QVERIFY(h.run(cmd::LoadWebPage));
    QCOMPARE(h.prompter.messages(), QStringList());  // the failed first connection is no error once it answers
    QTRY_VERIFY_WITH_TIMEOUT(pages.served.contains("/page"), 30000);

    // Window ids: 0 opens a new window, 4294967295 the last active one, which the answer names.
    const quint32 fresh = rawNumber(request("WWW_OpenURL", '"' + pages.url("/page").toUtf8() + "\",,0,0,,,Test"));
    QVERIFY(fresh != 0);
    const quint32 again =
        rawNumber(request("WWW_OpenURL", '"' + pages.url("/page").toUtf8() + "\",,4294967295,0,,,Test"));
    QCOMPARE(again, fresh);
    QCOMPARE(rawNumber(request("WWW_Activate", "4294967295,0")), fresh);
    QVERIFY(rawNumber(request("WWW_OpenURL", '"' + pages.url("/page").toUtf8() + "\",,0,0,,,Test")) > fresh);

    // Automatic access: the card's user ID and password reach a page behind Basic authentication.
    Card* secret = select(QStringLiteral("Secret"));
    secret->automaticAccess = 1;
    QVERIFY(h.run(cmd::LoadWebPage));
    const QString granted =
        QStringLiteral("/secret Basic ") + QString::fromLatin1(QByteArray("alice:p@ss:w0rd").toBase64());
    QTRY_VERIFY_WITH_TIMEOUT(pages.served.contains(granted), 30000);

    // Get Web Page makes a card of the page shown: its title and address.
    QByteArray info;
    QTRY_VERIFY_WITH_TIMEOUT((info = request("WWW_GetWindowInfo", "4294967295")).contains("Welcome"), 30000);
    h.tree()->SelectItem(h.tree()->GetCategoryItem(QStringLiteral("WWW Sites")));
    CardDlgData shown;
    h.prompter.onDialog<CCardDlg>([&](CCardDlg& dlg) {
        shown = dlg.data();
        return QDialog::Accepted;
    });
    QVERIFY(h.run(cmd::GetWebPage));
    QCOMPARE(shown.firstField, QStringLiteral("Welcome, \"alice\" \u00E9 \u20AC"));
    // The bridge opened the page at the bare address and answered the site's challenge instead, so
    // the address the browser tells has no user part, and neither has the card.
    QCOMPARE(shown.secondField, pages.url("/secret"));
    QCOMPARE(shown.thirdField, QString());
    QCOMPARE(shown.fourthField, QString());
    QCOMPARE(h.doc()->GetCategoryList(0)->GetCardCount(), 3);
    const Card* made = h.doc()->GetCategoryList(0)->GetCardAt(2);
    QCOMPARE(made->firstField, std::string("Welcome, \"alice\" \xE9 \x80"));  // Windows-1252
    QVERIFY(made->secondField.find("p%40ss") == std::string::npos);
    QCOMPARE(made->fourthField, std::string());

    // Killing the bridge takes the browser with it and gives the name back; the next command starts
    // them again.
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const uint pid = bus->servicePid(kBusName).value();
    QVERIFY(pid != 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(kBusName).value(), 10000);
    pages.served.clear();
    select(QStringLiteral("Page"))->newBrowserWindow = 0;
    QVERIFY(h.run(cmd::LoadWebPage));
    QCOMPARE(h.prompter.messages(), QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(pages.served.contains("/page"), 30000);
    const uint restarted = bus->servicePid(kBusName).value();
    QVERIFY(restarted != 0 && restarted != pid);
    ::kill(static_cast<pid_t>(restarted), SIGTERM);
}

QTEST_MAIN(ChromiumBridgeTest)
#include "ChromiumBridgeTest.moc"
