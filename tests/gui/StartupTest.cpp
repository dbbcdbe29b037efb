// Start-up: the command line, reopening recent files, the splash screen, the automatic save and
// the About box.

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTest>

#include <sys/stat.h>

#include "ScriptedHarness.h"
#include "ui/common/GuiPrompter.h"
#include "cardstore/CardFile.h"
#include "ui/frame/AboutDlg.h"
#include "ui/frame/AppInfo.h"
#include "docview/DocManager.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/Platform.h"

namespace {

class KeyCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) {
            ++presses;
        }
        return false;
    }
};

/// Settings of someone who has started the program before (no first-start browser lookup).
std::unique_ptr<MemorySettings> returningUser() {
    auto settings = std::make_unique<MemorySettings>();
    writeSetting(*settings, settings::kHasStartedBefore, 1);
    return settings;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine();
    void reopensRecentFiles();
    void splashTakesFirstPress();
    void noSplashOverAWaitingNotice();
    void automaticSave();
    void aboutBox();
};

void StartupTest::commandLine() {
    QTemporaryDir dir;
    writeCardFile(dir.filePath("cards.qvf"), {{0, "a"}});
    {
        Harness h({QStringLiteral("-style=fusion"), dir.filePath("cards.qvf")});
        QCOMPARE(h.childFrameCount(), 1);
        QCOMPARE(h.doc()->GetPathName(), dir.filePath("cards.qvf"));
        QVERIFY(h.frame()->isVisible());
    }
    // A file that cannot be opened ends the program after its message; one that opens but does
    // not load (the password prompt cancelled) leaves the program running without a document.
    // A name after "--" is a file even when it begins with '-'.
    writeCardFile(dir.filePath("-x.qvf"), {{0, "a"}});
    {
        const QString here = QDir::currentPath();
        QDir::setCurrent(dir.path());
        Harness h({QStringLiteral("--"), QStringLiteral("-x.qvf")});
        QDir::setCurrent(here);
        QCOMPARE(h.childFrameCount(), 1);
    }
    // A FIFO is refused with its message at once; it used to keep the window from ever showing.
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.qvf")).constData(), 0600) == 0);
    writeCardFile(dir.filePath("secret.qve"), {{0, "a"}}, QStringLiteral("password1"));
    const struct {
        const char* file;
        bool starts;
        QStringList messages;
        QStringList passwordTitles;
    } cases[] = {
        {"missing.qvf",
         false,
         {"Unable to open missing.qvf.\nCannot open " + dir.filePath("missing.qvf") + ": No such file or directory"},
         {}},
        {"pipe.qvf",
         false,
         {"Unable to open pipe.qvf.\nCannot read " + dir.filePath("pipe.qvf") +
          ": it is not a regular file (a device, a pipe or a socket)."},
         {}},
        {"secret.qve", true, {}, {"Decryption Password for file: secret.qve"}},
    };
    for (const auto& c : cases) {
        ScriptedPrompter prompter;
        if (c.starts) {
            prompter.passwords.append(std::nullopt);  // the prompt is cancelled
        }
        CQuorvaneApp app(returningUser());
        QCOMPARE(app.InitInstance({dir.filePath(c.file)}, CQuorvaneApp::Options{false}), c.starts);
        QCOMPARE(prompter.messages(), c.messages);
        QCOMPARE(prompter.passwordTitles, c.passwordTitles);
        QVERIFY(app.docManager()->documents().isEmpty());
    }

    // A notice about the document opened at start-up waits for the window and comes up over it;
    // a wrong password is still said at once, in answer to the prompt.
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_TEST_DATA "/odd-cards.qvf"), dir.filePath("odd.qvf")));
    {
        Harness h({dir.filePath("odd.qvf")});
        QTRY_COMPARE(h.prompter.messages(), QStringList{QString::fromStdString(unshownCardsMessage(2))});
        QCOMPARE(h.prompter.overVisibleWindow, QList<bool>{true});
    }
    {
        Harness h({dir.filePath("secret.qve")}, {}, [](ScriptedPrompter& p) {
            p.passwords = {QStringLiteral("wrong-one")};
        });
        QCOMPARE(h.prompter.passwordTitles, QStringList{"Decryption Password for file: secret.qve"});
        QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again."});
        QCOMPARE(h.prompter.overVisibleWindow, QList<bool>{false});
    }

    Harness none;
    QCOMPARE(none.childFrameCount(), 0);
    QCOMPARE(none.frame()->windowTitle(), QStringLiteral("Quorvane"));
    const QString arch = QSysInfo::currentCpuArchitecture();
    QCOMPARE(processorFlag(), arch == "x86_64" || arch == "i386" ? 0 : 1);
}

