// Get Web Page through quorvane-browser and a real Chromium (headless), with the browser running:
// the time from the command to the card editor shown, median of many runs.
//
//   bench_get_web_page [RUNS]          (default 50; needs chromium on PATH)
//
// Runs itself on a private session bus when none is given, and offscreen unless a platform is set.

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

#include "../PrivateBus.h"
#include "app/QuorvaneApp.h"
#include "browser/DdeBusNames.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/browser/Ddeml.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

// Notes when the card editor is shown and closes it at once.
class Timing : public GuiPrompter {
public:
    void message(const QString& text, const QString&, Icon) override { messages.append(text); }
    Answer question(const QString&, bool, const QString&) override { return Answer::No; }
    QString openFileName(const QString&, const QStringList&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QStringList&) override { return {}; }
    bool okCancel(const QString&, const QString&, Icon) override { return false; }
    int exec(QDialog& dialog) override {
        if (qobject_cast<CCardDlg*>(&dialog)) {
            shownAfter = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            title = static_cast<CCardDlg&>(dialog).data().firstField;
        }
        return QDialog::Rejected;
    }
    void show(QDialog&) override {}
    void popupText(const QString&, const QPoint&) override {}

    QElapsedTimer clock;
    double shownAfter = -1;
    QString title;
    QStringList messages;
};

}  // namespace

int main(int argc, char** argv) {
    runOnASessionBus(argc, argv, "bench_get_web_page");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) {
        std::fprintf(stderr, "bench_get_web_page: chromium is not on PATH (scripts/setup installs it)\n");
        return 1;
    }

    // The browser running, showing a page, before the program asks.
    QTemporaryDir profile;
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge.start(QStringLiteral(QUORVANE_BRIDGE_PATH),
                 {QStringLiteral("--as"), QStringLiteral("IExplore"), QStringLiteral("--profile"), profile.path(), chromium,
                  QStringLiteral("--headless=new"), QStringLiteral("data:text/html,<title>Benchmark page</title>")});
    const QString name = QString::fromLatin1(dde::kBusNamePrefix) + QStringLiteral("iexplore");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    for (int i = 0; i < 200 && !bus->isServiceRegistered(name).value(); ++i)
        QThread::msleep(50);

    Timing timing;
    installGuiPrompter(&timing);
    auto settings = std::make_unique<MemorySettings>();
    writeSetting(*settings, settings::kChooseWebBrowser, 1);
    writeSetting(*settings, settings::kHasStartedBefore, 1);
    CQuorvaneApp app(std::move(settings));
    app.InitInstance({}, CQuorvaneApp::Options{.splash = false});
    CMainFrame* frame = app.mainFrame();
    frame->commands().execute(cmd::FileNew);
    CQuorvaneView* tree = frame->activeCategoryTree();
    tree->SelectItem(tree->GetCategoryItem(QStringLiteral("WWW Sites")));

    // Warm up: until the page has loaded, its title is still empty.
    for (int i = 0; i < 100 && timing.title != QLatin1String("Benchmark page"); ++i) {
        frame->commands().execute(cmd::GetWebPage);
        QThread::msleep(100);
    }
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        timing.shownAfter = -1;
        timing.clock.start();
        frame->commands().execute(cmd::GetWebPage);
        if (timing.shownAfter < 0 || timing.title != QLatin1String("Benchmark page")) {
            std::fprintf(stderr, "bench_get_web_page: no card editor with the page's title (got \"%s\"; %s)\n", qPrintable(timing.title),
                         qPrintable(timing.messages.join(QStringLiteral("; "))));
            return 1;
        }
        if (i > 0)  // the first call warms up the connection
            times.push_back(timing.shownAfter);
    }
    std::sort(times.begin(), times.end());
    std::printf("Get Web Page through quorvane-browser and headless Chromium, %d runs\n", runs);
    std::printf("| %-40s | %10s | %-8s |\n", "what", "time", "target");
    std::printf("| %-40s | %7.2f ms | %-8s |\n", "command to card editor shown, median", times[times.size() / 2], "< 50");
    std::printf("| %-40s | %7.2f ms | %-8s |\n", "fastest", times.front(), "");
    std::printf("| %-40s | %7.2f ms | %-8s |\n", "slowest", times.back(), "");
    installGuiPrompter(nullptr);
    bridge.terminate();
    bridge.waitForFinished(5000);
    return 0;
}
