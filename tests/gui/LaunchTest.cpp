// Starting programs: the Internet and Help menu launches, the start-up launches in their order,
// the first-start browser lookup on PATH, the main window's copies of the settings, and the start
// that fails without a session bus.

#include <QDir>
#include <QFile>
#include <QTest>

#include "ScriptedHarness.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/browser/Launcher.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

QStringList g_started;  // "program|arg|arg" for each start
bool g_startsSucceed = true;

bool recordStart(const QString& program, const QStringList& arguments) {
    g_started << (QStringList{program} + arguments).join(QLatin1Char('|'));
    return g_startsSucceed;
}

/// Records starts instead of making them while it lives.
struct RecordStarts {
    RecordStarts() {
        g_started.clear();
        g_startsSucceed = true;
        m_previous = launcher::setStarter(&recordStart);
    }
    ~RecordStarts() { launcher::setStarter(m_previous); }
    launcher::Starter m_previous;
};

void allPaths(MemorySettings& s) {
    writeSetting(s, settings::kExplorerPath, std::string("/opt/chromium/chrome --new-window 'a b'"));
    writeSetting(s, settings::kNetscapePath, std::string("firefox -P \"my profile\""));
    writeSetting(s, settings::kMailPath, std::string("/usr/bin/mail program"));  // a path with a blank
    writeSetting(s, settings::kTelnetPath, std::string("telnet"));
    writeSetting(s, settings::kNewsPath, std::string("news"));
    writeSetting(s, settings::kFtpPath, std::string("ftp"));
}

void makeExecutable(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
}

}  // namespace

class LaunchTest : public QObject {
    Q_OBJECT
private slots:
    void menuLaunches();
    void browserStartFailures();
    void helpReader();
    void startUpLaunchesInOrder();
    void firstStartLooksUpBrowsers();
    void settingsCopiesLoadedAtStartUp();
    void noSessionBusEndsTheProgram();
};

void LaunchTest::menuLaunches() {
    RecordStarts record;
    Harness h({}, allPaths);
    const struct {
        int command;
        const char* started;
    } cases[] = {
        {cmd::LaunchWww, "/opt/chromium/chrome|--new-window|a b"},  // the browser path is a command line
        {cmd::LaunchBrowserButton, "/opt/chromium/chrome|--new-window|a b"},
        {cmd::LaunchEmail, "/usr/bin/mail program"},  // the others name the program alone
        {cmd::LaunchLogin, "telnet"},
        {cmd::LaunchNews, "news"},
        {cmd::LaunchFtp, "ftp"},
    };
    for (const auto& c : cases) {
        g_started.clear();
        QVERIFY(h.run(c.command));
        QCOMPARE(g_started, QStringList{QString::fromLatin1(c.started)});
    }
    writeSetting(*h.settings, settings::kChooseWebBrowser, 0);
    g_started.clear();
    QVERIFY(h.run(cmd::LaunchWww));
    QCOMPARE(g_started, QStringList{"firefox|-P|my profile"});
    // A value of 2 is not 0: the "Explorer" browser.
    writeSetting(*h.settings, settings::kChooseWebBrowser, 2);
    g_started.clear();
    QVERIFY(h.run(cmd::LaunchWww));
    QCOMPARE(g_started, QStringList{"/opt/chromium/chrome|--new-window|a b"});
    QVERIFY(h.prompter.messages().isEmpty());
}

void LaunchTest::browserStartFailures() {
    // Real starts: a missing program and empty paths.
    Harness h({}, [](MemorySettings& s) {
        writeSetting(s, settings::kExplorerPath, std::string("/nonexistent/chromium --flag"));
    });
    QVERIFY(h.run(cmd::LaunchWww));
    QCOMPARE(h.prompter.messages(),
             QStringList{"Could not start Microsoft Explorer,application not found,please install."});
    QCOMPARE(h.prompter.captions(), QStringList{"Error"});
    h.prompter.reset();
    writeSetting(*h.settings, settings::kChooseWebBrowser, 0);
    QVERIFY(h.run(cmd::LaunchBrowserButton));
    QCOMPARE(h.prompter.messages(),
             QStringList{"Could not start Netscape Navigator,application not found,please install."});
    h.prompter.reset();
    // The other programs fail without a word.
    for (int command : {cmd::LaunchEmail, cmd::LaunchLogin, cmd::LaunchNews, cmd::LaunchFtp}) {
        QVERIFY(h.run(command));
    }
    QVERIFY(h.prompter.messages().isEmpty());
}

void LaunchTest::helpReader() {
    RecordStarts record;
    Harness h;
    QVERIFY(h.run(cmd::HelpReader));
    QCOMPARE(h.prompter.messages(),
             QStringList{"Acrobat Help Reader not installed, or path not set, go to preferences - path settings."});
    QCOMPARE(h.prompter.captions(), QStringList{QString()});  // the application title
    QVERIFY(g_started.isEmpty());
    // Read from the settings at each use, not only at start-up.
    writeSetting(*h.settings, settings::kHelpPath, std::string("/usr/bin/reader"));
    QVERIFY(h.run(cmd::HelpReader));
    QCOMPARE(g_started, QStringList{"/usr/bin/reader"});
}