void StartupTest::reopensRecentFiles() {
    QTemporaryDir dir;
    const QStringList files = {dir.filePath("1.qvf"), dir.filePath("2-missing.qvf"), dir.filePath("3.qvf"),
                               dir.filePath("4.qvf")};
    for (const QString& file : files) {
        if (!file.contains("missing")) {
            writeCardFile(file, {{0, "x"}});
        }
    }
    auto preset = [&](MemorySettings& s) {
        for (int i = 0; i < 4; ++i) {
            writeSetting(s, settings::recentFileSetting(i), files[i].toStdString());
        }
    };
    {
        Harness off({}, preset);
        QCOMPARE(off.childFrameCount(), 0);
    }
    Harness h({}, [&](MemorySettings& s) {
        preset(s);
        writeSetting(s, settings::kCheckOpenFiles, 1);
    });
    QCOMPARE(h.childFrameCount(), 3);
    // The missing file says why it did not open.
    QCOMPARE(h.prompter.messages(),
             QStringList{"Unable to open 2-missing.qvf.\nCannot open " + files[1] + ": No such file or directory"});
    const QStringList kept = {files[0], files[2], files[3]};
    QCOMPARE(h.frame()->docManager()->recentFiles().entries(), kept);

    // The next start finds the same order, and so does one that also opens a file from the
    // command line: that file comes first, the others keep their order.
    auto presetFrom = [&](const QStringList& entries) {
        return [entries](MemorySettings& s) {
            for (int i = 0; i < entries.size(); ++i) {
                writeSetting(s, settings::recentFileSetting(i), entries[i].toStdString());
            }
            writeSetting(s, settings::kCheckOpenFiles, 1);
        };
    };
    // Each start ends before the next: a second program on the same files would open them read-only.
    QVERIFY(h.frame()->close());
    {
        Harness again({}, presetFrom(kept));
        QCOMPARE(again.frame()->docManager()->recentFiles().entries(), kept);
    }
    Harness withArgument({files[2]}, presetFrom(kept));
    QCOMPARE(withArgument.frame()->docManager()->recentFiles().entries(), (QStringList{files[2], files[0], files[3]}));
}

// A notice waiting for the window keeps the splash away: showing the picture would hand the notice
// the event loop in the middle of the show, and the splash, which goes when a modal box comes, would
// be deleted while still being shown (the program crashed so, after a read-only notice at start).
void StartupTest::noSplashOverAWaitingNotice() {
    ScriptedPrompter prompter;
    CQuorvaneApp app(returningUser());
    QVERIFY(app.InitInstance({}, CQuorvaneApp::Options{true}));
    QPointer<SplashWindow> splash = app.splashWindow();
    QVERIFY(splash);
    splash->close();
    QTRY_VERIFY(!splash);
    app.mainFrame()->hide();
    showNotice(QStringLiteral("It opens read-only."));
    QVERIFY(noticesWaiting());
    app.ShowSplashScreen();
    QVERIFY(!app.splashWindow());
    app.mainFrame()->show();
    QTRY_COMPARE(prompter.messages(), QStringList{"It opens read-only."});
    QVERIFY(!noticesWaiting());
    app.ShowSplashScreen();  // nothing waits now
    QVERIFY(app.splashWindow());
}

