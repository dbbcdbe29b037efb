#include "ui/browser/Launcher.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "browser/CommandLine.h"
#include "prefs/SettingKeys.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/MainFrame.h"

namespace launcher {

namespace {

Starter g_starter = nullptr;

bool start(const QString& program, const QStringList& arguments) {
    return g_starter ? g_starter(program, arguments) : QProcess::startDetached(program, arguments);
}

QString firstOnPath(const QStringList& names) {
    for (const QString& name : names) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) {
            return found;
        }
    }
    return QString();
}

void error(const char* text) {
    guiPrompter().message(QString::fromUtf8(text), QStringLiteral("Error"), GuiPrompter::Icon::Critical);
}

}  // namespace

bool startCommandLine(const QString& commandLine) {
    QStringList words;
    for (const std::string& word : browser::splitCommandLine(commandLine.toStdString())) {
        words << QString::fromStdString(word);
    }
    if (words.isEmpty()) {
        return false;
    }
    const QString program = words.takeFirst();
    return start(program, words);
}

bool startProgram(const QString& path) {
    return !path.isEmpty() && start(path, {});
}

Starter setStarter(Starter starter) {
    const Starter previous = g_starter;
    g_starter = starter;
    return previous;
}

bool LaunchBrowser(CMainFrame& frame) {
    const int choice = readSetting(frame.settings(), settings::kChooseWebBrowser);
    if (choice != 0) {
        if (!startCommandLine(frame.Paths.explorer)) {
            error("Could not start Microsoft Explorer,application not found,please install.");
            return false;
        }
    } else if (!startCommandLine(frame.Paths.netscape)) {
        error("Could not start Netscape Navigator,application not found,please install.");
        return false;
    }
    return true;
}

void LaunchEmail(CMainFrame& frame) {
    startProgram(frame.Paths.mail);
}
void LaunchLogin(CMainFrame& frame) {
    startProgram(frame.Paths.telnet);
}
void LaunchNews(CMainFrame& frame) {
    startProgram(frame.Paths.news);
}
void LaunchFtp(CMainFrame& frame) {
    startProgram(frame.Paths.ftp);
}

void LaunchHelpReader(CMainFrame& frame) {
    frame.Paths.help = QString::fromStdString(readSetting(frame.settings(), settings::kHelpPath));
    if (frame.Paths.help.isEmpty()) {
        guiPrompter().message(
            QStringLiteral("Acrobat Help Reader not installed, or path not set, go to preferences - path settings."));
        return;
    }
    startProgram(frame.Paths.help);
}

void LaunchStartUpPrograms(CMainFrame& frame) {
    const SettingsStore& s = frame.settings();
    if (readSetting(s, settings::kLaunchEmailAtStart) == 1) {
        LaunchEmail(frame);
    }
    if (readSetting(s, settings::kLaunchBrowserAtStart) == 1) {
        LaunchBrowser(frame);
    }
    if (readSetting(s, settings::kLaunchFtpAtStart) == 1) {
        LaunchFtp(frame);
    }
    if (readSetting(s, settings::kLaunchTelnetAtStart) == 1) {
        LaunchLogin(frame);
    }
    if (readSetting(s, settings::kLaunchNewsAtStart) == 1) {
        LaunchNews(frame);
    }
}

QStringList chromiumNames() {
    return {
        QStringLiteral("chromium"),      QStringLiteral("chromium-browser"), QStringLiteral("google-chrome-stable"),
        QStringLiteral("google-chrome"), QStringLiteral("brave-browser"),    QStringLiteral("microsoft-edge-stable"),
        QStringLiteral("vivaldi-stable")};
}

QStringList firefoxNames() {
    return {QStringLiteral("firefox"), QStringLiteral("firefox-esr")};
}

// A word of a command line as a shell would read it back: quoted when it holds anything but plain
// path characters.
QString shellWord(const QString& word) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (plain.match(word).hasMatch()) {
        return word;
    }
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Chromium answers the browser commands through quorvane-browser, the bridge installed beside the
// program (or found on PATH): the stored command line starts the bridge, which starts the browser.
QString bridgedCommand(const QString& browser) {
    QString bridge = QCoreApplication::applicationDirPath() + QStringLiteral("/quorvane-browser");
    if (!QFileInfo(bridge).isExecutable()) {
        bridge = QStandardPaths::findExecutable(QStringLiteral("quorvane-browser"));
    }
    if (bridge.isEmpty()) {
        return browser;
    }
    return shellWord(bridge) + QLatin1Char(' ') + shellWord(browser);
}

void LookUpBrowsers(CMainFrame& frame) {
    const QString chromium = firstOnPath(chromiumNames());
    const QString firefox = firstOnPath(firefoxNames());
    frame.Paths.explorer = chromium.isEmpty() ? QString() : bridgedCommand(chromium);
    // Without Firefox the bridge stands in for the other choice too, so either "Choose Web Browser"
    // reaches Chromium (the bridge answers under the name of the browser chosen).
    frame.Paths.netscape = !firefox.isEmpty() ? firefox : frame.Paths.explorer;
    if (frame.Paths.explorer.isEmpty() && frame.Paths.netscape.isEmpty()) {
        error("No Webrowsers installed, please install.");
    }
    writeSetting(frame.settings(), settings::kExplorerPath, frame.Paths.explorer.toStdString());
    writeSetting(frame.settings(), settings::kNetscapePath, frame.Paths.netscape.toStdString());
}

}  // namespace launcher
