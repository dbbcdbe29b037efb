#include "bridge/loginforms/LoginFiller.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <memory>

#include <QDateTime>

#include "bridge/BrowserWindows.h"
#include "browser/LoginOrigin.h"
#include "otp/OneTimeCode.h"

namespace {

// The name of the world the scripts run in: its globals are its own, so the page's scripts can
// neither see the fields found nor replace the functions used (document.querySelectorAll, focus).
const QString kWorldName = QStringLiteral("quorvane-login");

// How often a page that has no login form yet is looked at again.
constexpr int kPollMs = 250;
// How long, beyond the wait for the form, the browser gets to answer the commands that fill it.
constexpr int kAnswerMs = 10000;
// How long a page may take to load before the wait for its form starts anyway.
constexpr int kLoadMs = 20000;

// What both finding scripts start with: every input of the page, through open shadow roots (inputs),
// whether one is shown and takes typing (shown), and the words of its autocomplete (tokens).
const char* const kFieldHelpers = R"JS(
  const inputs = [];
  const walk = (root) => {
    for (const el of root.querySelectorAll('*')) {
      if (el.localName === 'input') inputs.push(el);
      if (el.shadowRoot) walk(el.shadowRoot);
    }
  };
  walk(document);
  const shown = (el) => {
    if (el.disabled || el.readOnly) return false;
    const box = el.getBoundingClientRect();
    const style = getComputedStyle(el);
    return box.width > 0 && box.height > 0 && style.visibility !== 'hidden' && style.display !== 'none';
  };
  const tokens = (el) => (el.getAttribute('autocomplete') || '').toLowerCase().split(/\s+/);
)JS";

// Finds the password field and the user field, searching open shadow roots too, and keeps them in
// the world's own global for the calls that follow. Answers {user, password}: whether each was found.
// Without a password field, only a field marked as a user name counts: the first step of a login
// that asks for the password on the next page.
const char* const kFindScript = R"JS(
  const passwords = inputs.filter((el) => el.type === 'password' && shown(el) && !tokens(el).includes('new-password'));
  const password = passwords.find((el) => tokens(el).includes('current-password')) || passwords[0] || null;
  const named = (el) => tokens(el).includes('username') || tokens(el).includes('email');
  let user = null;
  if (!inputs.some((el) => el.type === 'password' && shown(el))) {
    user = inputs.find((el) => ['text', 'email', 'tel'].includes(el.type) && shown(el) && named(el)) || null;
  } else {
    const scope = (el) => el.form || el.getRootNode();
    const texts = inputs.filter((el) => ['text', 'email', 'tel'].includes(el.type) && shown(el) &&
                                        scope(el) === scope(password));
    const before = texts.filter((el) => el.compareDocumentPosition(password) & Node.DOCUMENT_POSITION_FOLLOWING);
    user = texts.find(named) || before[before.length - 1] ||
           texts.find((el) => /user|login|e-?mail|account/i.test(el.name + ' ' + el.id)) || null;
  }
  globalThis.quorvaneLogin = { user, password };
  return { user: !!user, password: !!password, loading: document.readyState !== 'complete' };
)JS";

// Finds the field a site asks its one-time code in, after a login: one marked
// autocomplete=one-time-code, else the only text field shown on the page when it looks like a code
// (numeric input, or named like code, otp, token, 2fa) and no password field is shown. Keeps it
// for the calls that follow; answers {code: found, loading}.
const char* const kFindCodeScript = R"JS(
  const visible = inputs.filter(shown);
  let code = visible.find((el) => tokens(el).includes('one-time-code')) || null;
  if (!code && !visible.some((el) => el.type === 'password')) {
    const texts = visible.filter((el) => ['text', 'tel', 'number', ''].includes(el.type));
    const looksLikeCode = (el) => (el.inputMode === 'numeric' || el.type === 'tel' || el.type === 'number' ||
                                   /\\d|0-9/.test(el.pattern || '') ||
                                   /otp|code|token|2fa|mfa|totp/i.test(el.name + ' ' + el.id)) &&
                                  (el.maxLength < 0 || (el.maxLength >= 4 && el.maxLength <= 10));
    if (texts.length === 1 && looksLikeCode(texts[0])) code = texts[0];
  }
  globalThis.quorvaneLogin = { code };
  return { code: !!code, loading: document.readyState !== 'complete' };
)JS";

// A finding script as the page runs it: the helpers and the script's body in one function.
QString fieldScript(const char* body) {
    return QStringLiteral("(() => {") + QString::fromUtf8(kFieldHelpers) + QString::fromUtf8(body) +
           QStringLiteral("})()");
}

