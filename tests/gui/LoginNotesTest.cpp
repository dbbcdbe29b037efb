// Noting the logins a person sends by hand, in a real, unmodified Chromium (headless) over the
// DevTools pipe, against pages of the test's own local server. The person's input is made with the
// browser's input commands (mouse clicks, inserted text, the Enter key), which reach the page as a
// person's input does: as trusted events.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "LocalPageServer.h"
#include "bridge/BrowserWindows.h"
#include "bridge/ChromiumProcess.h"
#include "bridge/loginforms/LoginNotes.h"

namespace {

QByteArray page(const QByteArray& body, const QByteArray& script = QByteArray()) {
    return "<!doctype html><meta charset=utf-8><title>Login</title>" + body + "<script>" + script + "</script>";
}

// A search form first, then a login form that posts to the welcome page.
const QByteArray kPlain = page(
    "<form><input name=q><button>Search</button></form>"
    "<form method=post action=/welcome><input name=login><input name=pw type=password>"
    "<button>Sign in</button></form>");

// The page keeps the fields' values in its own state, posts them with fetch when its button (no
// submit button, no form) is clicked, and empties the fields at once.
const QByteArray kFetch =
    page("<div><input id=who><input id=secret type=password><span role=button id=go>Sign in</span></div>", R"JS(
const state = {};
who.addEventListener('input', () => { state.user = who.value; });
secret.addEventListener('input', () => { state.password = secret.value; });
go.addEventListener('click', () => {
  fetch('/api', { method: 'POST', body: JSON.stringify(state) }).catch(() => {});
  who.value = ''; secret.value = '';
});
)JS");

// The login form inside an open shadow root, sent with Enter and kept on the page.
const QByteArray kShadow = page("<div id=host></div>", R"JS(
const root = document.getElementById('host').attachShadow({ mode: 'open' });
root.innerHTML = '<form><input name=code><input name=mail type=email autocomplete=username>' +
                 '<input name=pw type=password autocomplete=current-password><button>Go</button></form>';
root.querySelector('form').addEventListener('submit', (e) => e.preventDefault());
)JS");

// A change of password: the new password is the one to keep.
const QByteArray kChange = page(
    "<form method=post action=/welcome><input name=user autocomplete=username value=carol>"
    "<input name=old type=password autocomplete=current-password>"
    "<input name=new type=password autocomplete=new-password><button>Change</button></form>");

// A login in two pages: the user name first, the password on the next page.
const QByteArray kStep1 =
    page("<form method=post action=/step2><input name=id autocomplete=username><button>Next</button></form>");
const QByteArray kStep2 = page(
    "<form method=post action=/welcome><input name=pw type=password autocomplete=current-password>"
    "<button>Sign in</button></form>");

// A page whose own script tries to make a note appear; its second form is one a person uses.
const QByteArray kForge = page(
    "<form id=f><input name=user><input name=pw type=password><button id=b>Sign in</button></form>"
    "<div><input id=who><input id=secret type=password><button type=button id=go>Sign in</button></div>",
    R"JS(
const form = document.getElementById('f');
form.addEventListener('submit', (e) => e.preventDefault());
window.forge = (binding) => {
  const tried = [];
  for (const name of [binding, 'quorvaneNote']) {
    tried.push(typeof window[name]);
    try {
      window[name](JSON.stringify({ url: location.href, user: 'mallory', password: 'forged' }));
      tried.push('called');
    } catch (e) {
      tried.push('refused');
    }
  }
  form.user.value = 'mallory'; form.pw.value = 'forged';
  form.pw.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', bubbles: true, composed: true }));
  document.getElementById('b').click();
  form.requestSubmit();
  form.dispatchEvent(new Event('submit', { bubbles: true, cancelable: true }));
  return tried.join(',');
};
)JS");

const QByteArray kWelcome = page("<p>Welcome</p>");

// The plain form in a frame of the same site.
const QByteArray kFramed = page("<p>Account</p><iframe src=/plain width=600 height=300></iframe>");

const QString kPassword = QString::fromUtf8("p@ss w\xC3\xB6rd\xE2\x82\xAC");

}  // namespace

class LoginNotesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void notes_data();
    void notes();
    void takenOnlyOnTheSameSiteAndOnce();
    void expires();
    void pageScriptsCannotNote();
    void notesGoneHearNoMore();

private:
    quint32 open(const QString& url);
    QString attach(quint32 window);
    QJsonObject call(const QString& session, const QString& method, const QJsonObject& params = {});
    QJsonValue eval(const QString& session, const QString& expression);
    void click(const QString& session, const QString& element);
    void type(const QString& session, const QString& text);
    void pressEnter(const QString& session);
    bool showsPath(const QString& session, const QString& path);
    std::optional<LoginNotes::Login> take(quint32 window);

    LocalPageServer m_pages;
    QTemporaryDir m_profile;
    ChromiumProcess m_browser;
    std::optional<BrowserWindows> m_windows;
    std::optional<LoginNotes> m_notes;
    QSet<quint32> m_followed;
};

void LoginNotesTest::initTestCase() {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup installs it)");
    m_pages.setPage("/plain", kPlain);
    m_pages.setPage("/fetch", kFetch);
    m_pages.setPage("/shadow", kShadow);
    m_pages.setPage("/change", kChange);
    m_pages.setPage("/step1", kStep1);
    m_pages.setPage("/step2", kStep2);
    m_pages.setPage("/forge", kForge);
    m_pages.setPage("/welcome", kWelcome);
    m_pages.setPage("/framed", kFramed);
    QString error;
    QVERIFY2(m_browser.start(chromium, {QStringLiteral("--headless=new")}, m_profile.path(), error), qPrintable(error));
    m_windows.emplace(m_browser);
    m_notes.emplace(*m_windows);
    connect(&*m_notes, &LoginNotes::following, this, [this](quint32 id) { m_followed.insert(id); });
    std::optional<bool> ready;
    m_windows->start([&](bool ok) {
        ready = ok;
        m_notes->start();
    });
    QTRY_VERIFY_WITH_TIMEOUT(ready.has_value(), 30000);
    QVERIFY(*ready);
}

void LoginNotesTest::cleanupTestCase() {
    m_notes.reset();
    m_browser.stop();
}

// A new window showing `url`, once the watcher is in it.
quint32 LoginNotesTest::open(const QString& url) {
    std::optional<quint32> window;
    m_windows->openUrl(url, 0, [&](quint32 id) { window = id; });
    if (!QTest::qWaitFor([&] { return window.has_value(); }, 20000) || *window == 0)
        return 0;
    return QTest::qWaitFor([&] { return m_followed.contains(*window); }, 10000) ? *window : 0;
}

// A session of the test's own, through which it acts as the person and reads the page.
QString LoginNotesTest::attach(quint32 window) {
    std::optional<QString> session;
    m_windows->attach(window, [&](const QString& got) { session = got; });
    (void)QTest::qWaitFor([&] { return session.has_value(); }, 10000);
    if (session.value_or(QString()).isEmpty())
        return QString();
    call(*session, QStringLiteral("Emulation.setFocusEmulationEnabled"), {{"enabled", true}});
    return *session;
}

QJsonObject LoginNotesTest::call(const QString& session, const QString& method, const QJsonObject& params) {
    std::optional<QJsonObject> answer;
    m_windows->callInSession(session, method, params, [&](const QJsonObject& result, bool ok) {
        answer = ok ? result : QJsonObject{{"failed", true}};
    });
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 10000);
    return answer.value_or(QJsonObject{{"failed", true}});
}

// Evaluated in the page's own world, as its scripts are.
QJsonValue LoginNotesTest::eval(const QString& session, const QString& expression) {
    return call(session, QStringLiteral("Runtime.evaluate"), {{"expression", expression}, {"returnByValue", true}})
        .value(QStringLiteral("result"))
        .toObject()
        .value(QStringLiteral("value"));
}

