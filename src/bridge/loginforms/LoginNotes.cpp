#include "bridge/loginforms/LoginNotes.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <cstring>

#include "bridge/BrowserWindows.h"
#include "browser/LoginOrigin.h"

namespace {

// The world the watcher runs in. Its globals are its own, and the binding exists only in contexts
// of this name, so the page's scripts can neither call it nor see that it is there. (The filler's
// world has another name: it cannot call the binding either.)
const QString kWorldName = QStringLiteral("quorvane-notes");

// The watcher. It runs in every document of the page's process (the main frame and the frames of
// the same process) before the page's own scripts, and listens in the capture phase of the window,
// so no page script can stop it first. Only events the browser marks trusted count (a person's
// input, or the browser's input commands); a submit counts only while the page has a person's
// recent input (transient activation). At that moment it reads the form the event came from:
// - the scope is the field's form, else the tree (document or open shadow root) that holds it,
//   searched through the open shadow roots below it; a button in no form looks first at the
//   fields in no form;
// - the password is a password field with a value: a new-password one first (a change of password
//   or a sign-up), then a current-password one, then the first;
// - the user field is found as the filler finds it: one marked username or email, else the last
//   text field before the password, else one whose name or id reads like a user name;
// - without a password field with a value, a user field marked as such (or an email field, or one
//   named like it) with a value is the first step of a two-step login, sent without a password;
//   a form with an empty password field is not sent at all.
const char* const kWatcher = R"JS((() => {
  if (globalThis.__BINDING__watching) return;
  globalThis.__BINDING__watching = true;
  const send = globalThis['__BINDING__'];
  if (typeof send !== 'function') return;
  const inputsIn = (root, out = []) => {
    if (root.localName === 'input') out.push(root);
    for (const el of root.querySelectorAll('*')) {
      if (el.localName === 'input') out.push(el);
      if (el.shadowRoot) inputsIn(el.shadowRoot, out);
    }
    return out;
  };
  const shown = (el) => {
    if (el.disabled) return false;
    const box = el.getBoundingClientRect();
    const style = getComputedStyle(el);
    return box.width > 0 && box.height > 0 && style.visibility !== 'hidden' && style.display !== 'none';
  };
  const tokens = (el) => (el.getAttribute('autocomplete') || '').toLowerCase().split(/\s+/);
  const named = (el) => tokens(el).includes('username') || tokens(el).includes('email');
  const likeUser = (el) => /user|login|e-?mail|account/i.test(el.name + ' ' + el.id);
  const isText = (el) => ['text', 'email', 'tel'].includes(el.type);
  const scopeOf = (el) => el.form || el.getRootNode();
  const read = (start) => {
    const form = start.form || (start.closest && start.closest('form'));
    let inputs = inputsIn(form || start.getRootNode());
    // A button in no form sends the fields in no form, when those hold a password.
    const loose = inputs.filter((el) => !el.form);
    if (!form && loose.some((el) => el.type === 'password' && el.value)) inputs = loose;
    const passwords = inputs.filter((el) => el.type === 'password' && el.value);
    const password = passwords.find((el) => tokens(el).includes('new-password')) ||
                     passwords.find((el) => tokens(el).includes('current-password')) || passwords[0];
    const texts = inputs.filter((el) => isText(el) && shown(el));
    if (!password) {
      if (inputs.some((el) => el.type === 'password' && shown(el))) return null;
      const user = texts.find((el) => el.value && (named(el) || el.type === 'email' || likeUser(el)));
      return user ? { user: user.value, password: '' } : null;
    }
    const mates = texts.filter((el) => scopeOf(el) === scopeOf(password));
    const before = mates.filter((el) => el.compareDocumentPosition(password) & Node.DOCUMENT_POSITION_FOLLOWING);
    const user = mates.find(named) || before[before.length - 1] || mates.find(likeUser);
    return { user: user ? user.value : '', password: password.value };
  };
  const note = (start) => {
    if (!start || start.nodeType !== Node.ELEMENT_NODE) return;
    const found = read(start);
    if (found) send(JSON.stringify({ url: location.href, user: found.user, password: found.password }));
  };
  const isButton = (el) => el.nodeType === Node.ELEMENT_NODE &&
      (el.localName === 'button' || (el.localName === 'input' && ['submit', 'image', 'button'].includes(el.type)) ||
       el.getAttribute('role') === 'button');
  addEventListener('keydown', (e) => {
    if (!e.isTrusted || e.key !== 'Enter' || e.isComposing) return;
    const field = e.composedPath()[0];
    if (field && field.localName === 'input') note(field);
  }, true);
  addEventListener('click', (e) => {
    if (e.isTrusted) note(e.composedPath().find(isButton));
  }, true);
  addEventListener('submit', (e) => {
    if (e.isTrusted && navigator.userActivation.isActive) note(e.composedPath()[0]);
  }, true);
})())JS";

