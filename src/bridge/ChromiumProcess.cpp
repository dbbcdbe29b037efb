#include "bridge/ChromiumProcess.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bridge/TraceRedaction.h"
#include "common/TestSeams.h"

namespace {
// QUORVANE_BRIDGE_TRACE=1 writes every protocol message to standard error, addresses' user names and
// passwords and typed text masked, for finding out what a browser answers. A test switch: only a build
// made for the tests obeys it.
const bool g_trace = [] {
    const char* value = testSwitch("QUORVANE_BRIDGE_TRACE");
    return value && std::atoi(value) != 0;
}();

// At most this much is read from the pipe before the messages are handed on and the event loop runs
// again, so a browser that never stops writing holds neither the loop nor more memory than this.
constexpr int kReadsPerWake = 16;
}  // namespace

ChromiumProcess::ChromiumProcess(QObject* parent) : QObject(parent) {}

ChromiumProcess::~ChromiumProcess() {
    stop();
}

QStringList ChromiumProcess::pipeArguments(const QString& profileDir) {
    QStringList arguments = {QStringLiteral("--remote-debugging-pipe"), QStringLiteral("--user-data-dir=") + profileDir,
                             QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check")};
    if (::geteuid() == 0)
        arguments << QStringLiteral("--no-sandbox");
    return arguments;
}

bool ChromiumProcess::start(const QString& program, const QStringList& arguments, const QString& profileDir,
                            QString& error) {
    int toBrowser[2], fromBrowser[2];
    if (::pipe2(toBrowser, O_CLOEXEC) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::pipe2(fromBrowser, O_CLOEXEC) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(toBrowser[0]);
        ::close(toBrowser[1]);
        return false;
    }
    // Everything the child needs is made before the fork: after it, only async-signal-safe calls.
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& argument : arguments + pipeArguments(profileDir))
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        for (int fd : {toBrowser[0], toBrowser[1], fromBrowser[0], fromBrowser[1]})
            ::close(fd);
        return false;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);  // the bridge died before the line above
        // The browser reads commands on 3 and writes to 4. dup() first, so that a pipe end already
        // numbered 3 or 4 is not closed by the other dup2.
        const int in = ::dup(toBrowser[0]);
        const int out = ::dup(fromBrowser[1]);
        if (in < 0 || out < 0 || ::dup2(in, 3) < 0 || ::dup2(out, 4) < 0)
            ::_exit(127);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            ::dup2(devnull, 0);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(toBrowser[0]);
    ::close(fromBrowser[1]);
    m_pid = pid;
    m_toBrowser = toBrowser[1];
    m_fromBrowser = fromBrowser[0];
    m_finished = false;
    m_framing = DevToolsFraming(m_framing.maxMessageBytes());
    ::fcntl(m_fromBrowser, F_SETFL, ::fcntl(m_fromBrowser, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_fromBrowser, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ChromiumProcess::readAvailable);
    return true;
}

bool ChromiumProcess::send(const QByteArray& message) {
    if (m_toBrowser < 0)
        return false;
    if (g_trace)
        std::fprintf(stderr, "-> %s\n", redactedForTrace(message).constData());
    QByteArray data = message;
    data.append('\0');
    const char* at = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(m_toBrowser, at, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        left -= n;
    }
    return true;
}

void ChromiumProcess::readAvailable() {
    char buffer[65536];
    QList<QByteArray> messages;
    for (int reads = 0; reads < kReadsPerWake && m_fromBrowser >= 0 && !m_framing.tooLong();) {
        const ssize_t n = ::read(m_fromBrowser, buffer, sizeof buffer);
        if (n > 0) {
            messages.append(m_framing.add(buffer, n));
            ++reads;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        reap();  // end of file or an error: the browser is gone
        break;
    }
    for (const QByteArray& message : messages) {
        if (g_trace)
            std::fprintf(stderr, "<- %.300s\n", redactedForTrace(message).constData());
        emit messageReceived(message);
    }
    if (m_framing.tooLong() && m_fromBrowser >= 0) {
        const qsizetype limit = m_framing.maxMessageBytes();
        const qsizetype mib = qsizetype{1024} * 1024;
        std::fprintf(stderr,
                     "quorvane-browser: the browser sent a message longer than %lld %s; the connection to it is "
                     "closed and the browser stopped.\n",
                     static_cast<long long>(limit % mib == 0 ? limit / mib : limit), limit % mib == 0 ? "MiB" : "bytes");
        reap();
    }
}

void ChromiumProcess::reap() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    for (int* fd : {&m_toBrowser, &m_fromBrowser}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (m_pid > 0) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == 0) {
            ::kill(m_pid, SIGTERM);
            for (int i = 0; i < 50 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
                ::usleep(20000);
            if (::waitpid(m_pid, &status, WNOHANG) == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
            }
        }
        m_pid = -1;
    }
    if (!m_finished) {
        m_finished = true;
        emit finished();
    }
}

void ChromiumProcess::stop() {
    reap();
}
