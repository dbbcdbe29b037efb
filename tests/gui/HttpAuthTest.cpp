// Addresses with a user ID and password in them, opened in a real, unmodified Chromium (headless)
// over the DevTools pipe: the page opens at the bare address and the site's HTTP Basic challenge is
// answered instead, so the page's scripts can fetch relative addresses. Against the test's own
// server, which notes every request with its Authorization header.

#include <QCryptographicHash>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "LocalPageServer.h"
#include "bridge/BrowserWindows.h"
#include "bridge/ChromiumProcess.h"
#include "bridge/HttpAuthAnswerer.h"

namespace {

// The one user the server knows: non-ASCII, and characters that must be percent-encoded.
const QByteArray kUser = "ann@home";
const QByteArray kPassword = "p:w/1 \xC3\xA9";  // UTF-8 for é
const QByteArray kUserPart = "ann%40home:p%3Aw%2F1%20%C3%A9";

QByteArray basic(const QByteArray& user, const QByteArray& password) {
    return "Basic " + (user + ':' + password).toBase64();
}

// Whether a Digest Authorization header answers the challenge below for kUser and kPassword.
bool digestFits(const QByteArray& authorization) {
    if (!authorization.startsWith("Digest "))
        return false;
    QHash<QString, QByteArray> field;
    static const QRegularExpression pair(QStringLiteral("(\\w+)=(?:\"([^\"]*)\"|([^,\\s]*))"));
    for (const auto& match : pair.globalMatch(QString::fromLatin1(authorization.mid(7))))
        field.insert(match.captured(1), (match.captured(2) + match.captured(3)).toLatin1());
    auto md5 = [](const QByteArray& text) { return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex(); };
    const QByteArray ha1 = md5(kUser + ':' + field.value("realm") + ':' + kPassword);
    const QByteArray ha2 = md5("GET:" + field.value("uri"));
    return field.value("username") == kUser &&
           field.value("response") == md5(ha1 + ':' + field.value("nonce") + ':' + field.value("nc") + ':' +
                                          field.value("cnonce") + ':' + field.value("qop") + ':' + ha2);
}

}  // namespace

class HttpAuthTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void opens_data();
    void opens();

private:
    QString evaluate(quint32 window, const QString& expression);
    QString other() const {  // the server under another site's name (localhost is not 127.0.0.1's site)
        return m_pages.url(QString()).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    }

    LocalPageServer m_pages;
    QStringList m_served;  // "PATH AUTHORIZATION" of every request but the icon's (Digest: whether it fits)
    QTemporaryDir m_profile;
    ChromiumProcess m_browser;
    std::optional<BrowserWindows> m_windows;
};

// Each case has a folder of its own (the browser keeps credentials that worked for their folder):
//   page      behind Basic authentication, for kUser and kPassword only
//   data      free, answers "fetched" (for the page's relative fetch)
//   open      free
//   framed    behind authentication, holding a frame of another site's `page`
//   moved     free, redirects to another site's `page`
//   digest    behind Digest authentication
void HttpAuthTest::initTestCase() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup installs it)");
    m_pages.setReply([this](const LocalPageServer::Request& asked) {
        LocalPageServer::Reply reply;
        const QByteArray name = asked.path.mid(asked.path.lastIndexOf('/') + 1);
        if (asked.path == "/favicon.ico") {
            reply.status = "404 Not Found";
            return reply;
        }
        const bool digest = name == "digest";
        const bool loggedIn = asked.authorization.startsWith("Digest ")
                                  ? digestFits(asked.authorization)
                                  : asked.authorization == basic(kUser, kPassword);
        // A Digest answer differs every time: noted as whether it fits.
        const QByteArray noted = !asked.authorization.startsWith("Digest ") ? asked.authorization
                                 : loggedIn                                 ? QByteArray("Digest fits")
                                                                            : QByteArray("Digest does not fit");
        m_served << QString::fromLatin1(asked.path + ' ' + noted).trimmed();
        if (name == "data") {
            reply.body = "fetched";
        } else if (name == "open") {
            reply.body = "<title>Open</title>open";
        } else if (name == "moved") {
            reply.status = "302 Found";
            reply.headers = "Location: " + other().toLatin1() + asked.path.chopped(5) + "page\r\n";
        } else if (!loggedIn) {
            reply.status = "401 Unauthorized";
            reply.headers =
                digest ? "WWW-Authenticate: Digest realm=\"" + asked.path + "\", nonce=\"n0nce\", qop=\"auth\"\r\n"
                       : "WWW-Authenticate: Basic realm=\"" + asked.path + "\"\r\n";
            reply.body = "<title>Refused</title>refused";
        } else if (name == "framed") {
            reply.body =
                "<title>Framed</title>in<iframe src=" + other().toLatin1() + asked.path.chopped(6) + "page></iframe>";
        } else {
            reply.body = "<title>Welcome</title>in";
        }
        return reply;
    });
    QString error;
    QVERIFY2(m_browser.start(chromium, {QStringLiteral("--headless=new")}, m_profile.path(), error), qPrintable(error));
    m_windows.emplace(m_browser);
    std::optional<bool> ready;
    m_windows->start([&](bool ok) { ready = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(ready.has_value(), 30000);
    QVERIFY(*ready);
}

void HttpAuthTest::cleanupTestCase() {
    m_browser.stop();
}

// The value of `expression` (awaited when a promise) in the page of `window`.
QString HttpAuthTest::evaluate(quint32 window, const QString& expression) {
    std::optional<QString> answer;
    m_windows->attach(window, [&](const QString& session) {
        m_windows->callInSession(
            session, QStringLiteral("Runtime.evaluate"),
            QJsonObject{{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}},
            [&, session](const QJsonObject& result, bool) {
                answer = result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toString();
                m_windows->detach(session);
            });
    });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 10000);
    return answer.value_or(QStringLiteral("(no answer)"));
}