void StartupTest::splashTakesFirstPress() {
    ScriptedPrompter prompter;
    CQuorvaneApp app(returningUser());
    QVERIFY(app.InitInstance({}, CQuorvaneApp::Options{true}));
    QPointer<SplashWindow> splash = app.splashWindow();
    QVERIFY(splash && splash->isVisible());
    app.ShowSplashScreen();
    QCOMPARE(app.splashWindow(), splash.data());

    KeyCounter counter;
    app.mainFrame()->installEventFilter(&counter);
    QTest::keyClick(app.mainFrame(), Qt::Key_A);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!splash);
    QCOMPARE(counter.presses, 0);
    QTest::keyClick(app.mainFrame(), Qt::Key_A);
    QCOMPARE(counter.presses, 1);

    // A later request shows it once more; a mouse press closes that one.
    app.ShowSplashScreen();
    splash = app.splashWindow();
    QVERIFY(splash);
    QTest::mouseClick(app.mainFrame(), Qt::RightButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!splash);
    QCOMPARE(counter.presses, 1);

    // Typing into a dialog that is up meanwhile (a start-up password prompt) loses no character.
    app.ShowSplashScreen();
    splash = app.splashWindow();
    QDialog prompt;
    auto* field = new QLineEdit(&prompt);
    prompt.setWindowModality(Qt::ApplicationModal);
    prompt.show();
    QTest::keyClicks(field, QStringLiteral("pw"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!splash);
    QCOMPARE(field->text(), QStringLiteral("pw"));
}

void StartupTest::automaticSave() {
    Harness h({}, [](MemorySettings& s) {
        writeSetting(s, settings::kAutomaticSaveCheck, 1);
        writeSetting(s, settings::kAutomaticSave, std::string("3"));
    });
    QVERIFY(!h.frame()->autosaveTimerActive());
    writeCardFile(h.path("a.qvf"), {{0, "a"}});
    h.open(h.path("a.qvf"));
    QVERIFY(h.frame()->autosaveTimerActive());
    QCOMPARE(h.frame()->autoSave().AutosaveThreshold(), 3);
    writeSetting(*h.settings, settings::kAutomaticSave, std::string("4"));
    h.frame()->reloadSettings();
    QCOMPARE(h.frame()->autoSave().AutosaveThreshold(), 4);
    writeSetting(*h.settings, settings::kAutomaticSaveCheck, 0);
    h.frame()->reloadSettings();
    QVERIFY(!h.frame()->autosaveTimerActive());
    writeSetting(*h.settings, settings::kAutomaticSaveCheck, 1);
    writeSetting(*h.settings, settings::kAutomaticSave, std::string("3"));
    h.frame()->reloadSettings();
    QVERIFY(h.frame()->autosaveTimerActive());

    const QByteArray before = contents(h.path("a.qvf"));
    h.frame()->AddCardToCategory(h.doc(), 8, std::make_unique<Card>());
    h.doc()->SetModifiedFlag();
    h.frame()->OnAutosaveTick();
    h.frame()->OnAutosaveTick();
    QCOMPARE(contents(h.path("a.qvf")), before);
    h.frame()->OnAutosaveTick();
    QVERIFY(contents(h.path("a.qvf")) != before);
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(h.frame()->autoSave().AutosaveTicks(), 0);

    // An untitled document is left alone: no Save As dialog pops up.
    QVERIFY(h.run(cmd::FileNew));
    h.frame()->AddCardToCategory(h.doc(), 0, std::make_unique<Card>());
    for (int i = 0; i < 6; ++i) {
        h.frame()->OnAutosaveTick();
    }
    QVERIFY(h.prompter.unexpected.isEmpty());
    QVERIFY(h.prompter.saveSuggestions.isEmpty());
}

void StartupTest::aboutBox() {
    Harness h;
    QString title;
    QString homePage;
    h.prompter.onDialog<CAboutDlg>([&](CAboutDlg& dlg) {
        title = dlg.windowTitle();
        homePage = dlg.homePageButton()->text();
        return int(QDialog::Accepted);
    });
    QVERIFY(h.run(cmd::AppAbout));
    QCOMPARE(title, QStringLiteral("About Quorvane"));
    QCOMPARE(homePage, QString::fromUtf8(kHomePageAddress));
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