// Focuses one of the fields found and selects its text, then tells whether the focus is really on
// it (looking through shadow roots) and the address of the frame that holds it.
QString focusScript(const QString& name) {
    return QStringLiteral(R"JS(((name) => {
  const el = globalThis.quorvaneLogin && globalThis.quorvaneLogin[name];
  if (!el || !el.isConnected) return { focused: false, url: '' };
  el.focus();
  el.select();
  let active = document.activeElement;
  while (active && active.shadowRoot && active.shadowRoot.activeElement) active = active.shadowRoot.activeElement;
  return { focused: active === el, url: location.href };
})('%1'))JS")
        .arg(name);
}

}  // namespace

struct LoginFiller::Job {
    Request request;
    Reply reply;
    QString session;
    int context = 0;
    QDeadlineTimer deadline;
    QDeadlineTimer loadLimit;  // the page's load is waited for until then
    bool firstStep = false;  // typing the user name of a login that asks for the password next
    bool codeStep = false;   // the login was sent; looking for the one-time code field
    Outcome outcome;
    QString note;  // said at the end when nothing else went wrong
    bool done = false;
};

LoginFiller::LoginFiller(BrowserWindows& windows, QObject* parent) : QObject(parent), m_windows(windows) {}

QString LoginFiller::findScript() {
    return fieldScript(kFindScript);
}

void LoginFiller::fill(quint32 id, const Request& request, Reply reply) {
    auto job = std::make_shared<Job>();
    job->request = request;
    job->reply = std::move(reply);
    job->deadline = QDeadlineTimer(m_waitMs);
    job->loadLimit = QDeadlineTimer(kLoadMs);
    // However the browser answers, or fails to, the caller hears once within a bounded time.
    QTimer::singleShot(kLoadMs + 2 * m_waitMs + kAnswerMs, this, [this, job] {
        finish(job, tr("Nothing more was filled: the browser did not answer in time."));
    });
    BrowserWindows* windows = &m_windows;  // outlives this filler
    windows->attach(id, [this, self = QPointer<LoginFiller>(this), windows, job](const QString& session) {
        if (!self || job->done) {
            if (!session.isEmpty())
                windows->detach(session);
            return;
        }
        if (session.isEmpty())
            return finish(job, tr("Nothing was filled: the browser window is gone."));
        job->session = session;
        // Focus as if the window were in front, so the field takes the typing even when it is not.
        send(job, QStringLiteral("Emulation.setFocusEmulationEnabled"), QJsonObject{{"enabled", true}},
             [this, job](const QJsonObject&, bool) { findFields(job); });
    });
}

// Every command of a fill goes through here: an answer that comes after the fill has ended (or
// after this filler is gone) is dropped.
void LoginFiller::send(const std::shared_ptr<Job>& job, const QString& method, const QJsonObject& params,
                       std::function<void(const QJsonObject& result, bool ok)> done) {
    m_windows.callInSession(job->session, method, params,
                            [self = QPointer<LoginFiller>(this), job, done](const QJsonObject& result, bool ok) {
                                if (self && !job->done)
                                    done(result, ok);
                            });
}

// Each look starts from the page's frames as they are now (a page still loading or gone elsewhere
// is looked at afresh): the main frame first, then the frames in it, depth first.
void LoginFiller::findFields(const std::shared_ptr<Job>& job) {
    if (job->done)
        return;
    listFrames(job, [this, job](QStringList frames) { findInFrames(job, std::move(frames)); });
}

void LoginFiller::listFrames(const std::shared_ptr<Job>& job, std::function<void(QStringList frames)> then) {
    send(job, QStringLiteral("Page.getFrameTree"), QJsonObject(), [then](const QJsonObject& tree, bool ok) {
        QStringList frames;
        std::function<void(const QJsonObject&)> collect = [&](const QJsonObject& node) {
            const QString id = node.value(QStringLiteral("frame")).toObject().value(QStringLiteral("id")).toString();
            if (!id.isEmpty())
                frames << id;
            for (const QJsonValue& child : node.value(QStringLiteral("childFrames")).toArray())
                collect(child.toObject());
        };
        if (ok)
            collect(tree.value(QStringLiteral("frameTree")).toObject());
        then(frames);
    });
}

// The login was sent. A card with a one-time code setup waits for the site to ask for the code
// (on the next page, or in a panel of this one); without one, or when no such field comes, the
// fill is done.
void LoginFiller::afterLogin(const std::shared_ptr<Job>& job) {
    if (job->request.codeSetup.isEmpty() ||
        !otp::parseSetup(job->request.codeSetup.toStdString(), otp::TextForm::Utf8))
        return finish(job, QString());
    job->codeStep = true;
    job->deadline = QDeadlineTimer(m_waitMs);
    job->loadLimit = QDeadlineTimer(kLoadMs);
    QTimer::singleShot(kPollMs, this, [this, job] { findCode(job); });
}