// A left click in the middle of the element the expression names, in the page or in one of its
// frames (waiting for a frame to have loaded it).
void LoginNotesTest::click(const QString& session, const QString& element) {
    const QString where = QStringLiteral(R"JS((() => {
  const el = (%1);
  const r = el.getBoundingClientRect();
  let x = r.x + r.width / 2, y = r.y + r.height / 2;
  for (let w = el.ownerDocument.defaultView; w.frameElement; w = w.parent) {
    const f = w.frameElement.getBoundingClientRect();
    x += f.x + w.frameElement.clientLeft;
    y += f.y + w.frameElement.clientTop;
  }
  return [x, y];
})())JS")
                              .arg(element);
    QJsonArray at;
    QTRY_VERIFY2_WITH_TIMEOUT((at = eval(session, where).toArray()).size() == 2, qPrintable(element), 10000);
    for (const char* kind : {"mouseMoved", "mousePressed", "mouseReleased"})
        call(session, QStringLiteral("Input.dispatchMouseEvent"),
             {{"type", kind}, {"x", at[0]}, {"y", at[1]}, {"button", "left"}, {"clickCount", 1}});
}

void LoginNotesTest::type(const QString& session, const QString& text) {
    call(session, QStringLiteral("Input.insertText"), {{"text", text}});
}

void LoginNotesTest::pressEnter(const QString& session) {
    QJsonObject key{{"key", "Enter"}, {"code", "Enter"}, {"windowsVirtualKeyCode", 13}, {"nativeVirtualKeyCode", 13}};
    key.insert(QStringLiteral("type"), QStringLiteral("keyDown"));
    key.insert(QStringLiteral("text"), QStringLiteral("\r"));
    call(session, QStringLiteral("Input.dispatchKeyEvent"), key);
    key.insert(QStringLiteral("type"), QStringLiteral("keyUp"));
    key.remove(QStringLiteral("text"));
    call(session, QStringLiteral("Input.dispatchKeyEvent"), key);
}

bool LoginNotesTest::showsPath(const QString& session, const QString& path) {
    return eval(session, QStringLiteral("location.pathname + ' ' + document.readyState")).toString() ==
           path + QStringLiteral(" complete");
}

std::optional<LoginNotes::Login> LoginNotesTest::take(quint32 window) {
    std::optional<std::optional<LoginNotes::Login>> answer;
    m_notes->take(window, [&](std::optional<LoginNotes::Login> login) {
        if (answer.has_value())
            QFAIL("take() answered twice");
        answer = std::move(login);
    });
    if (answer.has_value())
        qWarning("take() answered before it returned");
    (void)QTest::qWaitFor([&] { return answer.has_value(); }, 10000);
    return answer.value_or(std::nullopt);
}

void LoginNotesTest::notes_data() {
    QTest::addColumn<QString>("path");
    // What the person does: "click EXPR", "type TEXT", "enter", or "page PATH" (wait for that page).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("notedOn");  // the path of the page whose form was sent
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    const QString shadow = QStringLiteral("document.getElementById('host').shadowRoot.querySelector('%1')");
    QTest::newRow("plain form sent with Enter") << "/plain"
                                                << QStringList{"click document.querySelector('[name=q]')",
                                                               "type cats",
                                                               "click document.querySelector('[name=login]')",
                                                               "type alice",
                                                               "click document.querySelector('[name=pw]')",
                                                               "type " + kPassword,
                                                               "enter",
                                                               "page /welcome"}
                                                << "/plain"
                                                << "alice" << kPassword;
    QTest::newRow("page posts with fetch on a click, no form")
        << "/fetch" << QStringList{"click who", "type bob", "click secret", "type " + kPassword, "click go"} << "/fetch"
        << "bob" << kPassword;
    QTest::newRow("form in a shadow root") << "/shadow"
                                           << QStringList{"click " + shadow.arg("[name=code]"),
                                                          "type 1234",
                                                          "click " + shadow.arg("[name=mail]"),
                                                          "type dave@example.org",
                                                          "click " + shadow.arg("[name=pw]"),
                                                          "type " + kPassword,
                                                          "enter"}
                                           << "/shadow"
                                           << "dave@example.org" << kPassword;
    QTest::newRow("change of password: the new one")
        << "/change" << QStringList{"click document.querySelector('[name=old]')", "type old secret",
                                    "click document.querySelector('[name=new]')", "type " + kPassword,
                                    "click document.querySelector('button')",     "page /welcome"}
        << "/change"
        << "carol" << kPassword;
    QTest::newRow("form in a frame of the same site")
        << "/framed"
        << QStringList{"click frames[0].document.querySelector('[name=login]')", "type judy",
                       "click frames[0].document.querySelector('[name=pw]')", "type " + kPassword,
                       "click frames[0].document.querySelector('form[method=post] button')"}
        << "/plain"
        << "judy" << kPassword;
    QTest::newRow("two steps on two pages")
        << "/step1"
        << QStringList{"click document.querySelector('[name=id]')", "type erin",         "enter", "page /step2",
                       "click document.querySelector('[name=pw]')", "type " + kPassword, "enter", "page /welcome"}
        << "/step2"
        << "erin" << kPassword;
}

