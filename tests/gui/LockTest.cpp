// Locking encrypted documents: by the screen saver's signal on the session bus, by time without
// input, and by File, Lock; nothing usable while locked; unlocking with a wrong and the right password;
// unsaved changes surviving the lock; a locked document with changes is unlocked before it closes.

#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "docview/MdiChildFrame.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/ChildFrame.h"
#include "ui/cards/LockCommands.h"
#include "ui/cards/LockedPane.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kPassword = QStringLiteral("lock-pass-1");

void sendScreenSaverActive(const char* path, bool active) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(path), QStringLiteral("org.freedesktop.ScreenSaver"),
                                                     QStringLiteral("ActiveChanged"));
    signal << active;
    QVERIFY(QDBusConnection::sessionBus().send(signal));
}

/// Counts the saver's signal on a path the program does not listen on.
class Marker : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kPath = "/org/orvel/quorvane/test/marker";
    Marker() {
        QDBusConnection::sessionBus().connect(QString(), QString::fromLatin1(kPath),
                                              QStringLiteral("org.freedesktop.ScreenSaver"),
                                              QStringLiteral("ActiveChanged"), this, SLOT(seen()));
    }
    int count = 0;
public slots:
    void seen() { ++count; }
};

/// Waits until a signal sent now has come back from the bus. The bus keeps one sender's messages
/// in order, and the program listens on the same connection, so by then every signal sent before
/// has been handed to the program too.
void waitForTheBus() {
    Marker marker;
    sendScreenSaverActive(Marker::kPath, true);
    QTRY_COMPARE_WITH_TIMEOUT(marker.count, 1, 10000);
}

LockWatch* lockWatch(Harness& h) { return h.frame()->findChild<LockWatch*>(QStringLiteral("LockWatch")); }

CChildFrame* cardWindow(Harness& h) { return qobject_cast<CChildFrame*>(h.frame()->activeChildFrame()); }

int cardRows(Harness& h) {
    const QAbstractItemModel* model = h.tree()->model();
    int rows = 0;
    for (int i = 0; i < model->rowCount(); ++i) {
        rows += model->rowCount(model->index(i, 0));
    }
    return rows;
}

}  // namespace

class LockTest : public QObject {
    Q_OBJECT
private slots:
    void screenSaverLocksAndThePasswordUnlocks_data();
    void screenSaverLocksAndThePasswordUnlocks();
    void idleTimeAndTheCommandLock();
    void lockedDocumentWithChangesUnlocksBeforeClosing();
    void lockCancelsTheDialogsOpenOverIt();
};

void LockTest::screenSaverLocksAndThePasswordUnlocks_data() {
    QTest::addColumn<bool>("strong");
    QTest::addColumn<QString>("path");
    QTest::newRow("strong form, /org/freedesktop/ScreenSaver") << true << "/org/freedesktop/ScreenSaver";
    QTest::newRow("old form, /ScreenSaver") << false << "/ScreenSaver";
}

void LockTest::screenSaverLocksAndThePasswordUnlocks() {
    QFETCH(bool, strong);
    QFETCH(QString, path);
    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kClearClipboardSeconds, 0); });
    writeCardFile(h.path("cards.qve"), {{0, "site", "http://x", "ann", "pw-1"}, {0, "zoo"}}, kPassword, strong);
    h.prompter.passwords.append(kPassword);
    h.open(h.path("cards.qve"));
    QVERIFY(h.doc());
    // An unsaved change, a selected card and a copied password.
    auto card = std::make_unique<Card>();
    card->firstField = "unsaved";
    card->categoryId = 7;
    h.doc()->GetCategoryList(7)->AddCard(std::move(card));
    h.doc()->SetModifiedFlag();
    h.doc()->UpdateAllViews(nullptr);
    h.tree()->SelectItem(h.cardItem(0, "zoo"));
    QVERIFY(h.run(cmd::CopyPassword));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());  // "zoo" has no password: use the other
    h.tree()->SelectItem(h.cardItem(0, "site"));
    QVERIFY(h.run(cmd::CopyPassword));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("pw-1"));

    sendScreenSaverActive("/org/freedesktop/ScreenSaver", false);  // the saver stopping locks nothing
    waitForTheBus();
    QVERIFY(!h.doc()->isLocked());
    sendScreenSaverActive(qPrintable(path), true);
    QTRY_VERIFY(h.doc()->isLocked());

    // Nothing shown, nothing usable, the password gone from the clipboard.
    QVERIFY(h.doc()->GetTitle().endsWith(QStringLiteral(" [Locked]")));
    QCOMPARE(cardRows(h), 0);
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    QVERIFY(!h.doc()->hasCards());
    QVERIFY(h.doc()->store().encryptionPassword.empty());
    QVERIFY(!h.doc()->store().encryptionKey);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(cardWindow(h)->lockedPane()->isVisibleTo(cardWindow(h)), true);
    for (int id : {cmd::NewCard, cmd::EditCard, cmd::DeleteCard, cmd::CopyPassword, cmd::EditCopy, cmd::EditPaste,
                   cmd::EditFind, cmd::FileSave, cmd::FileSaveAs, cmd::FilePrint, cmd::PrintPreview,
                   cmd::LoadWebPage, cmd::GetWebPage, cmd::EncryptOnSave, cmd::FileView}) {
        QVERIFY2(!h.enabled(id), qPrintable(QString::number(id)));
    }
    QVERIFY(h.enabled(cmd::FileLock));
    QVERIFY(!h.doc()->saveAutomatically());

    // A key in the locked window asks; a wrong password says so and stays locked.
    h.prompter.passwords.append(QStringLiteral("wrong"));
    QTest::keyClick(cardWindow(h)->lockedPane(), Qt::Key_Space);
    QCOMPARE(h.prompter.passwordTitles.last(), QStringLiteral("Unlock cards.qve"));
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again."});
    QVERIFY(h.doc()->isLocked());

    // Ctrl+L with the right one: everything as it was, the selection and the unsaved card included.
    h.prompter.passwords.append(kPassword);
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(!h.doc()->isLocked());
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("cards.qve"));
    QCOMPARE(fromCardText(h.tree()->GetSelectedCard()->firstField), QStringLiteral("site"));
    QVERIFY(h.doc()->IsModified());
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardCount(), 1);
    QVERIFY(h.enabled(cmd::CopyPassword));
    QVERIFY(h.run(cmd::FileSave));
    CardStore saved;
    FileReader quiet(kPassword);
    QCOMPARE(loadCardDocument(QFile::encodeName(h.path("cards.qve")).toStdString(), saved, quiet, 0).outcome,
             LoadOutcome::Loaded);
    QCOMPARE(saved.GetCategoryList(7)->GetCardCount(), 1);
    QCOMPARE(saved.encryptionForm, strong ? EncryptionForm::Strong : EncryptionForm::Old);
}