void LoginFiller::findCode(const std::shared_ptr<Job>& job) {
    if (job->done)
        return;
    listFrames(job, [this, job](QStringList frames) { findCodeInFrames(job, std::move(frames)); });
}

void LoginFiller::findCodeInFrames(const std::shared_ptr<Job>& job, QStringList frames) {
    if (frames.isEmpty()) {
        if (job->deadline.hasExpired())
            return finish(job, QString());  // the site asked for no code
        QTimer::singleShot(kPollMs, this, [this, job] { findCode(job); });
        return;
    }
    const QString frame = frames.takeFirst();
    send(job, QStringLiteral("Page.createIsolatedWorld"), QJsonObject{{"frameId", frame}, {"worldName", kWorldName}},
         [this, job, frames](const QJsonObject& world, bool ok) {
             const int context = world.value(QStringLiteral("executionContextId")).toInt();
             if (!ok || context == 0)
                 return findCodeInFrames(job, frames);
             send(job, QStringLiteral("Runtime.evaluate"),
                  QJsonObject{{"expression", fieldScript(kFindCodeScript)}, {"contextId", context},
                              {"returnByValue", true}},
                  [this, job, context, frames](const QJsonObject& answer, bool ok) {
                      const QJsonObject found =
                          answer.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toObject();
                      if (ok && found.value(QStringLiteral("loading")).toBool() && !job->loadLimit.hasExpired())
                          job->deadline = QDeadlineTimer(m_waitMs);
                      if (!ok || !found.value(QStringLiteral("code")).toBool())
                          return findCodeInFrames(job, frames);
                      job->context = context;
                      fillCode(job);
                  });
         });
}

// Types the code of this moment into the code field, after the same check of the frame that holds
// it as the login had, and sends it with Enter.
void LoginFiller::fillCode(const std::shared_ptr<Job>& job) {
    send(job, QStringLiteral("Runtime.evaluate"),
         QJsonObject{{"expression", focusScript(QStringLiteral("code"))}, {"contextId", job->context},
                     {"returnByValue", true}},
         [this, job](const QJsonObject& answer, bool ok) {
             const QJsonObject value =
                 answer.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toObject();
             if (!ok || !value.value(QStringLiteral("focused")).toBool())
                 return finish(job, tr("The one-time code was not filled: its field could not be focused."));
             const browser::OriginVerdict verdict = browser::mayFillLogin(
                 job->request.cardAddress.toStdString(), value.value(QStringLiteral("url")).toString().toStdString());
             if (!verdict.allowed)
                 return finish(job, tr("The one-time code was not filled: %1")
                                        .arg(QString::fromStdString(verdict.reason)
                                                 .remove(QStringLiteral("Nothing was filled: "))));
             const otp::ParsedSetup setup = otp::parseSetup(job->request.codeSetup.toStdString(), otp::TextForm::Utf8);
             const QString code = QString::fromStdString(
                 setup ? otp::code(*setup.setup, QDateTime::currentSecsSinceEpoch()) : std::string());
             if (code.isEmpty())
                 return finish(job, QString());
             send(job, QStringLiteral("Input.insertText"), QJsonObject{{"text", code}},
                  [this, job](const QJsonObject&, bool ok) {
                      if (!ok)
                          return finish(job, tr("The browser did not take the typing."));
                      pressEnter(job, [this, job] {
                          job->outcome.filledCode = true;
                          finish(job, QString());
                      });
                  });
         });
}

// Looks for the form in the first of `frames`, in a fresh world of its own, then in the rest. A
// frame of another site that the page's process does not hold has no world to give: it is passed.
void LoginFiller::findInFrames(const std::shared_ptr<Job>& job, QStringList frames) {
    if (frames.isEmpty()) {
        if (job->deadline.hasExpired()) {
            job->outcome.noForm = !job->outcome.filledUser;
            return finish(job, job->outcome.filledUser
                                   ? tr("Only the user ID was filled: no password field followed.")
                                   : tr("Nothing was filled: no login form was found on the page."));
        }
        QTimer::singleShot(kPollMs, this, [this, job] { findFields(job); });
        return;
    }
    const QString frame = frames.takeFirst();
    send(job, QStringLiteral("Page.createIsolatedWorld"), QJsonObject{{"frameId", frame}, {"worldName", kWorldName}},
         [this, job, frames](const QJsonObject& world, bool ok) {
             const int context = world.value(QStringLiteral("executionContextId")).toInt();
             if (!ok || context == 0)
                 return findInFrames(job, frames);
             send(job, QStringLiteral("Runtime.evaluate"),
                  QJsonObject{{"expression", findScript()}, {"contextId", context}, {"returnByValue", true}},
                  [this, job, context, frames](const QJsonObject& answer, bool ok) {
                      const QJsonObject found =
                          answer.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toObject();
                      // The wait for a form starts when the page has loaded: a slow page's form is
                      // looked for as long after its load as a quick one's.
                      if (ok && found.value(QStringLiteral("loading")).toBool() && !job->loadLimit.hasExpired())
                          job->deadline = QDeadlineTimer(m_waitMs);
                      const bool hasUser = ok && found.value(QStringLiteral("user")).toBool();
                      const bool wantUser = !job->request.userId.isEmpty() && !job->outcome.filledUser;
                      if (!ok || !found.value(QStringLiteral("password")).toBool()) {
                          // The user name alone: typed and sent with Enter, when the person asked
                          // for the form to be sent, and the password looked for on what follows.
                          if (!hasUser || !wantUser || !job->request.submit || job->request.password.isEmpty())
                              return findInFrames(job, frames);
                          job->context = context;
                          job->firstStep = true;
                          return fillField(job, true);
                      }
                      job->context = context;
                      job->note = wantUser && !hasUser
                                      ? tr("The user ID was not filled: the login form has no user field.")
                                      : QString();
                      fillField(job, wantUser && hasUser);
                  });
         });
}

