// The real "Decryption Password" dialog of a document named on the command line, with the splash
// screen on: it is not hidden under the picture, it has the keyboard on its field when it shows, no
// busy pointer covers it, and every key typed reaches the field, so the right password opens the
// document. (The offscreen platform cannot show races with a window manager; the shell test
// password-prompt-x11.sh types into the program under Xvfb and openbox for those.)

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "ScriptedHarness.h"
#include "app/QuorvaneApp.h"
#include "app/SplashWindow.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/DecryptPasswordDlg.h"
#include "ui/frame/MainFrame.h"

namespace {

// What the prompt looked like when it came up, and what was typed into it.
struct Seen {
    int prompts = 0;
    bool active = false;
    bool fieldFocused = false;
    bool splashOver = false;
    bool busyPointer = false;
    QString typed;
    QStringList messages;  // boxes shown, closed with OK
};

// Watches for the prompt; when it is up, types `password` into whatever has the keyboard, then
// Return. A second prompt (a refused password) is cancelled.
std::unique_ptr<QTimer> typeAtThePrompt(Seen& seen, const QString& password, const CQuorvaneApp& app) {
    auto watch = std::make_unique<QTimer>();
    QTimer* poll = watch.get();
    QObject::connect(poll, &QTimer::timeout, poll, [&seen, password, &app, poll] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            seen.messages.append(box->text());
            box->accept();
            return;
        }
        auto* dialog = qobject_cast<DecryptPasswordDlg*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        if (++seen.prompts > 1) {
            dialog->reject();
            return;
        }
        poll->stop();  // the waits below would run this timer again
        seen.busyPointer = QGuiApplication::overrideCursor() != nullptr;
        // As a person waits for the prompt to take the keyboard, then types into whatever has it.
        seen.active = QTest::qWaitForWindowActive(dialog, 5000);
        seen.fieldFocused = QApplication::focusWidget() == dialog->passwordField();
        seen.splashOver = app.splashWindow() && app.splashWindow()->isVisible();
        if (QWidget* keys = QApplication::focusWidget()) {
            QTest::keyClicks(keys, password, Qt::NoModifier, 25);
        }
        seen.typed = dialog->passwordField()->text();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog, Qt::Key_Return);
        poll->start();
    });
    poll->start(10);
    return watch;
}

}  // namespace

class PasswordPromptTest : public QObject {
    Q_OBJECT
private slots:
    void everyKeyReachesThePromptAtStartUp_data();
    void everyKeyReachesThePromptAtStartUp();
};

void PasswordPromptTest::everyKeyReachesThePromptAtStartUp_data() {
    QTest::addColumn<bool>("strong");
    QTest::addColumn<QString>("password");
    QTest::newRow("strong form") << true << QStringLiteral("Correct-Horse 9!");
    QTest::newRow("old form") << false << QStringLiteral("pa$$w0rd ~^`'\"");
}

void PasswordPromptTest::everyKeyReachesThePromptAtStartUp() {
    QFETCH(bool, strong);
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vault.qve"));
    writeCardFile(file, {{0, "Bank"}}, password, strong);

    auto settings = std::make_unique<MemorySettings>();
    writeSetting(*settings, settings::kHasStartedBefore, 1);
    Seen seen;
    {
        CQuorvaneApp app(std::move(settings));
        const std::unique_ptr<QTimer> typist = typeAtThePrompt(seen, password, app);
        QVERIFY(app.InitInstance({file}, CQuorvaneApp::Options{true}));  // the splash screen as at a real start
        QVERIFY(seen.active);
        QVERIFY(seen.fieldFocused);
        QCOMPARE(seen.typed, password);
        QCOMPARE(seen.messages, QStringList());
        QCOMPARE(seen.prompts, 1);
        QVERIFY(!seen.splashOver);
        QVERIFY(!seen.busyPointer);
        QCOMPARE(seen.typed, password);
        CQuorvaneDoc* document = app.mainFrame()->activeCardDocument();
        QVERIFY(document);
        QCOMPARE(document->store().GetCategoryList(0)->GetCardCount(), 1);
        QVERIFY(!QGuiApplication::overrideCursor());  // the busy pointer of the open is gone after it
    }
}

QTEST_MAIN(PasswordPromptTest)
#include "PasswordPromptTest.moc"