void LoginNotesTest::notes() {
    QFETCH(QString, path);
    QFETCH(QStringList, steps);
    QFETCH(QString, notedOn);
    QFETCH(QString, user);
    QFETCH(QString, password);
    const quint32 window = open(m_pages.url(path));
    QVERIFY(window != 0);
    const QString session = attach(window);
    QVERIFY(!session.isEmpty());
    QSignalSpy noted(&*m_notes, &LoginNotes::noted);
    for (const QString& step : steps) {
        const QString what = step.section(QLatin1Char(' '), 0, 0);
        const QString rest = step.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("click"))
            click(session, rest);
        else if (what == QLatin1String("type"))
            type(session, rest);
        else if (what == QLatin1String("enter"))
            pressEnter(session);
        else
            QTRY_VERIFY_WITH_TIMEOUT(showsPath(session, rest), 10000);
        if (QTest::currentTestFailed())
            return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!noted.isEmpty(), 10000);
    const std::optional<LoginNotes::Login> login = take(window);
    QVERIFY(login.has_value());
    QCOMPARE(login->pageUrl, m_pages.url(notedOn));
    QCOMPARE(login->userId, user);
    QCOMPARE(login->password, password);
    call(session, QStringLiteral("Page.close"));
}

// A login noted on one site is not given to a window that shows another; once taken it is gone.
// The watcher follows the window to a page of another site (another renderer process).
void LoginNotesTest::takenOnlyOnTheSameSiteAndOnce() {
    const QString otherSite = m_pages.url(QString()).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    const quint32 window = open(m_pages.url(QStringLiteral("/fetch")));
    QVERIFY(window != 0);
    QString session = attach(window);
    QSignalSpy noted(&*m_notes, &LoginNotes::noted);
    click(session, QStringLiteral("who"));
    type(session, QStringLiteral("frank"));
    click(session, QStringLiteral("secret"));
    type(session, kPassword);
    click(session, QStringLiteral("go"));
    QTRY_COMPARE_WITH_TIMEOUT(noted.size(), 1, 10000);

    const auto goTo = [&](const QString& url) {
        std::optional<quint32> shown;
        m_windows->openUrl(url, window, [&](quint32 id) { shown = id; });
        QTRY_COMPARE_WITH_TIMEOUT(shown, std::optional<quint32>(window), 10000);
        session = attach(window);  // a page of another site may come with a new process
        QTRY_VERIFY_WITH_TIMEOUT(showsPath(session, QUrl(url).path()), 10000);
    };
    goTo(otherSite + QStringLiteral("/welcome"));
    QCOMPARE(take(window).has_value(), false);
    goTo(m_pages.url(QStringLiteral("/welcome")));
    const std::optional<LoginNotes::Login> login = take(BrowserWindows::kLastActive);
    QVERIFY(login.has_value());
    QCOMPARE(login->userId, QStringLiteral("frank"));
    QCOMPARE(take(window).has_value(), false);

    // Noted again on the other site's page, in its own process.
    goTo(otherSite + QStringLiteral("/fetch"));
    click(session, QStringLiteral("who"));
    type(session, QStringLiteral("grace"));
    click(session, QStringLiteral("secret"));
    type(session, kPassword);
    click(session, QStringLiteral("go"));
    QTRY_COMPARE_WITH_TIMEOUT(noted.size(), 2, 10000);
    const std::optional<LoginNotes::Login> there = take(window);
    QVERIFY(there.has_value());
    QCOMPARE(there->pageUrl, otherSite + QStringLiteral("/fetch"));
    QCOMPARE(there->userId, QStringLiteral("grace"));
    call(session, QStringLiteral("Page.close"));
}