// Focuses the field, checks the frame that holds it may have the card's login, selects what the
// field held and types the new text over it. The user field comes first, then the password.
void LoginFiller::fillField(const std::shared_ptr<Job>& job, bool user) {
    if (job->done)
        return;
    const QString text = user ? job->request.userId : job->request.password;
    if (!user && text.isEmpty()) {
        if (!job->request.submit)
            return finish(job, QString());
        return pressEnter(job, [this, job] {
            job->outcome.submitted = true;
            afterLogin(job);
        });
    }
    send(job, QStringLiteral("Runtime.evaluate"),
         QJsonObject{{"expression", focusScript(user ? QStringLiteral("user") : QStringLiteral("password"))}, {"contextId", job->context}, {"returnByValue", true}},
         [this, job, user, text](const QJsonObject& answer, bool ok) {
             const QJsonObject value =
                 answer.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toObject();
             if (!ok || !value.value(QStringLiteral("focused")).toBool())
                 return finish(job, tr("Nothing more was filled: the login field could not be focused."));
             const browser::OriginVerdict verdict = browser::mayFillLogin(
                 job->request.cardAddress.toStdString(), value.value(QStringLiteral("url")).toString().toStdString());
             if (!verdict.allowed)
                 return finish(job, QString::fromStdString(verdict.reason));
             send(job, QStringLiteral("Input.insertText"), QJsonObject{{"text", text}},
                  [this, job, user](const QJsonObject&, bool ok) {
                      if (!ok)
                          return finish(job, tr("The browser did not take the typing."));
                      if (user) {
                          job->outcome.filledUser = true;
                          if (!job->firstStep)
                              return fillField(job, false);
                          return pressEnter(job, [this, job] {
                              job->firstStep = false;
                              job->deadline = QDeadlineTimer(m_waitMs);  // the next step gets its own wait
                              QTimer::singleShot(kPollMs, this, [this, job] { findFields(job); });
                          });
                      }
                      job->outcome.filledPassword = true;
                      if (!job->request.submit)
                          return finish(job, QString());
                      pressEnter(job, [this, job] {
                          job->outcome.submitted = true;
                          afterLogin(job);
                      });
                  });
         });
}

// Presses Enter in the focused field, which sends its form as a person's Enter would.
void LoginFiller::pressEnter(const std::shared_ptr<Job>& job, std::function<void()> then) {
    auto key = [](const char* type) {
        QJsonObject event{{"type", type},
                          {"key", "Enter"},
                          {"code", "Enter"},
                          {"windowsVirtualKeyCode", 13},
                          {"nativeVirtualKeyCode", 13}};
        if (QLatin1String(type) == QLatin1String("keyDown"))
            event.insert(QStringLiteral("text"), QStringLiteral("\r"));
        return event;
    };
    send(job, QStringLiteral("Input.dispatchKeyEvent"), key("keyDown"),
         [this, job, key, then](const QJsonObject&, bool ok) {
             if (!ok)
                 return finish(job, tr("The browser did not take the Enter key."));
             send(job, QStringLiteral("Input.dispatchKeyEvent"), key("keyUp"),
                  [this, job, then](const QJsonObject&, bool ok) {
                      if (!ok)
                          return finish(job, tr("The browser did not take the Enter key."));
                      then();
                  });
         });
}

void LoginFiller::finish(const std::shared_ptr<Job>& job, const QString& message) {
    if (job->done)
        return;
    job->done = true;
    if (!job->session.isEmpty())
        m_windows.detach(job->session);
    job->outcome.message = message.isEmpty() ? job->note : message;
    job->reply(job->outcome);
}
