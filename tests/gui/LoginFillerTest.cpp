// Filling login forms in a real, unmodified Chromium (headless) over the DevTools pipe, against
// pages of the test's own local server. Each page notes every input event (and whether the browser
// marked it trusted), the values its fields end with, and whether its form was submitted.

#include <QDateTime>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "LocalPageServer.h"
#include "bridge/BrowserWindows.h"
#include "bridge/ChromiumProcess.h"
#include "bridge/loginforms/LoginFiller.h"
#include "otp/OneTimeCode.h"

namespace {

// What every page runs first: report() answers "input events|values of all fields|submitted".
const QByteArray kWatch = R"JS(
const state = { log: [], submitted: false };
const inputs = (root, out = []) => {
  for (const el of root.querySelectorAll('*')) {
    if (el.localName === 'input') out.push(el);
    if (el.shadowRoot) inputs(el.shadowRoot, out);
  }
  return out;
};
document.addEventListener('input', (e) => state.log.push(e.composedPath()[0].name + ':' + e.isTrusted), true);
const watchSubmit = (form) => form.addEventListener('submit', (e) => { e.preventDefault(); state.submitted = true; });
window.report = () => state.log.join(',') + '|' + inputs(document).map((el) => el.value).join(',') + '|' + state.submitted;
)JS";

QByteArray page(const QByteArray& body, const QByteArray& script) {
    return "<!doctype html><meta charset=utf-8><title>Login</title>" + body + "<script>" + kWatch + script +
           "</script>";
}

// A plain form after a search form of its own; the user field holds text that must be replaced.
const QByteArray kPlain = page(
    "<form><input name=q><button>Search</button></form>"
    "<form id=login><input name=login value=old><input name=pw type=password>"
    "<button>Sign in</button></form>",
    "watchSubmit(document.getElementById('login'));");

// The form is drawn a second after the page, inside an open shadow root; the user field is the one
// marked as such, not the text field nearest the password.
const QByteArray kLateShadow = page("<div id=host></div>", R"JS(
setTimeout(() => {
  const root = document.getElementById('host').attachShadow({ mode: 'open' });
  root.innerHTML = '<form><input name=mail type=email autocomplete=username><input name=code>' +
                   '<input name=pw type=password autocomplete=current-password><button>Go</button></form>';
  watchSubmit(root.querySelector('form'));
}, 1000);
)JS");

// A form that makes a new account: its password field is not a login's.
const QByteArray kSignUp = page(
    "<form id=f><input name=user autocomplete=username>"
    "<input name=pw type=password autocomplete=new-password><button>Sign up</button></form>",
    "watchSubmit(document.getElementById('f'));");

// A login in two steps: the user name and Next, then (drawn a moment later) the password.
const QByteArray kTwoSteps = page("<form id=f><input name=mail autocomplete=username><button>Next</button></form>",
                                  R"JS(
const form = document.getElementById('f');
form.addEventListener('submit', (e) => {
  e.preventDefault();
  if (form.querySelector('[type=password]')) return void (state.submitted = true);
  state.first = form.mail.value;
  setTimeout(() => { form.innerHTML = '<input name=pw type=password><button>Sign in</button>'; }, 300);
});
window.report = () => state.log.join(',') + '|' + state.first + ',' + inputs(document).map((el) => el.value) + '|' + state.submitted;
)JS");

// After the login is sent the page asks for a one-time code: in a panel drawn on the same page (a
// field marked one-time-code), or on the next page as its lone short numeric field.
const QByteArray kCodePanel = page("<form id=f><input name=user><input name=pw type=password><button>Go</button></form>",
                                   R"JS(
const form = document.getElementById('f');
form.addEventListener('submit', (e) => {
  e.preventDefault();
  if (form.otp) return void (state.submitted = true);
  setTimeout(() => { form.innerHTML = '<input name=otp autocomplete=one-time-code><button>Check</button>'; }, 400);
});
)JS");
const QByteArray kCodeNextPage = page("<form action=/code-asked><input name=user><input name=pw type=password>"
                                      "<button>Go</button></form>", "");
const QByteArray kCodeAsked = page("<form id=f><input name=q type=search hidden><input name=pin inputmode=numeric maxlength=6>"
                                   "<button>Check</button></form>",
                                   "watchSubmit(document.getElementById('f'));");

