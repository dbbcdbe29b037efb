#include "bridge/BrowserWindows.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "bridge/ChromiumProcess.h"
#include "bridge/HttpAuthAnswerer.h"

BrowserWindows::BrowserWindows(ChromiumProcess& browser, QObject* parent)
    : BrowserWindows([&browser](const QByteArray& message) { return browser.send(message); }, parent) {
    connect(&browser, &ChromiumProcess::messageReceived, this, &BrowserWindows::receive);
}

BrowserWindows::BrowserWindows(Sender send, QObject* parent)
    : QObject(parent), m_send(std::move(send)), m_httpAuth(std::make_unique<HttpAuthAnswerer>(*this)) {}

BrowserWindows::~BrowserWindows() = default;

void BrowserWindows::call(const QString& method, const QJsonObject& params, Result done, const QString& session) {
    const int id = m_nextCall++;
    m_calls.insert(id, std::move(done));
    QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
    if (!session.isEmpty())
        message.insert(QStringLiteral("sessionId"), session);
    if (!m_send(QJsonDocument(message).toJson(QJsonDocument::Compact)))
        m_calls.take(id)(QJsonObject(), false);
}

void BrowserWindows::receive(const QByteArray& message) {
    const QJsonObject object = QJsonDocument::fromJson(message).object();
    if (object.contains(QStringLiteral("id"))) {
        const int id = object.value(QStringLiteral("id")).toInt();
        if (Result done = m_calls.take(id))
            done(object.value(QStringLiteral("result")).toObject(), !object.contains(QStringLiteral("error")));
        return;
    }
    const QString method = object.value(QStringLiteral("method")).toString();
    const QJsonObject params = object.value(QStringLiteral("params")).toObject();
    const QString session = object.value(QStringLiteral("sessionId")).toString();
    if (!session.isEmpty()) {
        // A handler may unlisten (itself or another) while the event is handed round.
        std::vector<int> ids;
        for (const auto& [id, listener] : m_listeners)
            if (listener.session == session)
                ids.push_back(id);
        for (const int id : ids) {
            const auto found = m_listeners.find(id);
            if (found != m_listeners.end()) {
                const EventHandler handler = found->second.handler;
                handler(method, params);
            }
        }
        return;
    }
    if (method == QLatin1String("Target.detachedFromTarget")) {
        const QString gone = params.value(QStringLiteral("sessionId")).toString();
        std::erase_if(m_listeners, [&](const auto& entry) { return entry.second.session == gone; });
        return;
    }
    if (method == QLatin1String("Target.targetCreated") || method == QLatin1String("Target.targetInfoChanged")) {
        notePage(params.value(QStringLiteral("targetInfo")).toObject());
    } else if (method == QLatin1String("Target.targetDestroyed")) {
        const quint32 gone = m_idForTarget.take(params.value(QStringLiteral("targetId")).toString());
        if (gone == 0)
            return;
        m_pages.remove(gone);
        m_httpAuth->forget(gone);
        if (m_lastActive == gone)
            m_lastActive = m_pages.isEmpty() ? 0 : windows().constLast();
        emit windowClosed(gone);
    }
}

// Pages are what a person sees as windows and tabs; the browser's own targets (its menus, service
// workers, extensions) are not.
void BrowserWindows::notePage(const QJsonObject& targetInfo) {
    if (targetInfo.value(QStringLiteral("type")).toString() != QLatin1String("page"))
        return;
    const QString targetId = targetInfo.value(QStringLiteral("targetId")).toString();
    if (targetId.isEmpty())
        return;
    quint32 id = m_idForTarget.value(targetId);
    bool fresh = false;
    if (id == 0) {
        id = m_nextId++;
        if (m_nextId == kLastActive)
            m_nextId = 1;
        m_idForTarget.insert(targetId, id);
        m_pages.insert(id, Page{targetId, {}});
        m_lastActive = id;  // a window the person opens becomes the one in front
        fresh = true;
    }
    Page& page = m_pages[id];
    if (targetInfo.contains(QStringLiteral("url")))
        page.info.url = targetInfo.value(QStringLiteral("url")).toString();
    if (targetInfo.contains(QStringLiteral("title")))
        page.info.title = targetInfo.value(QStringLiteral("title")).toString();
    if (fresh)
        emit windowOpened(id);
}

void BrowserWindows::start(std::function<void(bool ok)> ready) {
    call(QStringLiteral("Target.setDiscoverTargets"), QJsonObject{{"discover", true}},
         [this, ready](const QJsonObject&, bool ok) {
             if (!ok)
                 return ready(false);
             call(QStringLiteral("Target.getTargets"), QJsonObject(), [this, ready](const QJsonObject& result, bool ok) {
                 for (const QJsonValue& target : result.value(QStringLiteral("targetInfos")).toArray())
                     notePage(target.toObject());
                 ready(ok);
                 if (!ok)
                     return;
                 m_ready = true;
                 for (const auto& work : std::exchange(m_waiting, {}))
                     work();
             });
         });
}

void BrowserWindows::whenReady(std::function<void()> work) {
    if (m_ready)
        work();
    else
        m_waiting.append(std::move(work));
}

quint32 BrowserWindows::resolve(quint32 id) const {
    if (id == kLastActive)
        return m_lastActive;
    return m_pages.contains(id) ? id : 0;
}