void HttpAuthTest::opens_data() {
    QTest::addColumn<QString>("page");         // in a folder of the case's own
    QTest::addColumn<QByteArray>("userPart");  // put before the host
    QTest::addColumn<bool>("newWindow");
    QTest::addColumn<QStringList>("served");  // what the server saw, sorted; ok: the right Authorization
    QTest::addColumn<bool>("answered");
    // Where the page ends: empty for the bare address; "error" for the browser's own refusal (its
    // error page, as headless shows a challenge it is left to answer).
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("shown");  // the page's text

    const QByteArray right = kUserPart + '@';
    const QStringList loggedIn{"data ok", "page", "page ok"};
    QTest::newRow("new window") << "a/page" << right << true << loggedIn << true << QString() << "in";
    QTest::newRow("existing window") << "b/page" << right << false << loggedIn << true << QString() << "in";
    QTest::newRow("Digest") << "h/digest" << right << true
                            << QStringList{"data Digest fits", "digest", "digest Digest fits"} << true << QString()
                            << "in";
    // Wrong credentials go once; the second challenge is cancelled and the refusal shown.
    QTest::newRow("user ID only, refused")
        << "c/page" << QByteArray("ann%40home@") << true
        << QStringList{"data", "page", "page " + QString::fromLatin1(basic(kUser, ""))} << false << QString()
        << "refused";
    QTest::newRow("wrong password, existing window")
        << "d/page" << QByteArray("ann%40home:wrong@") << false
        << QStringList{"data", "page", "page " + QString::fromLatin1(basic(kUser, "wrong"))} << false << QString()
        << "refused";
    // Another site's challenges get nothing: a frame's, and a redirect's.
    QTest::newRow("frame of another site")
        << "f/framed" << right << true << QStringList{"data ok", "framed", "framed ok", "page"} << true << QString()
        << "in";
    QTest::newRow("redirect to another site")
        << "g/moved" << right << true << QStringList{"moved", "page"} << false << "error" << QString();
    QTest::newRow("without credentials, as before")
        << "e/page" << QByteArray() << true << QStringList{"page"} << false << "error" << QString();
}

void HttpAuthTest::opens() {
    QFETCH(QString, page);
    QFETCH(QByteArray, userPart);
    QFETCH(bool, newWindow);
    QFETCH(QStringList, served);
    QFETCH(bool, answered);
    QFETCH(QString, location);
    QFETCH(QString, shown);

    quint32 into = 0;
    if (!newWindow) {
        std::optional<quint32> opened;
        m_windows->openUrl(m_pages.url(QStringLiteral("/open")), 0, [&](quint32 id) { opened = id; });
        QTRY_VERIFY_WITH_TIMEOUT(opened.has_value(), 20000);
        into = *opened;
        QVERIFY(into != 0);
    }
    m_served.clear();
    const QString bare = m_pages.url('/' + page);
    const QString address = QString(bare).replace(QStringLiteral("://"), "://" + QString::fromLatin1(userPart));
    QSignalSpy finished(&m_windows->httpAuth(), &HttpAuthAnswerer::finished);
    std::optional<quint32> window;
    m_windows->openUrl(address, into, [&](quint32 id) { window = id; });
    QTRY_VERIFY_WITH_TIMEOUT(window.has_value(), 20000);
    QVERIFY(*window != 0);
    if (!newWindow)
        QCOMPARE(*window, into);
    // Answering stops once the page has loaded, long before its 30 s are up.
    if (!userPart.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(finished.contains(QVariantList{*window}), 15000);

    if (userPart.isEmpty())
        QVERIFY(finished.isEmpty());  // nothing was followed

    // The page's base address has no user part: its relative fetch works.
    const QString href = location.isEmpty()                   ? bare
                         : location == QLatin1String("error") ? QStringLiteral("chrome-error://chromewebdata/")
                                                              : location.replace(QStringLiteral("other"), other());
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate(*window, QStringLiteral("document.readyState === 'complete' ? location.href : ''")), href, 10000);
    if (location != QLatin1String("error"))
        QCOMPARE(evaluate(*window, QStringLiteral("(async () => document.body.innerText + '|' + "
                                                  "await fetch('data').then((r) => r.text(), (e) => e.message))()")),
                 shown + "|fetched");
    QCOMPARE(m_windows->answeredHttpAuth(*window), answered);
    QStringList sorted = m_served;
    sorted.sort();
    const QString folder = page.left(page.indexOf('/') + 1);
    for (QString& line : served)
        line = '/' + folder +
               QString(line).replace(QStringLiteral(" ok"), ' ' + QString::fromLatin1(basic(kUser, kPassword)));
    QCOMPARE(sorted, served);
}

QTEST_GUILESS_MAIN(HttpAuthTest)
#include "HttpAuthTest.moc"