// The plain form in a frame of the same site; report() tells the frame's.
const QByteArray kFramed = page("<iframe src=/plain></iframe>", "window.report = () => frames[0].report();");

}  // namespace

class LoginFillerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fills_data();
    void fills();
    void typesTheOneTimeCodeAfterTheLogin();

private:
    QString report(quint32 window);

    LocalPageServer m_pages;
    QTemporaryDir m_profile;
    ChromiumProcess m_browser;
    std::optional<BrowserWindows> m_windows;
};

void LoginFillerTest::initTestCase() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup installs it)");
    m_pages.setPage("/plain", kPlain);
    m_pages.setPage("/late", kLateShadow);
    m_pages.setPage("/signup", kSignUp);
    m_pages.setPage("/framed", kFramed);
    m_pages.setPage("/steps", kTwoSteps);
    m_pages.setPage("/code-panel", kCodePanel);
    m_pages.setPage("/code-next", kCodeNextPage);
    m_pages.setPage("/code-asked?user=alice&pw=secret", kCodeAsked);
    // The plain form in a frame of another site (localhost is not 127.0.0.1's site).
    m_pages.setPage(
        "/foreign",
        page("<iframe src=" +
                 m_pages.url(QString()).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost")).toLatin1() +
                 "/plain></iframe>",
             ""));
    QString error;
    QVERIFY2(m_browser.start(chromium, {QStringLiteral("--headless=new")}, m_profile.path(), error), qPrintable(error));
    m_windows.emplace(m_browser);
    std::optional<bool> ready;
    m_windows->start([&](bool ok) { ready = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(ready.has_value(), 30000);
    QVERIFY(*ready);
}

void LoginFillerTest::cleanupTestCase() {
    m_browser.stop();
}

// The page's own report(), evaluated in the page.
QString LoginFillerTest::report(quint32 window) {
    std::optional<QString> answer;
    m_windows->attach(window, [&](const QString& session) {
        m_windows->callInSession(
            session, QStringLiteral("Runtime.evaluate"),
            QJsonObject{{"expression", "report()"}, {"returnByValue", true}},
            [&, session](const QJsonObject& result, bool) {
                answer = result.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toString();
                m_windows->detach(session);
            });
    });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 10000);
    return answer.value_or(QStringLiteral("(no answer)"));
}

void LoginFillerTest::fills_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("card");  // %1: the local server's address
    QTest::addColumn<bool>("submit");
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<QList<bool>>("filled");  // user, password, submitted
    QTest::addColumn<QString>("message");     // what the message starts with
    QTest::addColumn<QString>("pageSays");    // the page's report() at the end
    const QString password = QString::fromUtf8("p@ss w\xC3\xB6rd\xE2\x82\xAC");
    QTest::newRow("plain form, submitted")
        << QByteArray("/plain") << QStringLiteral("%1/") << true << 5000 << QList<bool>{true, true, true} << QString()
        << QStringLiteral("login:true,pw:true|,alice,%1|true").arg(password);
    QTest::newRow("late form in a shadow root")
        << QByteArray("/late") << QStringLiteral("%1/account") << false << 5000 << QList<bool>{true, true, false}
        << QString() << QStringLiteral("mail:true,pw:true|alice,,%1|false").arg(password);
    QTest::newRow("form in a frame of the same site")
        << QByteArray("/framed") << QStringLiteral("%1/") << true << 5000 << QList<bool>{true, true, true} << QString()
        << QStringLiteral("login:true,pw:true|,alice,%1|true").arg(password);
    // Nothing typed in it: either its world is out of reach, or the rule refuses localhost.
    QTest::newRow("form in a frame of another site")
        << QByteArray("/foreign") << QStringLiteral("%1/") << true << 1500 << QList<bool>{false, false, false}
        << QStringLiteral("Nothing was filled: ") << QString();
    QTest::newRow("two steps") << QByteArray("/steps") << QStringLiteral("%1/") << true << 5000
                               << QList<bool>{true, true, true} << QString()
                               << QStringLiteral("mail:true,pw:true|alice,%1|true").arg(password);
    QTest::newRow("new password only") << QByteArray("/signup") << QStringLiteral("%1/") << true << 1500
                                       << QList<bool>{false, false, false}
                                       << QStringLiteral("Nothing was filled: no login form")
                                       << QStringLiteral("|,|false");
    QTest::newRow("another site's card") << QByteArray("/plain") << QStringLiteral("https://example.org") << true
                                         << 5000 << QList<bool>{false, false, false}
                                         << QStringLiteral("Nothing was filled: ") << QStringLiteral("|,old,|false");
}