QList<quint32> BrowserWindows::windows() const {
    QList<quint32> ids = m_pages.keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

void BrowserWindows::openUrl(const QString& url, quint32 id, IdReply reply) {
    const quint32 target = id == 0 ? 0 : resolve(id);
    if (target == 0 && id != 0 && id != kLastActive)
        return reply(0);  // a window that is not there
    if (target != 0)
        m_httpAuth->forget(target);  // whatever answered for its last address is over
    if (HttpAuthAnswerer::split(url).hasUserPart)
        return openWithHttpAuth(url, target, std::move(reply));
    if (target == 0) {
        call(QStringLiteral("Target.createTarget"), QJsonObject{{"url", url}, {"newWindow", true}},
             [this, reply](const QJsonObject& result, bool ok) {
                 const QString targetId = result.value(QStringLiteral("targetId")).toString();
                 if (!ok || targetId.isEmpty())
                     return reply(0);
                 notePage(QJsonObject{{"targetId", targetId}, {"type", "page"}});
                 const quint32 made = m_idForTarget.value(targetId);
                 m_lastActive = made;
                 reply(made);
             });
        return;
    }
    // An existing window: attach to its page for one navigation, then let it go again.
    attach(target, [this, target, url, reply](const QString& session) {
        if (session.isEmpty())
            return reply(0);
        callInSession(session, QStringLiteral("Page.navigate"), QJsonObject{{"url", url}},
                      [this, target, session, reply](const QJsonObject&, bool ok) {
                          detach(session);
                          if (!ok)
                              return reply(0);
                          activate(target, reply);
                      });
    });
}

// The page must be followed before its first request leaves: a new window is made blank, and the
// address is opened in it once the answerer listens.
void BrowserWindows::openWithHttpAuth(const QString& url, quint32 target, IdReply reply) {
    auto navigate = [this, url, reply](quint32 window, bool fresh) {
        attach(window, [this, window, fresh, url, reply](const QString& session) {
            if (session.isEmpty())
                return reply(0);
            m_httpAuth->open(window, session, HttpAuthAnswerer::split(url), [this, window, fresh, reply](bool ok) {
                if (!ok)
                    return reply(0);
                if (fresh)
                    return reply(m_pages.contains(window) ? window : 0);
                activate(window, reply);
            });
        });
    };
    if (target != 0)
        return navigate(target, false);
    call(QStringLiteral("Target.createTarget"), QJsonObject{{"url", "about:blank"}, {"newWindow", true}},
         [this, reply, navigate](const QJsonObject& result, bool ok) {
             const QString targetId = result.value(QStringLiteral("targetId")).toString();
             if (!ok || targetId.isEmpty())
                 return reply(0);
             notePage(QJsonObject{{"targetId", targetId}, {"type", "page"}});
             const quint32 made = m_idForTarget.value(targetId);
             m_lastActive = made;
             navigate(made, true);
         });
}

bool BrowserWindows::answeredHttpAuth(quint32 id) const {
    return m_httpAuth->answered(resolve(id));
}

void BrowserWindows::attach(quint32 id, std::function<void(const QString& session)> reply) {
    const quint32 target = resolve(id);
    if (target == 0)
        return reply(QString());
    call(QStringLiteral("Target.attachToTarget"),
         QJsonObject{{"targetId", m_pages.value(target).targetId}, {"flatten", true}},
         [reply](const QJsonObject& result, bool ok) {
             reply(ok ? result.value(QStringLiteral("sessionId")).toString() : QString());
         });
}

void BrowserWindows::detach(const QString& session) {
    call(QStringLiteral("Target.detachFromTarget"), QJsonObject{{"sessionId", session}},
         [](const QJsonObject&, bool) {});
}

void BrowserWindows::callInSession(const QString& session, const QString& method, const QJsonObject& params,
                                   Result done) {
    call(method, params, std::move(done), session);
}

int BrowserWindows::listen(const QString& session, EventHandler handler) {
    const int id = m_nextListener++;
    m_listeners.emplace(id, Listener{session, std::move(handler)});
    return id;
}

void BrowserWindows::unlisten(int listener) {
    m_listeners.erase(listener);
}

void BrowserWindows::activate(quint32 id, IdReply reply) {
    const quint32 target = resolve(id);
    if (target == 0)
        return reply(0);
    call(QStringLiteral("Target.activateTarget"), QJsonObject{{"targetId", m_pages.value(target).targetId}},
         [this, target, reply](const QJsonObject&, bool ok) {
             // The window may have closed while the browser was bringing it forward.
             ok = ok && m_pages.contains(target);
             if (ok)
                 m_lastActive = target;
             reply(ok ? target : 0);
         });
}

void BrowserWindows::info(quint32 id, InfoReply reply) {
    const quint32 target = resolve(id);
    if (target == 0)
        return reply(false, Info());
    // Asked afresh: the events may lag behind a page that has just loaded.
    call(QStringLiteral("Target.getTargetInfo"), QJsonObject{{"targetId", m_pages.value(target).targetId}},
         [this, target, reply](const QJsonObject& result, bool ok) {
             if (ok)
                 notePage(result.value(QStringLiteral("targetInfo")).toObject());
             reply(ok && m_pages.contains(target), m_pages.value(target).info);
         });
}