void LoginNotesTest::expires() {
    m_notes->setLifetimeMs(1000);
    const quint32 window = open(m_pages.url(QStringLiteral("/fetch")));
    QVERIFY(window != 0);
    const QString session = attach(window);
    QSignalSpy noted(&*m_notes, &LoginNotes::noted);
    QSignalSpy expired(&*m_notes, &LoginNotes::expired);
    click(session, QStringLiteral("who"));
    type(session, QStringLiteral("heidi"));
    click(session, QStringLiteral("secret"));
    type(session, kPassword);
    click(session, QStringLiteral("go"));
    QTRY_COMPARE_WITH_TIMEOUT(noted.size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(expired.size(), 1, 5000);
    QCOMPARE(expired.first().first().toUInt(), window);
    QCOMPARE(take(window).has_value(), false);
    m_notes->setLifetimeMs(10 * 60 * 1000);
    call(session, QStringLiteral("Page.close"));
}

// The page's own script can neither reach the binding nor make the watcher note a form it filled
// and sent itself; the one note that comes is the person's, typed after.
void LoginNotesTest::pageScriptsCannotNote() {
    const quint32 window = open(m_pages.url(QStringLiteral("/forge")));
    QVERIFY(window != 0);
    const QString session = attach(window);
    QSignalSpy noted(&*m_notes, &LoginNotes::noted);
    QCOMPARE(eval(session, QStringLiteral("forge('%1')").arg(m_notes->bindingName())).toString(),
             QStringLiteral("undefined,refused,undefined,refused"));
    click(session, QStringLiteral("who"));
    type(session, QStringLiteral("ivan"));
    click(session, QStringLiteral("secret"));
    type(session, kPassword);
    click(session, QStringLiteral("go"));
    QTRY_COMPARE_WITH_TIMEOUT(noted.size(), 1, 10000);
    const std::optional<LoginNotes::Login> login = take(window);
    QVERIFY(login.has_value());
    QCOMPARE(login->userId, QStringLiteral("ivan"));
    QCOMPARE(noted.size(), 1);
    call(session, QStringLiteral("Page.close"));
}

// Notes destroyed while the windows go on no longer follow their sessions' events (without a
// browser: the windows' messages are answered here).
void LoginNotesTest::notesGoneHearNoMore() {
    QList<QJsonObject> sent;
    BrowserWindows windows([&](const QByteArray& message) {
        sent << QJsonDocument::fromJson(message).object();
        return true;
    });
    const auto answer = [&](const QJsonObject& result) {
        QVERIFY(!sent.isEmpty());
        windows.receive(
            QJsonDocument(QJsonObject{{"id", sent.takeFirst().value(QStringLiteral("id"))}, {"result", result}})
                .toJson(QJsonDocument::Compact));
    };
    windows.start([](bool) {});
    answer({});
    answer({{"targetInfos", QJsonArray{QJsonObject{{"targetId", "T"}, {"type", "page"}, {"url", "http://a/"}}}}});
    auto notes = std::make_unique<LoginNotes>(windows);
    QSignalSpy following(notes.get(), &LoginNotes::following);
    notes->start();
    answer({{"sessionId", "S"}});
    for (int step = 0; step < 4; ++step)
        answer({});
    QCOMPARE(following.size(), 1);
    const QString binding = notes->bindingName();
    notes.reset();
    windows.receive(
        QJsonDocument(QJsonObject{{"method", "Runtime.bindingCalled"},
                                  {"sessionId", "S"},
                                  {"params", QJsonObject{{"name", binding},
                                                         {"payload", R"({"url":"http://a/","password":"x"})"}}}})
            .toJson(QJsonDocument::Compact));
}

QTEST_GUILESS_MAIN(LoginNotesTest)
#include "LoginNotesTest.moc"
