// Logging into web sites from the window, with a real, unmodified Chromium behind quorvane-browser
// (headless, on the test's private session bus). Host names are mapped to the test's own server with
// the browser's --host-resolver-rules, as a person would try it. Every page's own script reports
// each input event it sees, with the host it runs on, so a site that must get nothing is seen to get
// nothing.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStandardPaths>
#include <QTest>
#include <QUrlQuery>
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
#include "ui/frame/StatusMessagePane.h"

namespace {

const QByteArray kPassword = "p@ss w\xC3\xB6rd";  // UTF-8; Windows-1252 in the card

// What every page runs: each input event is reported as GET /event?host=...&field=...&trusted=...
const QByteArray kWatch = R"JS(
<script>
document.addEventListener('input', (e) => {
  const el = e.composedPath()[0];
  new Image().src = '/event?host=' + location.hostname + '&field=' + el.name + '&trusted=' + e.isTrusted;
}, true);
</script>)JS";

QByteArray page(const QByteArray& title, const QByteArray& body) {
    return "<!doctype html><meta charset=utf-8><title>" + title + "</title>" + kWatch + body;
}

// The site's pages, by path (the query is the page's own business).
QByteArray sitePage(const QByteArray& path, quint16 port) {
    const QByteArray evil = "http://evil.test:" + QByteArray::number(port);
    if (path == "/plain")
        return page("Sign in", "<form action=/welcome><input name=user><input name=pw type=password>"
                               "<button>Sign in</button></form>");
    if (path == "/steps")  // the address first; the password on the next page
        return page("Step one", "<form action=/steps2><input name=user autocomplete=username>"
                                "<button>Next</button></form>");
    if (path == "/steps2")
        return page("Step two", "<form action=/welcome><input type=hidden name=user>"
                                "<input name=pw type=password autocomplete=current-password>"
                                "<button>Sign in</button></form><script>"
                                "document.forms[0].user.value = new URLSearchParams(location.search).get('user');"
                                "</script>");
    if (path == "/app")  // a script that keeps its own state from input events and posts with fetch
        return page("App", R"(<div id=host></div><script>
const state = {};
setTimeout(() => {
  const root = document.getElementById('host').attachShadow({ mode: 'open' });
  root.innerHTML = '<input name=email type=email autocomplete=username><input name=pw type=password>';
  for (const el of root.querySelectorAll('input')) el.addEventListener('input', () => { state[el.name] = el.value; });
  root.addEventListener('keydown', (e) => {
    if (e.key === 'Enter')
      fetch('/api/login?user=' + encodeURIComponent(state.email) + '&pw=' + encodeURIComponent(state.pw));
  });
}, 700);
</script>)");
    if (path == "/framed")  // the card's page holds another site's login form in a frame
        return page("Framed", "<iframe src=" + evil + "/plain></iframe>");
    if (path == "/post")  // as real sites send a login: not in the address
        return page("Sign in", "<form method=post action=/welcome><input name=user><input name=pw type=password>"
                               "<button>Sign in</button></form>");
    if (path == "/signup")
        return page("Join", "<form action=/welcome><input name=user autocomplete=username>"
                            "<input name=pw type=password autocomplete=new-password><button>Join</button></form>");
    if (path == "/welcome" || path == "/api/login")
        return page("Welcome", "in");
    return {};
}

const QString kBusName = QString::fromLatin1(dde::kBusNamePrefix) + QStringLiteral("netscape");

QByteArray request(const QString& topic, const QByteArray& item) {
    return bridgeRequest(QStringLiteral("Netscape"), topic, item);
}

}  // namespace

class WindowLoginTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void automaticAccessLogsIn_data();
    void automaticAccessLogsIn();
    void fillLoginDoesNotSend();
    void getWebPageKeepsALoginTypedByHand();

private:
    QString site(const char* host, const QString& path) const {
        return QStringLiteral("http://%1:%2%3").arg(QLatin1String(host)).arg(m_port).arg(path);
    }
    Card* card(const QString& address);
    QString status() const { return m_h->frame()->messagePane()->notice(); }
    /// The requests the server saw since the last clear, as "HOST PATH?QUERY".
    QStringList seen(const QString& startingWith) const {
        QStringList found;
        for (const QString& r : m_seen)
            if (r.startsWith(startingWith))
                found << r;
        return found;
    }

    LocalPageServer m_pages;
    quint16 m_port = 0;
    QStringList m_seen;
    QTemporaryDir m_profile;
    std::unique_ptr<Harness> m_h;
};

