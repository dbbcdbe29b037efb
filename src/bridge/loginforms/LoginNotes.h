#pragma once
// Notes the user ID and password of the last login form a person sends by hand in each browser
// window, in memory only, so that Quorvane can offer to keep them as a card. A watcher script in a
// world of its own in every page reads the form at the moment it is sent (Enter in a field, a click
// on a button, a submit) and hands it over through a binding that only that world can call. A note
// is dropped when it is taken, when its window closes, or after its lifetime (ten minutes).

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class BrowserWindows;

class LoginNotes : public QObject {
    Q_OBJECT
public:
    /// `windows` must outlive the notes.
    explicit LoginNotes(BrowserWindows& windows, QObject* parent = nullptr);
    ~LoginNotes() override;

    /// Follows every window: those there now and those opened later.
    void start();
    /// How long a note is kept (10 minutes unless changed).
    void setLifetimeMs(int ms) { m_lifetimeMs = ms; }

    struct Login {
        QString pageUrl;  // the page whose form was sent, without any user part
        QString userId;
        QString password;
    };
    /// Takes and forgets the login noted for window `id` (BrowserWindows::kLastActive: the last
    /// active), only if it is of the site the window shows now (same scheme and registrable domain);
    /// answers nothing (std::nullopt) otherwise. Answers once, never before take() returns.
    void take(quint32 id, std::function<void(std::optional<Login>)> reply);

    /// The name of the binding the watcher calls (random for each run); for the tests.
    QString bindingName() const { return m_binding; }

signals:
    /// The watcher is in place in window `id`: what is sent there from now on is noted.
    void following(quint32 id);
    /// A form sent in window `id` was noted (also the first step of a two-step login).
    void noted(quint32 id);
    /// A note of window `id` reached the end of its lifetime and was wiped.
    void expired(quint32 id);

private:
    struct Note {
        Login login;
        QDeadlineTimer deadline;
    };
    struct Tab {
        QString session;
        int listener = 0;
        std::optional<Note> login;      // the last login sent, with its password
        std::optional<Note> firstStep;  // the user ID of a login that asks for the password next
    };
    void follow(quint32 id);
    void setUp(quint32 id, const QString& session, int step);
    void received(quint32 id, const QString& payload);
    void expire(quint32 id);
    void forget(quint32 id);
    Note fresh(Login login) const;

    BrowserWindows& m_windows;
    QString m_binding;
    int m_lifetimeMs = 10 * 60 * 1000;
    bool m_started = false;
    QHash<quint32, Tab> m_tabs;
};