// Overwrites the text's characters before letting it go, unless another string still shares them
// (then writing would only make a copy first).
void wipe(QString& text) {
    if (!text.isEmpty() && text.isDetached())
        explicit_bzero(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    text.clear();
}

void wipe(LoginNotes::Login& login) {
    wipe(login.userId);
    wipe(login.password);
    login.pageUrl.clear();
}

// A copy that shares no characters with `text`, so either can be wiped on its own.
QString ownCopy(const QString& text) {
    return QString(text.constData(), text.size());
}

}  // namespace

LoginNotes::LoginNotes(BrowserWindows& windows, QObject* parent) : QObject(parent), m_windows(windows) {
    const quint64 random = QRandomGenerator::system()->generate64();
    m_binding = QStringLiteral("quorvaneNote%1").arg(random, 16, 16, QLatin1Char('0'));
}

LoginNotes::~LoginNotes() {
    for (auto it = m_tabs.begin(); it != m_tabs.end(); ++it) {
        if (it->listener != 0)
            m_windows.unlisten(it->listener);  // the windows go on without us
        if (it->login)
            wipe(it->login->login);
        if (it->firstStep)
            wipe(it->firstStep->login);
    }
}

void LoginNotes::start() {
    if (m_started)
        return;
    m_started = true;
    connect(&m_windows, &BrowserWindows::windowOpened, this, &LoginNotes::follow);
    connect(&m_windows, &BrowserWindows::windowClosed, this, &LoginNotes::forget);
    for (const quint32 id : m_windows.windows())
        follow(id);
}

// One session of our own stays attached to each page for as long as it is open.
void LoginNotes::follow(quint32 id) {
    if (m_tabs.contains(id))
        return;
    m_tabs.insert(id, Tab());
    m_windows.attach(id, [this, self = QPointer<LoginNotes>(this), windows = &m_windows, id](const QString& session) {
        if (!self || !m_tabs.contains(id) || !m_tabs[id].session.isEmpty()) {
            if (!session.isEmpty())
                windows->detach(session);
            return;
        }
        if (session.isEmpty()) {
            m_tabs.remove(id);  // a page that went before it could be followed
            return;
        }
        Tab& tab = m_tabs[id];
        tab.session = session;
        tab.listener = m_windows.listen(session, [this, id](const QString& method, const QJsonObject& params) {
            if (method == QLatin1String("Runtime.bindingCalled") &&
                params.value(QStringLiteral("name")).toString() == m_binding)
                received(id, params.value(QStringLiteral("payload")).toString());
        });
        setUp(id, session, 0);
    });
}

// The commands that put the watcher in place, one after the other. The browser reports a binding's
// calls only with the Runtime domain on, and runs scripts in new documents only with the Page domain
// on; runImmediately runs the watcher in the documents there already as well.
void LoginNotes::setUp(quint32 id, const QString& session, int step) {
    QString method;
    QJsonObject params;
    switch (step) {
        case 0:
            method = QStringLiteral("Runtime.enable");
            break;
        case 1:
            method = QStringLiteral("Page.enable");
            break;
        case 2:
            method = QStringLiteral("Runtime.addBinding");
            params = QJsonObject{{"name", m_binding}, {"executionContextName", kWorldName}};
            break;
        case 3:
            method = QStringLiteral("Page.addScriptToEvaluateOnNewDocument");
            params =
                QJsonObject{{"source", QString::fromUtf8(kWatcher).replace(QStringLiteral("__BINDING__"), m_binding)},
                            {"worldName", kWorldName},
                            {"runImmediately", true}};
            break;
        default:
            emit following(id);
            return;
    }
    m_windows.callInSession(
        session, method, params,
        [this, self = QPointer<LoginNotes>(this), id, session, step, method](const QJsonObject&, bool ok) {
            if (!self || m_tabs.value(id).session != session)
                return;
            if (!ok) {
                qWarning("quorvane-browser: logins typed in window %u cannot be noted: %s failed", id,
                         qPrintable(method));
                return;
            }
            setUp(id, session, step + 1);
        });
}