void WindowLoginTest::initTestCase() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup installs it)");
    m_port = static_cast<quint16>(QUrl(m_pages.url(QString())).port());
    m_pages.setReply([this](const LocalPageServer::Request& asked) {
        LocalPageServer::Reply reply;
        const QUrl url(QString::fromLatin1(asked.path));
        const QByteArray path = url.path().toLatin1();
        if (path == "/favicon.ico") {
            reply.status = "404 Not Found";
            return reply;
        }
        m_seen << QString::fromLatin1(asked.host + ' ' + asked.path);
        if (path == "/go") {  // the card's site sends the person on to another site's form
            reply.status = "302 Found";
            reply.headers = "Location: http://evil.test:" + QByteArray::number(m_port) + "/plain\r\n";
        } else if (path == "/alike") {  // ... or to a look-alike of its own name (a Cyrillic a)
            reply.status = "302 Found";
            reply.headers = "Location: http://xn--bnk-8cd.test:" + QByteArray::number(m_port) + "/plain\r\n";
        } else if (path == "/secret" && asked.authorization != "Basic " + ("alice:" + kPassword).toBase64()) {
            reply.status = "401 Unauthorized";
            reply.headers = "WWW-Authenticate: Basic realm=\"cards\"\r\n";
            reply.body = "<title>Who are you</title>no";
        } else if (path == "/secret") {
            reply.body = "<title>Secret</title>in";
        } else {
            reply.body = sitePage(path, m_port);
            if (reply.body.isEmpty())
                reply.status = "404 Not Found";
        }
        return reply;
    });
    // Every host name reaches the test's server; the browser is as unmodified as a person's.
    const std::string command = std::string(QUORVANE_BRIDGE_PATH) + " --as Netscape --profile " +
                                m_profile.path().toStdString() + " " + chromium.toStdString() +
                                " --headless=new --host-resolver-rules=\"MAP * 127.0.0.1\"";
    m_h = std::make_unique<Harness>(QStringList(), [&](MemorySettings& s) {
        writeSetting(s, settings::kChooseWebBrowserLoadPage, 0);
        writeSetting(s, settings::kChooseWebBrowser, 0);
        writeSetting(s, settings::kNetscapePath, command);
    });
    writeCardFile(m_h->path("cards.qvf"), {{0, "Bank", site("bank.test", "/plain"), "alice",
                                            QString::fromUtf8(kPassword)}});
    m_h->open(m_h->path("cards.qvf"));
}

void WindowLoginTest::cleanupTestCase() {
    if (!m_h)
        return;
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (const uint pid = bus->servicePid(kBusName).value())
        ::kill(static_cast<pid_t>(pid), SIGTERM);
    m_h.reset();
}

// The one card, pointed at `address`, selected, with Automatic Access on (as kept in the file).
Card* WindowLoginTest::card(const QString& address) {
    m_h->tree()->SelectItem(m_h->cardItem(0, QStringLiteral("Bank")));
    Card* bank = m_h->tree()->GetSelectedCard();
    bank->secondField = address.toStdString();
    bank->automaticAccess = 1;
    bank->newBrowserWindow = 0;
    return bank;
}

void WindowLoginTest::automaticAccessLogsIn_data() {
    QTest::addColumn<QString>("path");     // on bank.test
    QTest::addColumn<QString>("arrives");  // "HOST PATH?QUERY" the login must reach; empty: none
    QTest::addColumn<QString>("status");   // what the status bar starts with
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(kPassword)));
    QString formEncoded = encoded;
    formEncoded.replace(QLatin1String("%20"), QLatin1String("+"));
    const QString sent = QStringLiteral("Login sent to bank.test.");
    QTest::newRow("plain form") << "/plain" << "bank.test /welcome?user=alice&pw=" + formEncoded << sent;
    QTest::newRow("two pages") << "/steps" << "bank.test /welcome?user=alice&pw=" + formEncoded << sent;
    QTest::newRow("script state, shadow root, fetch")
        << "/app" << "bank.test /api/login?user=alice&pw=" + encoded << sent;
    QTest::newRow("HTTP authentication") << "/secret" << QStringLiteral("bank.test /secret")
                                         << QStringLiteral("Logged in by the site's HTTP authentication.");
    QTest::newRow("another site's frame") << "/framed" << QString() << QStringLiteral("Nothing was filled");
    QTest::newRow("redirect to another site") << "/go" << QString() << QStringLiteral("Nothing was filled");
    QTest::newRow("look-alike host") << "/alike" << QString() << QStringLiteral("Nothing was filled");
    QTest::newRow("new password only") << "/signup" << QString() << QStringLiteral("Nothing was filled");
}

