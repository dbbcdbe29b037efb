#pragma once
// A Chromium started with a profile of its own and the DevTools protocol on a pipe: commands go to
// the browser's descriptor 3, answers and events come from its descriptor 4, and no port is opened.
// The browser ends with this process (it gets SIGKILL when its parent dies).

#include <QObject>
#include <QString>
#include <QStringList>
#include <sys/types.h>

#include "bridge/DevToolsFraming.h"

class QSocketNotifier;

class ChromiumProcess : public QObject {
    Q_OBJECT
public:
    explicit ChromiumProcess(QObject* parent = nullptr);
    ~ChromiumProcess() override;

    /// Starts `program` with `arguments` plus the pipe and profile options. False, with the reason
    /// in `error`, when it cannot be started.
    bool start(const QString& program, const QStringList& arguments, const QString& profileDir, QString& error);

    /// Writes one protocol message (a NUL is added). False when the browser is gone.
    bool send(const QByteArray& message);

    /// Ends the browser: SIGTERM, then SIGKILL after a grace period.
    void stop();

    pid_t pid() const { return m_pid; }

    /// The longest message taken from the browser (kMaxDevToolsMessageBytes unless a test sets a
    /// smaller one before start()). A longer one ends the connection: a message on standard error,
    /// the browser stopped, finished() emitted, and cutOff() true.
    void setMaxMessageBytes(qsizetype bytes) { m_framing = DevToolsFraming(bytes); }
    bool cutOff() const { return m_framing.tooLong(); }

    /// The options every start adds: the pipe, the profile, no first-run questions, and --no-sandbox
    /// when running as root (the browser refuses to start there otherwise).
    static QStringList pipeArguments(const QString& profileDir);

signals:
    /// One protocol message from the browser, without its NUL.
    void messageReceived(const QByteArray& message);
    /// The browser closed its end of the pipe or exited.
    void finished();

private:
    void readAvailable();
    void reap();

    pid_t m_pid = -1;
    int m_toBrowser = -1;
    int m_fromBrowser = -1;
    QSocketNotifier* m_notifier = nullptr;
    DevToolsFraming m_framing;
    bool m_finished = false;
};
