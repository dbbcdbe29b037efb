#pragma once
// The browser's page targets as the windows the browser interface speaks of: each gets a stable
// 32-bit id of ours, and the operations the interface needs (open an address, bring a window
// forward, tell its address and title) are made of DevTools protocol commands.

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class ChromiumProcess;
class HttpAuthAnswerer;

class BrowserWindows : public QObject {
    Q_OBJECT
public:
    /// Window id 0 asks for a new window; this one for the window last active.
    static constexpr quint32 kLastActive = 0xFFFFFFFFu;

    /// Writes one protocol message to the browser; false when it is gone.
    using Sender = std::function<bool(const QByteArray& message)>;

    /// Follows the messages `browser` receives and sends through it.
    explicit BrowserWindows(ChromiumProcess& browser, QObject* parent = nullptr);
    /// Sends through `send`; every message from the browser is to be handed to receive().
    explicit BrowserWindows(Sender send, QObject* parent = nullptr);
    ~BrowserWindows() override;

    /// One message from the browser (JSON, without its NUL): an answer to a call, or an event.
    void receive(const QByteArray& message);

    /// Starts following the browser's targets; `ready` is called once it knows the pages there are.
    void start(std::function<void(bool ok)> ready);
    /// Runs `work` now when the browser is ready, else as soon as it is (requests that arrive while
    /// the browser starts wait for it instead of failing).
    void whenReady(std::function<void()> work);

    struct Info {
        QString url;
        QString title;
    };
    using IdReply = std::function<void(quint32 id)>;  // 0: it failed
    using InfoReply = std::function<void(bool ok, const Info& info)>;

    /// Opens `url` in window `id` (0: a new window; kLastActive: the last active one, or a new
    /// window when there is none) and answers with the window's id. An http(s) address with a user
    /// part is opened without it, and the site's HTTP authentication is answered with it instead
    /// (HttpAuthAnswerer).
    void openUrl(const QString& url, quint32 id, IdReply reply);
    /// Whether the site's HTTP authentication was answered with the user part of the last address
    /// opened in window `id` (kLastActive: the last active), and not refused.
    bool answeredHttpAuth(quint32 id) const;
    /// What answers the HTTP authentication of addresses with a user part (its signals tell when a
    /// navigation is no longer followed).
    HttpAuthAnswerer& httpAuth() { return *m_httpAuth; }
    /// Brings window `id` (kLastActive: the last active) forward; answers with its id.
    void activate(quint32 id, IdReply reply);
    /// The address and title of window `id` (kLastActive: the last active).
    void info(quint32 id, InfoReply reply);
    /// The ids of the open windows, oldest first.
    QList<quint32> windows() const;
    /// The window last active: one of windows(), or 0 when there is none.
    quint32 lastActive() const { return m_lastActive; }

    /// The answer to one protocol command: its result, and false when it failed or the browser is gone.
    using Result = std::function<void(const QJsonObject& result, bool ok)>;
    /// Attaches to the page of window `id` (kLastActive: the last active) for commands of its own;
    /// answers with the session's id, or "" when it failed. detach() ends the session.
    void attach(quint32 id, std::function<void(const QString& session)> reply);
    void detach(const QString& session);
    /// Sends one command to the page of `session` (from attach()).
    void callInSession(const QString& session, const QString& method, const QJsonObject& params, Result done);

    /// An event of one session: its method and params.
    using EventHandler = std::function<void(const QString& method, const QJsonObject& params)>;
    /// Hands every event the browser sends for `session` to `handler`, until unlisten() with the
    /// number this answers or the session ends. Several handlers may follow one session.
    int listen(const QString& session, EventHandler handler);
    void unlisten(int listener);

    /// The address the page of window `id` showed when the browser last told (no browser call).
    QString knownUrl(quint32 id) const { return m_pages.value(resolve(id)).info.url; }

signals:
    /// A page the person sees as a window or tab has appeared (also for those there at start).
    void windowOpened(quint32 id);
    /// Window `id` has closed.
    void windowClosed(quint32 id);

private:
    void call(const QString& method, const QJsonObject& params, Result done, const QString& session = QString());
    void notePage(const QJsonObject& targetInfo);
    quint32 resolve(quint32 id) const;
    void openWithHttpAuth(const QString& url, quint32 target, IdReply reply);

    struct Page {
        QString targetId;
        Info info;
    };
    Sender m_send;
    int m_nextCall = 1;
    QHash<int, Result> m_calls;
    quint32 m_nextId = 1;
    QHash<quint32, Page> m_pages;
    QHash<QString, quint32> m_idForTarget;
    quint32 m_lastActive = 0;
    bool m_ready = false;
    QList<std::function<void()>> m_waiting;
    struct Listener {
        QString session;
        EventHandler handler;
    };
    int m_nextListener = 1;
    std::map<int, Listener> m_listeners;
    std::unique_ptr<HttpAuthAnswerer> m_httpAuth;
};
