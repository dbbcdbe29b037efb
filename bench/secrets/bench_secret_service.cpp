// `secret-tool lookup` against the window's Secret Service and against GNOME Keyring, each on a
// private session bus of its own: the median of ROUNDS lookups one after the other (a new process, a
// session, a search, the secret), then CLIENTS lookups started at once, all of which must be answered;
// and the client alone, on a bus where nobody answers. Usage: bench_secret_service [ROUNDS=30]
// [CLIENTS=100]. Prints one table and the ratios of the window's figures to GNOME Keyring's.
//
// The window runs in this process (offscreen, an encrypted document open, the setting on); the
// lookups are real secret-tool processes. GNOME Keyring is started by hand on its own bus
// (gnome-keyring-daemon --unlock, its keyring in a temporary folder), never by bus activation: the
// daemon on the PATH, or else the one scripts/setup unpacked (not installed) into
// $XDG_CACHE_HOME/quorvane-bench/gnome-keyring.

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "app/QuorvaneApp.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/common/DecryptPasswordDlg.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kPassword = QStringLiteral("benchmark password");
const QByteArray kSecret = "bench-secret-1";

class Answering : public GuiPrompter {
public:
    void message(const QString& text, const QString&, Icon) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    Answer question(const QString&, bool, const QString&) override { return Answer::No; }
    QString openFileName(const QString&, const QStringList&) override { return openName; }
    QString saveFileName(const QString&, const QString&, const QStringList&) override { return QString(); }
    bool okCancel(const QString&, const QString&, Icon) override { return true; }
    int exec(QDialog& dialog) override {
        if (auto* password = qobject_cast<DecryptPasswordDlg*>(&dialog))
            password->passwordField()->setText(kPassword);
        return QDialog::Accepted;
    }
    void show(QDialog&) override {}
    void popupText(const QString&, const QPoint&) override {}
    QString openName;
};

class SilentUi : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return true; }
};

struct Figures {
    double medianMs = 0;
    double minMs = 0;
    double maxMs = 0;
    int answered = 0;
    double allMs = 0;
};

// Runs the event loop until `done` holds (checked every 5 ms). Not QTest::qWaitFor: it sleeps 10 ms
// between its rounds, which would hold up each of the service's answers.
template <typename Done>
void runUntil(Done done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

QProcess* lookup() {
    auto* process = new QProcess;
    process->start(QStringLiteral("secret-tool"), {"lookup", "bench", "key"});
    return process;
}

// Times the lookups while the event loop keeps running (the window answers in this process).
Figures measure(int rounds, int clients, bool answering = true) {
    Figures f;
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QProcess> process(lookup());
        QEventLoop loop;
        QObject::connect(process.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        if (process->state() != QProcess::NotRunning)
            loop.exec();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (answering && process->readAllStandardOutput() != kSecret)
            std::fprintf(stderr, "lookup %d: wrong answer\n", i);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        f.medianMs = times[times.size() / 2];
        f.minMs = times.front();
        f.maxMs = times.back();
    }
    std::vector<std::unique_ptr<QProcess>> all;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < clients; ++i)
        all.emplace_back(lookup());
    runUntil(
        [&] { return std::all_of(all.begin(), all.end(), [](auto& p) { return p->state() == QProcess::NotRunning; }); },
        120000);
    f.allMs = double(timer.nsecsElapsed()) / 1e6;
    for (auto& p : all)
        f.answered += p->readAllStandardOutput() == kSecret ? 1 : 0;
    return f;
}

bool storeWithSecretTool() {
    QProcess store;
    store.start(QStringLiteral("secret-tool"), {"store", "--label=Bench", "bench", "key"});
    store.write(kSecret);
    store.closeWriteChannel();
    runUntil([&] { return store.state() == QProcess::NotRunning; }, 30000);
    if (store.state() == QProcess::NotRunning && store.exitStatus() == QProcess::NormalExit && store.exitCode() == 0)
        return true;
    std::fprintf(stderr, "secret-tool store failed: %s\n", store.readAllStandardError().trimmed().constData());
    return false;
}

// gnome-keyring-daemon on the PATH, or the one scripts/setup unpacked into the cache; empty if neither.
QString keyringDaemon() {
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
    if (!onPath.isEmpty())
        return onPath;
    const QString unpacked = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                             QStringLiteral("/quorvane-bench/gnome-keyring/usr/bin/gnome-keyring-daemon");
    return QFileInfo(unpacked).isExecutable() ? unpacked : QString();
}

void print(const char* who, const Figures& f, int clients) {
    std::printf("%-14s lookup median %.1f ms (%.1f-%.1f)   %d of %d clients at once answered in %.0f ms\n", who,
                f.medianMs, f.minMs, f.maxMs, f.answered, clients, f.allMs);
    std::fflush(stdout);
}