void LockTest::idleTimeAndTheCommandLock() {
    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "open"}});
    writeCardFile(h.path("secret.qve"), {{0, "hidden"}}, kPassword, true);
    h.open(h.path("plain.qvf"));
    CQuorvaneDoc* plain = h.doc();
    h.prompter.passwords.append(kPassword);
    h.open(h.path("secret.qve"));
    CQuorvaneDoc* secret = h.doc();

    // A plain document has nothing to lock with; the encrypted one locks after the idle time, and
    // the file-encryption password goes with it.
    h.frame()->FileEncryption.FileEncryptionPassword = "file-pass";
    h.frame()->FileEncryption.PasswordIsSet = true;
    lockWatch(h)->setIdleIntervalForTests(300);
    QTRY_VERIFY_WITH_TIMEOUT(secret->isLocked(), 5000);
    QVERIFY(!plain->isLocked());
    QVERIFY(h.frame()->FileEncryption.FileEncryptionPassword.empty());
    QVERIFY(!h.frame()->FileEncryption.PasswordIsSet);

    h.prompter.passwords.append(kPassword);
    QVERIFY(h.run(cmd::FileLock));  // the active document is locked: Ctrl+L unlocks it
    QVERIFY(!secret->isLocked());
    lockWatch(h)->setIdleIntervalForTests(3'600'000);
    QVERIFY(h.run(cmd::FileLock));  // and locks it again
    QVERIFY(secret->isLocked());

    // With only plain documents open the idle time keeps the file-encryption password.
    h.prompter.passwords.append(kPassword);
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(h.run(cmd::FileClose));
    QVERIFY(!h.doc()->IsEncrypted());
    h.frame()->FileEncryption.FileEncryptionPassword = "file-pass";
    h.frame()->FileEncryption.PasswordIsSet = true;
    QSignalSpy timeUp(lockWatch(h), &LockWatch::idleTimeUp);
    lockWatch(h)->setIdleIntervalForTests(100);
    QVERIFY(timeUp.wait(10000));
    QCOMPARE(h.frame()->FileEncryption.FileEncryptionPassword, std::string("file-pass"));
}

void LockTest::lockedDocumentWithChangesUnlocksBeforeClosing() {
    Harness h;
    writeCardFile(h.path("secret.qve"), {{0, "hidden"}}, kPassword, true);
    h.prompter.passwords.append(kPassword);
    h.open(h.path("secret.qve"));
    h.doc()->SetModifiedFlag();
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(h.doc()->isLocked());

    // Cancelling the unlock keeps the document open and its changes sealed.
    h.prompter.passwords.append(std::nullopt);
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.childFrameCount(), 1);
    QVERIFY(h.doc()->isLocked());

    // Unlocked, the usual question: No closes without saving.
    h.prompter.passwords.append(kPassword);
    h.prompter.answers.append(GuiPrompter::Answer::No);
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.childFrameCount(), 0);
    QCOMPARE(h.prompter.questions.size(), 1);
}

void LockTest::lockCancelsTheDialogsOpenOverIt() {
    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "open"}});
    writeCardFile(h.path("secret.qve"), {{0, "hidden"}}, kPassword, true);

    // With nothing to lock, a dialog stays as it is.
    h.open(h.path("plain.qvf"));
    QDialog kept(h.frame());
    kept.open();
    QVERIFY(!lockWatch(h)->lockAll());
    QVERIFY(kept.isVisible());
    kept.reject();

    // The screen saver starts while a dialog holding a password waits for OK: the lock cancels it,
    // so its command returns as after Escape and nothing of it stays on screen.
    h.prompter.passwords.append(kPassword);
    h.open(h.path("secret.qve"));
    QDialog editing(h.frame());
    auto* field = new QLineEdit(&editing);
    field->setEchoMode(QLineEdit::Password);
    field->setText(QStringLiteral("pw-1"));
    QTimer::singleShot(0, [] { sendScreenSaverActive("/org/freedesktop/ScreenSaver", true); });
    QTimer::singleShot(10'000, &editing, &QDialog::accept);  // a lock that never came fails, not hangs
    QCOMPARE(editing.exec(), int(QDialog::Rejected));
    QVERIFY(h.doc()->isLocked());
    QVERIFY(!editing.isVisible());
}

QTEST_MAIN(LockTest)
#include "LockTest.moc"