// Load Web Page (Ctrl+W) on a card with Automatic Access: the login reaches the card's site alone.
void WindowLoginTest::automaticAccessLogsIn() {
    QFETCH(QString, path);
    QFETCH(QString, arrives);
    QFETCH(QString, status);
    const QString expected = status;
    card(site("bank.test", path));
    m_seen.clear();
    QVERIFY(m_h->run(cmd::LoadWebPage));
    QTRY_VERIFY_WITH_TIMEOUT(!this->status().startsWith(QStringLiteral("Filling")) && !this->status().isEmpty(),
                             60000);
    QVERIFY2(this->status().startsWith(expected), qPrintable(this->status()));
    QCOMPARE(m_h->prompter.messages(), QStringList());
    if (!arrives.isEmpty()) {
        QTRY_VERIFY2_WITH_TIMEOUT(!seen(arrives).isEmpty(), qPrintable(m_seen.join('\n')), 10000);
        // Typed as a person types: every input event the page saw was trusted.
        QVERIFY2(seen(QStringLiteral("bank.test /event")).filter(QStringLiteral("trusted=false")).isEmpty(),
                 qPrintable(m_seen.join('\n')));
    } else {
        // Nothing typed anywhere, nothing sent.
        QTest::qWait(500);  // the last page's own reports, if any, arrive
        QVERIFY2(seen(QString()).filter(QStringLiteral("/event")).isEmpty(), qPrintable(m_seen.join('\n')));
        QVERIFY2(seen(QString()).filter(QStringLiteral("/welcome")).isEmpty(), qPrintable(m_seen.join('\n')));
    }
}

// Fill Login (Ctrl+Shift+L) types into the page shown and leaves sending to the person.
void WindowLoginTest::fillLoginDoesNotSend() {
    Card* bank = card(site("bank.test", QStringLiteral("/plain")));
    bank->automaticAccess = 0;
    QVERIFY(m_h->run(cmd::LoadWebPage));  // opens the page only
    QTRY_VERIFY_WITH_TIMEOUT(!seen(QStringLiteral("bank.test /plain")).isEmpty(), 30000);
    m_seen.clear();
    QVERIFY(m_h->run(cmd::FillLogin));
    QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(QStringLiteral("Login filled in on bank.test")), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(seen(QStringLiteral("bank.test /event")).size(), 2 * 1, 10000);  // one event per field
    QVERIFY(seen(QStringLiteral("bank.test /welcome")).isEmpty());
}

// A login the person types and sends in the browser becomes the new card's with Get Web Page.
void WindowLoginTest::getWebPageKeepsALoginTypedByHand() {
    card(site("bank.test", QStringLiteral("/post")))->automaticAccess = 0;
    m_seen.clear();
    QVERIFY(m_h->run(cmd::LoadWebPage));
    QTRY_VERIFY_WITH_TIMEOUT(!seen(QStringLiteral("bank.test /post")).isEmpty(), 30000);
    // The person's typing: trusted input through the browser, as the filler gives it.
    const QByteArray answer =
        request(QStringLiteral("QV_FillLogin"),
                "4294967295,\"" + site("bank.test", QStringLiteral("/post")).toLatin1() + "\",\"bob\",\"hunter2\",TRUE");
    QVERIFY2(answer.startsWith("TRUE,TRUE,TRUE"), answer.constData());
    QTRY_VERIFY_WITH_TIMEOUT(!seen(QStringLiteral("bank.test /welcome")).isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(request(QStringLiteral("WWW_GetWindowInfo"), "4294967295").contains("Welcome"), 10000);

    m_h->tree()->SelectItem(m_h->tree()->GetCategoryItem(QStringLiteral("WWW Sites")));
    CardDlgData shown;
    m_h->prompter.onDialog<CCardDlg>([&](CCardDlg& dlg) {
        shown = dlg.data();
        return QDialog::Accepted;
    });
    QVERIFY(m_h->run(cmd::GetWebPage));
    QTRY_COMPARE_WITH_TIMEOUT(shown.thirdField, QStringLiteral("bob"), 30000);
    QCOMPARE(shown.fourthField, QStringLiteral("hunter2"));
    QCOMPARE(shown.secondField, site("bank.test", QStringLiteral("/welcome")));
    QVERIFY(shown.automaticAccess);
    // Taken once: a second Get Web Page finds no login.
    m_h->prompter.onDialog<CCardDlg>([&](CCardDlg& dlg) {
        shown = dlg.data();
        return QDialog::Rejected;
    });
    shown = {};
    QVERIFY(m_h->run(cmd::GetWebPage));
    QTRY_VERIFY_WITH_TIMEOUT(!shown.secondField.isEmpty(), 30000);
    QCOMPARE(shown.thirdField, QString());
}

QTEST_MAIN(WindowLoginTest)
#include "WindowLoginTest.moc"