void LoginFillerTest::fills() {
    QFETCH(QByteArray, path);
    QFETCH(QString, card);
    QFETCH(bool, submit);
    QFETCH(int, waitMs);
    QFETCH(QList<bool>, filled);
    QFETCH(QString, message);
    QFETCH(QString, pageSays);
    std::optional<quint32> window;
    m_windows->openUrl(m_pages.url(QString::fromLatin1(path)), 0, [&](quint32 id) { window = id; });
    QTRY_VERIFY_WITH_TIMEOUT(window.has_value(), 20000);
    QVERIFY(*window != 0);

    LoginFiller filler(*m_windows);
    filler.setWaitMs(waitMs);
    const LoginFiller::Request request{card.contains(QLatin1String("%1")) ? card.arg(m_pages.url(QString())) : card,
                                       QStringLiteral("alice"), QString::fromUtf8("p@ss w\xC3\xB6rd\xE2\x82\xAC"),
                                       submit, QString()};
    std::optional<LoginFiller::Outcome> outcome;
    filler.fill(*window, request, [&](const LoginFiller::Outcome& got) { outcome = got; });
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 20000);
    QCOMPARE((QList<bool>{outcome->filledUser, outcome->filledPassword, outcome->submitted}), filled);
    if (message.isEmpty())
        QCOMPARE(outcome->message, QString());
    else
        QVERIFY2(outcome->message.startsWith(message), qPrintable(outcome->message));
    if (!pageSays.isEmpty())  // a page of another site cannot be read from here
        QTRY_COMPARE_WITH_TIMEOUT(report(*window), pageSays, 5000);
}

void LoginFillerTest::typesTheOneTimeCodeAfterTheLogin() {
    const QString setup = QStringLiteral("otpauth://totp/Site:alice?secret=JBSWY3DPEHPK3PXP&issuer=Site");
    const otp::Setup parsed = *otp::parseSetup(setup.toStdString(), otp::TextForm::Utf8).setup;
    for (const char* path : {"/code-panel", "/code-next"}) {
        std::optional<quint32> window;
        m_windows->openUrl(m_pages.url(QString::fromLatin1(path)), 0, [&](quint32 id) { window = id; });
        QTRY_VERIFY_WITH_TIMEOUT(window.has_value() && *window != 0, 20000);
        LoginFiller filler(*m_windows);
        std::optional<LoginFiller::Outcome> outcome;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        filler.fill(*window, {m_pages.url(QStringLiteral("/")), QStringLiteral("alice"), QStringLiteral("secret"), true, setup},
                    [&](const LoginFiller::Outcome& got) { outcome = got; });
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 30000);
        QVERIFY2(outcome->filledPassword && outcome->submitted && outcome->filledCode, qPrintable(outcome->message));
        QCOMPARE(outcome->message, QString());
        // The page holds the code of the moment the login was filled (or of the next period).
        const QString says = report(*window);
        const QStringList codes{QString::fromStdString(otp::code(parsed, before)),
                                QString::fromStdString(otp::code(parsed, QDateTime::currentSecsSinceEpoch()))};
        QVERIFY2(says.endsWith(QStringLiteral("|true")) && (says.contains(codes[0]) || says.contains(codes[1])),
                 qPrintable(says));
    }
    // No setup, or a site that asks no code: the login alone, answered as before.
    std::optional<quint32> window;
    m_windows->openUrl(m_pages.url(QStringLiteral("/plain")), 0, [&](quint32 id) { window = id; });
    QTRY_VERIFY_WITH_TIMEOUT(window.has_value() && *window != 0, 20000);
    LoginFiller filler(*m_windows);
    filler.setWaitMs(1000);
    std::optional<LoginFiller::Outcome> outcome;
    filler.fill(*window, {m_pages.url(QStringLiteral("/")), QStringLiteral("alice"), QStringLiteral("secret"), true, setup},
                [&](const LoginFiller::Outcome& got) { outcome = got; });
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 30000);
    QVERIFY(outcome->submitted && !outcome->filledCode);
    QCOMPARE(outcome->message, QString());
}

QTEST_GUILESS_MAIN(LoginFillerTest)
#include "LoginFillerTest.moc"