int ours(int rounds, int clients) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.qve"));
    CardStore store;
    store.encryptOnSave = 1;
    store.encryptionForm = EncryptionForm::Strong;
    setEncryptionPassword(store, kPassword.toStdString(), EncryptionForm::Strong);
    SilentUi ui;
    if (saveCardDocument(path.toStdString(), store, ui).outcome != SaveOutcome::Saved)
        return 1;
    Answering answering;
    installGuiPrompter(&answering);
    auto settings = std::make_unique<MemorySettings>();
    writeSetting(*settings, settings::kSecretServiceProvide, 1);
    CQuorvaneApp app(std::move(settings));
    app.InitInstance({}, CQuorvaneApp::Options{.splash = false});
    answering.openName = path;
    app.mainFrame()->commands().execute(cmd::FileOpen);
    if (!storeWithSecretTool())
        return 1;
    print("Quorvane", measure(rounds, clients), clients);
    return 0;
}

// The client alone: a bus where nobody owns the name (and nothing can be activated), so the lookup
// fails after its start and one call. What the client's own start costs on this machine.
int clientAlone(int rounds) {
    const Figures f = measure(rounds, 0, false);
    std::printf("%-14s lookup median %.1f ms (%.1f-%.1f)   (no service on the bus: the client's own start)\n",
                "secret-tool", f.medianMs, f.minMs, f.maxMs);
    return 0;
}

// GNOME Keyring in a home of its own: its login keyring made and unlocked with a password on stdin
// (--unlock), which makes it the default collection, so secret-tool stores without a prompt.
int keyring(int rounds, int clients) {
    const QString program = keyringDaemon();
    QTemporaryDir home;
    for (const char* dir : {"data", "config", "cache", "runtime"})
        QDir(home.path()).mkdir(QString::fromLatin1(dir));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The daemon alone gets the new home; the lookups run in this process's environment, as on the
    // window's side.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QProcess daemon;
    daemon.setProcessEnvironment(env);
    daemon.start(program, {"--foreground", "--components=secrets", "--unlock"});
    daemon.write(kPassword.toUtf8());
    daemon.closeWriteChannel();
    bool owned = false;
    runUntil(
        [&] {
            QProcess probe;
            probe.start(QStringLiteral("dbus-send"),
                        {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"});
            probe.waitForFinished();
            owned = probe.readAllStandardOutput().contains("true");
            return owned || daemon.state() == QProcess::NotRunning;
        },
        20000);
    if (!owned) {
        std::printf("%-14s %s did not take the name: %s\n", "GNOME Keyring", qPrintable(program),
                    daemon.readAllStandardError().trimmed().constData());
        daemon.kill();
        daemon.waitForFinished(5000);
        return 1;
    }
    const bool stored = storeWithSecretTool();
    if (stored)
        print("GNOME Keyring", measure(rounds, clients), clients);
    daemon.terminate();
    if (!daemon.waitForFinished(5000)) {
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    return stored ? 0 : 1;
}

// Runs one side on a bus of its own, passes its lines on, and returns its lookup median and its time for
// all clients at once (0 when the side printed none).
std::pair<double, double> runSide(const QString& self, const char* which, int rounds, int clients) {
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(QStringLiteral("dbus-run-session"),
              {"--", self, QString::fromLatin1(which), QString::number(rounds), QString::number(clients)});
    run.waitForFinished(-1);
    const QByteArray out = run.readAllStandardOutput();
    std::fputs(out.constData(), stdout);
    std::fflush(stdout);
    static const QRegularExpression median(QStringLiteral("lookup median ([0-9.]+) ms"));
    static const QRegularExpression all(QStringLiteral("answered in ([0-9.]+) ms"));
    const QString text = QString::fromLocal8Bit(out);
    const auto m = median.match(text);
    const auto a = all.match(text);
    return {m.hasMatch() ? m.captured(1).toDouble() : 0, a.hasMatch() ? a.captured(1).toDouble() : 0};
}

}  // namespace

int main(int argc, char** argv) {
    // Each service on a private bus of its own: this program runs itself again under dbus-run-session
    // once per side ("--side=ours", "--side=keyring").
    const QByteArray side = argc > 1 && QByteArray(argv[1]).startsWith("--side=") ? QByteArray(argv[1]).mid(7) : "";
    const int first = side.isEmpty() ? 1 : 2;
    const int rounds = argc > first ? std::max(1, atoi(argv[first])) : 30;
    const int clients = argc > first + 1 ? std::max(1, atoi(argv[first + 1])) : 100;
    if (side.isEmpty()) {
        const QString self = QString::fromLocal8Bit(argv[0]);
        std::printf("secret-tool lookup, %d one after the other and %d at once, each service on its own bus\n", rounds,
                    clients);
        std::fflush(stdout);
        runSide(self, "--side=none", rounds, clients);
        const auto [ours, oursAll] = runSide(self, "--side=ours", rounds, clients);
        if (keyringDaemon().isEmpty()) {
            std::printf(
                "GNOME Keyring  not available: gnome-keyring-daemon neither on the PATH nor unpacked by "
                "scripts/setup\n");
            return 0;
        }
        const auto [theirs, theirsAll] = runSide(self, "--side=keyring", rounds, clients);
        if (ours > 0 && theirs > 0)
            std::printf("ratio Quorvane / GNOME Keyring: lookup median %.2f, %d at once %.2f\n", ours / theirs, clients,
                        theirsAll > 0 ? oursAll / theirsAll : 0.0);
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    if (side == "none")
        return clientAlone(rounds);
    return side == "keyring" ? keyring(rounds, clients) : ours(rounds, clients);
}
