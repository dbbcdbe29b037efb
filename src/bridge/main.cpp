// quorvane-browser: lets Quorvane's browser commands reach an unmodified Chromium. It starts the
// browser with a profile of its own and the DevTools protocol on a pipe (no port is opened), owns
// the session-bus name of the browser it stands for, and answers the browser verbs for it.
//
//   quorvane-browser [--as Netscape|IExplore] [--profile DIR] BROWSER [BROWSER-OPTION ...]
//   quorvane-browser --version
//
// Without --as (which may be given twice) it stands for the browser chosen in Quorvane's "Choose Web
// Browser" setting. It ends
// when the browser ends (giving its bus names back); the browser ends with it.

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include "bridge/BridgeServer.h"
#include "bridge/BrowserProfile.h"
#include "bridge/BrowserWindows.h"
#include "bridge/ChromiumProcess.h"
#include "bridge/loginforms/LoginNotes.h"
#include "common/TestSeams.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void usage() {
    std::fprintf(stderr,
                 "Usage: quorvane-browser [--as Netscape|IExplore] [--profile DIR] BROWSER [BROWSER-OPTION ...]\n");
}

// The service names of the browser chosen in Quorvane's settings: 0 Netscape, 1 IExplore. While
// nothing is chosen, Load Web Page calls Netscape and the other commands IExplore, so the bridge
// answers to both.
QStringList chosenServices() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvel/Pelmorapp"),
                       QStringLiteral("Quorvane"));
    const QVariant choice = settings.value(QStringLiteral("Internet Preferences/Choose Web Browser"));
    if (!choice.isValid())
        return {QStringLiteral("Netscape"), QStringLiteral("IExplore")};
    return {choice.toInt() == 0 ? QStringLiteral("Netscape") : QStringLiteral("IExplore")};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quorvane-browser %s\n", QUORVANE_VERSION);
        return 0;
    }
    warnAboutIgnoredTestSwitches();
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QStringList services;
    QString profile = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/quorvane/browser-profile");
    bool profileGiven = false;
    while (args.size() >= 2 && (args.first() == QLatin1String("--as") || args.first() == QLatin1String("--profile"))) {
        if (args.first() == QLatin1String("--as")) {
            services << args.at(1);
        } else {
            profile = args.at(1);
            profileGiven = true;
        }
        args = args.mid(2);
    }
    if (args.isEmpty() || args.first().startsWith(QLatin1Char('-'))) {
        usage();
        return 2;
    }
    if (services.isEmpty())
        services = chosenServices();
    // In a profile the bridge makes, the browser does not offer to save passwords: Quorvane keeps
    // them. A profile folder the person names and that exists already is theirs, and left alone.
    const bool ownProfile = !profileGiven || !QDir(profile).exists();
    QDir().mkpath(profile);
    if (QString why; ownProfile && !bridgeprofile::turnOffPasswordSaving(profile, why))
        std::fprintf(stderr, "quorvane-browser: the browser may offer to save passwords: %s\n", qPrintable(why));

    ChromiumProcess browser;
    BrowserWindows windows(browser);
    // The last login sent by hand in each window, kept in memory for Quorvane to ask for.
    LoginNotes loginNotes(windows);
    BridgeServer server(windows, services);
    server.setLoginTaker([&loginNotes](quint32 window, std::function<void(std::optional<BridgeServer::TypedLogin>)> reply) {
        loginNotes.take(window, [reply](std::optional<LoginNotes::Login> login) {
            if (!login)
                return reply(std::nullopt);
            reply(BridgeServer::TypedLogin{login->pageUrl, login->userId, login->password});
        });
    });

    // Ended by a signal: give the names back and take the browser down with us.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char byte;
            [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &byte, 1);
            browser.stop();
        });
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
        std::signal(SIGHUP, onSignal);
    }
    QObject::connect(&browser, &ChromiumProcess::finished, &app, [&] {
        server.unregisterFromBus();
        app.quit();
    });

    // The names are owned at once, so that a program that started the bridge finds it within a
    // moment; requests wait for the browser to be ready.
    QString error;
    if (!server.registerOnBus(error)) {
        std::fprintf(stderr, "quorvane-browser: %s\n", qPrintable(error));
        return 1;
    }
    if (!browser.start(args.first(), args.mid(1), profile, error)) {
        std::fprintf(stderr, "quorvane-browser: cannot start %s: %s\n", qPrintable(args.first()), qPrintable(error));
        server.unregisterFromBus();
        return 1;
    }
    int status = 0;
    windows.start([&](bool ok) {
        if (ok)
            return loginNotes.start();
        std::fprintf(stderr, "quorvane-browser: the browser does not answer the DevTools protocol\n");
        status = 1;
        browser.stop();
    });
    const int loop = app.exec();
    if (browser.cutOff())
        return 1;
    return status != 0 ? status : loop;
}
