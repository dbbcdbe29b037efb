#include "ui/browser/Launcher.h"

#include <QProcess>
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

void LaunchBrowser(CMainFrame& frame) {
    const int choice = readSetting(frame.settings(), settings::kChooseWebBrowser);
    if (choice != 0) {
        if (!startCommandLine(frame.Paths.explorer)) {
            error("Could not start Microsoft Explorer,application not found,please install.");
        }
    } else if (!startCommandLine(frame.Paths.netscape)) {
        error("Could not start Netscape Navigator,application not found,please install.");
    }
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

void LookUpBrowsers(CMainFrame& frame) {
    frame.Paths.explorer = firstOnPath(chromiumNames());
    frame.Paths.netscape = firstOnPath(firefoxNames());
    if (frame.Paths.explorer.isEmpty() && frame.Paths.netscape.isEmpty()) {
        error("No Webrowsers installed, please install.");
    }
    writeSetting(frame.settings(), settings::kExplorerPath, frame.Paths.explorer.toStdString());
    writeSetting(frame.settings(), settings::kNetscapePath, frame.Paths.netscape.toStdString());
}

}  // namespace launcher
