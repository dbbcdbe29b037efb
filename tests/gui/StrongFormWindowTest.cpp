// The strong form in the card window: new encrypted documents are saved in it under a key derived
// once and reused by every save (the automatic one too); documents opened in the old form stay in it,
// are offered the strong form once (in the status bar, never in a box), and take it when "Old format"
// is cleared; the Encrypt On Save dialog works from the keyboard.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "crypto/PasswordKey.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusMessagePane.h"

namespace {

const QString kPassword = QStringLiteral("correct horse");

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

char bodyKind(const QString& path) { return contents(path).size() > 12 ? contents(path).at(12) : '\xFF'; }

FileEncryptionInput encryptWith(const QString& password, bool oldFormat = false) {
    return {true, password, password, oldFormat};
}

QString statusNotice(Harness& h) { return h.frame()->messagePane()->notice(); }

// The next widget Tab moves to from `w`.
QWidget* nextTabStop(QWidget* w) {
    for (QWidget* next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isEnabled() && next->isVisible()) return next;
    return nullptr;
}

}  // namespace

class StrongFormWindowTest : public QObject {
    Q_OBJECT
private slots:
    void newDocumentsAreStrongAndSavesReuseTheKey();
    void oldDocumentsStayOldAndAreOfferedTheStrongFormOnce();
    void dialogFromTheKeyboard();
    void statusBarShowsTheOfferAloneAndWhole();
};

void StrongFormWindowTest::newDocumentsAreStrongAndSavesReuseTheKey() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "Bank"}, {3, "PIN"}});
    h.open(h.path("cards.qvf"));
    h.prompter.encryptionAnswers.append(encryptWith(kPassword));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.encryptionDialogs.last().oldFormat, false);  // off for a new (plain) document
    QVERIFY(h.run(cmd::FileSave));
    const QString saved = h.path("cards.qve");
    QCOMPARE(bodyKind(saved), '\x03');
    const CardStore& store = h.doc()->store();
    QVERIFY(store.encryptionKey);
    QVERIFY(store.encryptionPassword.empty());  // the strong form keeps no password
    const std::shared_ptr<const PasswordKey> key = store.encryptionKey;

    // Saved again, by hand and automatically: no password asked, the same key (same salt and costs),
    // a fresh nonce.
    const QByteArray first = contents(saved);
    h.doc()->SetModifiedFlag();
    QVERIFY(h.run(cmd::FileSave));
    const QByteArray second = contents(saved);
    QVERIFY(second != first);
    QCOMPARE(second.left(48), first.left(48));
    h.doc()->SetModifiedFlag();
    h.doc()->saveAutomatically();
    QVERIFY(contents(saved) != second);
    QCOMPARE(h.doc()->store().encryptionKey, key);
    QVERIFY(h.prompter.passwordTitles.isEmpty());

    // The dialog opens with empty fields for a strong document, and OK with them empty keeps the key.
    h.prompter.encryptionAnswers.append(FileEncryptionInput{true, QString(), QString(), false});
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.encryptionDialogs.last().password, QString());
    QCOMPARE(h.doc()->store().encryptionKey, key);
    QVERIFY(h.prompter.messages().isEmpty());

    // Opened again, it asks its password once and reads its cards.
    QVERIFY(h.run(cmd::FileClose));
    h.prompter.passwords.append(kPassword);
    QVERIFY(h.open(saved));
    QCOMPARE(h.doc()->store().shownCardCount(), 2);
    QCOMPARE(h.doc()->store().encryptionForm, EncryptionForm::Strong);
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void StrongFormWindowTest::oldDocumentsStayOldAndAreOfferedTheStrongFormOnce() {
    Harness h;
    const QString old = h.path("old.qve");
    writeCardFile(old, {{0, "Bank"}}, kPassword);
    QCOMPARE(bodyKind(old), '\x01');
    h.prompter.passwords.append(kPassword);
    QVERIFY(h.open(old));
    QVERIFY(statusNotice(h).contains(QStringLiteral("old.qve is saved in the old encryption form")));
    QVERIFY(h.prompter.messages().isEmpty());  // no box
    h.doc()->SetModifiedFlag();
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(bodyKind(old), '\x01');  // saved again in its own form

    // The offer is made once per document: not at the next open.
    QVERIFY(h.run(cmd::FileClose));
    h.frame()->messagePane()->clearNotice();
    h.prompter.passwords.append(kPassword);
    QVERIFY(h.open(old));
    QVERIFY(!statusNotice(h).contains(QStringLiteral("old encryption form")));

    // Encrypt On Save opens with "Old format" on and the password filled in; cleared, the strong form.
    h.prompter.encryptionAnswers.append(encryptWith(kPassword, false));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.encryptionDialogs.last().oldFormat, true);
    QCOMPARE(h.prompter.encryptionDialogs.last().password, kPassword);
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(bodyKind(old), '\x03');
    QVERIFY(h.doc()->store().encryptionPassword.empty());
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void StrongFormWindowTest::dialogFromTheKeyboard() {
    FileEncryptionDlg dialog({true, QString(), QString(), true});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Tab order: the switch, the password, its confirmation, the eye button, the format, OK.
    QCOMPARE(nextTabStop(dialog.checkBox()), static_cast<QWidget*>(dialog.passwordField()));
    QCOMPARE(nextTabStop(dialog.passwordField()), static_cast<QWidget*>(dialog.confirmationField()));
    QCOMPARE(nextTabStop(nextTabStop(dialog.confirmationField())), static_cast<QWidget*>(dialog.oldFormatBox()));
    auto* ok = qobject_cast<QPushButton*>(nextTabStop(dialog.oldFormatBox()));
    QVERIFY(ok && ok->isDefault());
    // Cleared, the switch takes the format choice with it.
    dialog.checkBox()->click();
    QVERIFY(!dialog.oldFormatBox()->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), static_cast<int>(QDialog::Rejected));
}