void LaunchTest::startUpLaunchesInOrder() {
    RecordStarts record;
    {
        Harness off({}, allPaths);
        QVERIFY(g_started.isEmpty());
    }
    Harness h({}, [](MemorySettings& s) {
        allPaths(s);
        writeSetting(s, settings::kLaunchNewsAtStart, 1);
        writeSetting(s, settings::kLaunchTelnetAtStart, 1);
        writeSetting(s, settings::kLaunchFtpAtStart, 1);
        writeSetting(s, settings::kLaunchBrowserAtStart, 1);
        writeSetting(s, settings::kLaunchEmailAtStart, 1);
    });
    QCOMPARE(g_started,
             (QStringList{"/usr/bin/mail program", "/opt/chromium/chrome|--new-window|a b", "ftp", "telnet", "news"}));
    // Only a value of exactly 1 starts a program.
    g_started.clear();
    Harness two({}, [](MemorySettings& s) {
        allPaths(s);
        writeSetting(s, settings::kLaunchFtpAtStart, 2);
    });
    QVERIFY(g_started.isEmpty());
}

void LaunchTest::firstStartLooksUpBrowsers() {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    RecordStarts record;
    auto firstStart = [](MemorySettings& s) { writeSetting(s, settings::kHasStartedBefore, 0); };

    qputenv("PATH", QFile::encodeName(bin.path()));
    {
        Harness h({}, firstStart);
        QCOMPARE(h.prompter.messages(), QStringList{"No Webrowsers installed, please install."});
        QCOMPARE(h.prompter.captions(), QStringList{"Error"});
        QCOMPARE(readSetting(*h.settings, settings::kExplorerPath), std::string());
        QCOMPARE(h.settings->GetProfileString(settings::kInternetSection, "Netscape File Path", "unset"),
                 std::string());  // stored, empty
        QCOMPARE(readSetting(*h.settings, settings::kHasStartedBefore), 1);
    }

    makeExecutable(bin.filePath("chromium-browser"));
    makeExecutable(bin.filePath("firefox"));
    {
        Harness h({}, firstStart);
        QVERIFY(h.prompter.messages().isEmpty());
        QCOMPARE(QString::fromStdString(readSetting(*h.settings, settings::kExplorerPath)),
                 bin.filePath("chromium-browser"));
        QCOMPARE(QString::fromStdString(readSetting(*h.settings, settings::kNetscapePath)), bin.filePath("firefox"));
        QCOMPARE(h.frame()->Paths.explorer, bin.filePath("chromium-browser"));
    }
    // With the bridge at hand, Chromium is started through it; without Firefox the bridge stands in
    // for the other choice too.
    makeExecutable(bin.filePath("quorvane-browser"));
    QFile::remove(bin.filePath("firefox"));
    {
        Harness h({}, firstStart);
        const QString bridged = bin.filePath("quorvane-browser") + " " + bin.filePath("chromium-browser");
        QCOMPARE(QString::fromStdString(readSetting(*h.settings, settings::kExplorerPath)), bridged);
        QCOMPARE(QString::fromStdString(readSetting(*h.settings, settings::kNetscapePath)), bridged);
    }
    {
        // A later start looks up nothing: the stored paths stay as the person set them.
        Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kExplorerPath, std::string("mine")); });
        QCOMPARE(readSetting(*h.settings, settings::kExplorerPath), std::string("mine"));
    }
    qputenv("PATH", path);
}

void LaunchTest::settingsCopiesLoadedAtStartUp() {
    Harness h({}, [](MemorySettings& s) {
        allPaths(s);
        writeSetting(s, settings::kPrintAtm, 0);
        writeSetting(s, settings::kHelpPath, std::string("reader"));
    });
    CMainFrame* f = h.frame();
    QCOMPARE(f->Paths.explorer, QStringLiteral("/opt/chromium/chrome --new-window 'a b'"));
    QCOMPARE(f->Paths.netscape, QStringLiteral("firefox -P \"my profile\""));
    QCOMPARE(f->Paths.mail, QStringLiteral("/usr/bin/mail program"));
    QCOMPARE(f->Paths.telnet, QStringLiteral("telnet"));
    QCOMPARE(f->Paths.news, QStringLiteral("news"));
    QCOMPARE(f->Paths.ftp, QStringLiteral("ftp"));
    QCOMPARE(f->Paths.help, QStringLiteral("reader"));
    QCOMPARE(f->PrintAtm, 0);
    QCOMPARE(f->PrintNotes, 1);  // missing: 1 for the main window's copy
    // Changed settings (the preference sheet) reach the copies when the window is told of them.
    writeSetting(*h.settings, settings::kFtpPath, std::string("other"));
    writeSetting(*h.settings, settings::kPrintNotes, 0);
    QCOMPARE(f->Paths.ftp, QStringLiteral("ftp"));
    f->reloadSettings();
    QCOMPARE(f->Paths.ftp, QStringLiteral("other"));
    QCOMPARE(f->PrintNotes, 0);
}

void LaunchTest::noSessionBusEndsTheProgram() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir empty;
    const struct {
        QByteArray address;
    } cases[] = {{QByteArray()}, {"unix:path=" + QFile::encodeName(empty.filePath("no-bus"))}};
    for (const auto& c : cases) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", c.address);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(empty.path()));
        ScriptedPrompter prompter;
        CQuorvaneApp app(std::make_unique<MemorySettings>());
        QVERIFY(!app.InitInstance({}, CQuorvaneApp::Options{false}));
        QCOMPARE(prompter.messages(), QStringList{"DDE initialization failed.  Unable to continue."});
        QVERIFY(!app.mainFrame());
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

QTEST_MAIN(LaunchTest)
#include "LaunchTest.moc"