LoginNotes::Note LoginNotes::fresh(Login login) const {
    return Note{std::move(login), QDeadlineTimer(m_lifetimeMs)};
}

void LoginNotes::received(quint32 id, const QString& payload) {
    const QJsonObject note = QJsonDocument::fromJson(payload.toUtf8()).object();
    QString user = note.value(QStringLiteral("user")).toString();
    QString password = note.value(QStringLiteral("password")).toString();
    const QUrl url(note.value(QStringLiteral("url")).toString());
    if (!m_tabs.contains(id) || !url.isValid() || (user.isEmpty() && password.isEmpty())) {
        wipe(user);
        wipe(password);
        return;
    }
    Tab& tab = m_tabs[id];
    Login login{url.toString(QUrl::RemoveUserInfo), std::move(user), std::move(password)};
    if (login.password.isEmpty()) {
        if (tab.firstStep)
            wipe(tab.firstStep->login);
        tab.firstStep = fresh(std::move(login));
    } else {
        // The password of a login that asked for the user ID on its page before. The first step
        // stays for as long as it lives: the same form is often reported twice (Enter, then submit).
        if (login.userId.isEmpty() && tab.firstStep && !tab.firstStep->deadline.hasExpired() &&
            browser::sameSite(tab.firstStep->login.pageUrl.toStdString(), login.pageUrl.toStdString()))
            login.userId = ownCopy(tab.firstStep->login.userId);
        if (tab.login)
            wipe(tab.login->login);
        tab.login = fresh(std::move(login));
    }
    QTimer::singleShot(m_lifetimeMs, Qt::PreciseTimer, this, [this, id] { expire(id); });
    emit noted(id);
}

void LoginNotes::expire(quint32 id) {
    if (!m_tabs.contains(id))
        return;
    Tab& tab = m_tabs[id];
    bool gone = false;
    for (std::optional<Note>* note : {&tab.login, &tab.firstStep}) {
        if (*note && (*note)->deadline.hasExpired()) {
            wipe((*note)->login);
            note->reset();
            gone = true;
        }
    }
    if (gone)
        emit expired(id);
}

void LoginNotes::forget(quint32 id) {
    if (!m_tabs.contains(id))
        return;
    Tab tab = m_tabs.take(id);
    if (tab.listener != 0)
        m_windows.unlisten(tab.listener);
    if (tab.login)
        wipe(tab.login->login);
    if (tab.firstStep)
        wipe(tab.firstStep->login);
}

void LoginNotes::take(quint32 id, std::function<void(std::optional<Login>)> reply) {
    const quint32 window = id == BrowserWindows::kLastActive ? m_windows.lastActive() : id;
    // The address the window shows is asked afresh: the one last heard of may lag behind. The answer
    // goes through the event loop, as info() may answer at once; the windows outlive the notes.
    BrowserWindows* windows = &m_windows;
    windows->info(window, [this, self = QPointer<LoginNotes>(this), windows, window, reply](
                              bool ok, const BrowserWindows::Info& info) {
        QTimer::singleShot(0, windows, [this, self, window, reply, ok, url = info.url] {
            if (!self || !ok || !m_tabs.contains(window))
                return reply(std::nullopt);
            expire(window);
            Tab& tab = m_tabs[window];
            if (!tab.login || !browser::sameSite(tab.login->login.pageUrl.toStdString(), url.toStdString()))
                return reply(std::nullopt);
            Login login = std::move(tab.login->login);
            tab.login.reset();
            if (tab.firstStep) {
                wipe(tab.firstStep->login);
                tab.firstStep.reset();
            }
            reply(std::move(login));
        });
    });
}