// At start-up the offer comes before the window shows. The status bar then shows it alone and whole,
// locked or not: no "Ready" under it and no text of the bar's own over it, every line of it inside
// the bar at the first window size. Menu prompts wait until its time is up, then show again.
void StrongFormWindowTest::statusBarShowsTheOfferAloneAndWhole() {
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("vault.qve"));
    writeCardFile(old, {{0, "Bank"}}, kPassword);
    Harness h({old}, {}, [](ScriptedPrompter& p) { p.passwords.append(kPassword); });
    QVERIFY(h.doc());
    QVERIFY(QTest::qWaitForWindowExposed(h.frame()));
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(h.doc()->isLocked());

    const QString offer = QStringLiteral("vault.qve is saved in the old encryption form (Blowfish, no salt). Encrypt On "
                                         "Save (Alt+S) with \"Old format\" cleared saves it in the strong form.");
    StatusMessagePane* pane = h.frame()->messagePane();
    QStatusBar* bar = h.frame()->statusBar();
    QCOMPARE(pane->text(), offer);
    QCOMPARE(bar->currentMessage(), QString());  // the bar draws nothing of its own over the pane
    QVERIFY(pane->isVisible());
    QVERIFY(pane->width() < pane->fontMetrics().horizontalAdvance(offer));  // too long for one line here
    QTRY_VERIFY(pane->height() >= pane->heightForWidth(pane->width()));     // so the bar grows to show it all
    QVERIFY(bar->rect().contains(pane->geometry()));
    const int whole = pane->height();
    QVERIFY(h.frame()->rect().contains(QRect(bar->mapTo(h.frame(), QPoint()), bar->size())));

    QStatusTipEvent tip(QStringLiteral("Find string"));
    QCoreApplication::sendEvent(h.frame(), &tip);
    QCOMPARE(pane->text(), offer);
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(h.frame(), &none);
    pane->clearNotice();  // as its time ends
    QCOMPARE(pane->text(), QStringLiteral("Ready"));
    QTRY_VERIFY(pane->height() < whole);  // one line again

    pane->showNotice(QStringLiteral("a notice"), 50);
    QCoreApplication::sendEvent(h.frame(), &tip);
    QCOMPARE(pane->text(), QStringLiteral("a notice"));
    QTRY_COMPARE(pane->text(), QStringLiteral("Find string"));
    QVERIFY(h.prompter.unexpected.isEmpty());
}

QTEST_MAIN(StrongFormWindowTest)
#include "StrongFormWindowTest.moc"
