// Several card windows at once: the bars follow the active one, the Window menu and Ctrl+F6 reach
// every window, a failed open leaves the others alone, the card-selected state follows the real
// selection, and a typo at Encrypt On Save never turns encryption off.

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "docview/MdiChildFrame.h"
#include "docview/MdiWindowList.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

const QString kPassword = QStringLiteral("correct horse");

// "(Encrypted)" or "(Not Encrypted)", the counts, and the Encrypt On Save button's picture.
QString status(Harness& h) {
    CMainFrame* f = h.frame();
    return f->GetStatusDialogBarItem(StatusDialogBar::kSaveStatusText)->text() + ' ' +
           f->GetStatusDialogBarItem(StatusDialogBar::kCardsInCategory)->text() + '/' +
           f->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text() +
           (f->commandAction(cmd::EncryptOnSaveButton)->property("toolbarImage").toInt() == f->GetToolbarImageBase()
                ? " encrypted button"
                : " plain button");
}

QMenu* windowMenu(Harness& h) {
    for (QMenu* menu : h.frame()->menuPopups(h.frame()->activeMenuId())) {
        if (menu->title() == QStringLiteral("&Window")) {
            emit menu->aboutToShow();
            return menu;
        }
    }
    return nullptr;
}

// The Window menu's entries below Arrange Icons: "&1 plain.qvf*" with a star on the checked one.
QStringList windowEntries(Harness& h) {
    QStringList entries;
    for (QAction* action : windowMenu(h)->actions()) {
        if (!action->isSeparator() && action->data().toInt() != cmd::WindowArrange) {
            entries.append(action->text() + (action->isChecked() ? "*" : ""));
        }
    }
    return entries;
}

void chooseWindow(Harness& h, const QString& text) {
    for (QAction* action : windowMenu(h)->actions()) {
        if (action->text() == text) {
            action->trigger();
            QCoreApplication::processEvents();
            return;
        }
    }
    QFAIL(qPrintable("no Window menu entry " + text));
}

void pressKey(Harness& h, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : h.frame();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    QCoreApplication::processEvents();
}

class PasswordPrompter : public Prompter {
public:
    explicit PasswordPrompter(std::string password) : m_password(std::move(password)) {}
    void showMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> askPassword(const std::string&) override { return m_password; }
    bool confirmReplace(const std::string&) override { return false; }
    std::vector<std::string> messages;

private:
    std::string m_password;
};

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void statusFollowsTheActiveWindow();
    void windowMenuAndKeysReachEveryWindow();
    void arrangeIconsLinesUpMinimizedWindows();
    void failedOrCancelledOpenLeavesTheOthersAlone();
    void cardSelectedFollowsTheTree();
    void typoAtEncryptOnSaveKeepsEncryption();

private:
    void openBoth(Harness& h);
};

void WindowTest::init() { QApplication::setActiveWindow(nullptr); }

void WindowTest::openBoth(Harness& h) {
    writeCardFile(h.path("plain.qvf"), {{0, "a"}, {0, "b"}, {8, "c"}});
    writeCardFile(h.path("secret.qve"), {{0, "x"}, {7, "y"}, {7, "z"}, {9, "w"}}, kPassword);
    h.open(h.path("plain.qvf"));
    h.prompter.passwords.append(kPassword);
    h.open(h.path("secret.qve"));
    QCOMPARE(h.childFrameCount(), 2);
}

void WindowTest::statusFollowsTheActiveWindow() {
    Harness h;
    h.frame()->show();
    openBoth(h);
    QCOMPARE(status(h), QStringLiteral("(Encrypted) 1/4 encrypted button"));

    // From the Window menu, with the list as the active pane of the window left behind.
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    chooseWindow(h, QStringLiteral("&1 plain.qvf"));
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("plain.qvf"));
    QCOMPARE(status(h), QStringLiteral("(Not Encrypted) 2/3 plain button"));

    // Back with Ctrl+F6 to the window whose active pane is the list: it shows its own status.
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    pressKey(h, Qt::Key_F6, Qt::ControlModifier);
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("secret.qve"));
    QCOMPARE(status(h), QStringLiteral("(Encrypted) 1/4 encrypted button"));

    // Selecting in one window, then switching, shows the other window's counts, not the first's.
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(7));
    QCOMPARE(status(h), QStringLiteral("(Encrypted) 2/4 encrypted button"));
    pressKey(h, Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(status(h), QStringLiteral("(Not Encrypted) 2/3 plain button"));

    // Closing the active window shows the one left; closing that one clears the counts.
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(status(h), QStringLiteral("(Encrypted) 1/4 encrypted button"));
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(status(h).section(' ', -3, -3), QStringLiteral("0/0"));
}

void WindowTest::windowMenuAndKeysReachEveryWindow() {
    Harness h;
    h.frame()->show();
    QVERIFY(windowMenu(h) == nullptr || windowEntries(h).isEmpty());
    openBoth(h);
    QCOMPARE(windowEntries(h), (QStringList{"&1 plain.qvf", "&2 secret.qve*"}));
    QVERIFY(h.frame()->windowList()->nextWindowAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F6)));

    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* active;
    } presses[] = {
        {Qt::Key_F6, Qt::ControlModifier, "&1 plain.qvf*"},
        {Qt::Key_F6, Qt::ControlModifier, "&2 secret.qve*"},
        {Qt::Key_Tab, Qt::ControlModifier, "&1 plain.qvf*"},
        {Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier, "&2 secret.qve*"},
    };
    for (const auto& press : presses) {
        pressKey(h, press.key, press.modifiers);
        QVERIFY2(windowEntries(h).contains(QString::fromUtf8(press.active)), qPrintable(windowEntries(h).join(',')));
    }
    // The menu follows a window going away.
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(windowEntries(h), (QStringList{"&1 plain.qvf*"}));
}

void WindowTest::arrangeIconsLinesUpMinimizedWindows() {
    Harness h;
    h.frame()->show();
    openBoth(h);
    const QList<QMdiSubWindow*> windows = h.frame()->mdiArea()->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* window : windows) {
        window->showNormal();
    }
    for (QMdiSubWindow* window : windows) {
        window->showMinimized();
        QCoreApplication::processEvents();
    }
    // Dragged away from where they were put when minimized.
    windows[0]->move(300, 50);
    windows[1]->move(10, 10);
    QVERIFY(h.run(cmd::WindowArrange));
    const int bottom = h.frame()->mdiArea()->viewport()->height();
    QCOMPARE(windows[0]->geometry().bottom() + 1, bottom);
    QCOMPARE(windows[0]->x(), 0);
    QCOMPARE(windows[1]->geometry().bottom() + 1, bottom);
    QCOMPARE(windows[1]->x(), windows[0]->width());
}

void WindowTest::failedOrCancelledOpenLeavesTheOthersAlone() {
    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "a"}, {0, "b"}, {8, "c"}});
    writeCardFile(h.path("secret.qve"), {{0, "x"}}, kPassword);
    h.open(h.path("plain.qvf"));
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(8));
    QCOMPARE(status(h), QStringLiteral("(Not Encrypted) 1/3 plain button"));

    h.prompter.passwords.append(QStringLiteral("wrong password"));
    h.open(h.path("secret.qve"));
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again."});
    h.prompter.passwords.append(std::nullopt);
    h.open(h.path("secret.qve"));
    h.open(h.path("missing.qvf"));
    QCOMPARE(h.prompter.messages(), (QStringList{"Password not correct,try again.",
                                                 "Unable to open missing.qvf.\nCannot open " + h.path("missing.qvf") +
                                                     ": No such file or directory"}));

    QCOMPARE(h.childFrameCount(), 1);
    QCOMPARE(status(h), QStringLiteral("(Not Encrypted) 1/3 plain button"));
}

void WindowTest::cardSelectedFollowsTheTree() {
    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "a"}, {8, "c"}});
    h.open(h.path("plain.qvf"));
    const int cardCommands[] = {cmd::DeleteCard, cmd::EditCut, cmd::EditCard, cmd::LoadWebPage};
    auto enabledCount = [&] {
        int n = 0;
        for (int id : cardCommands) {
            n += h.enabled(id) ? 1 : 0;
        }
        return n;
    };

    const struct {
        const char* what;
        std::function<void()> step;
    } steps[] = {
        {"File New", [&] { QVERIFY(h.run(cmd::FileNew)); }},
        {"the tree rebuilt", [&] { h.doc()->UpdateAllViews(nullptr); }},
        {"a category selected", [&] { h.tree()->SelectItem(h.tree()->GetCategoryItemAt(8)); }},
    };
    for (const auto& s : steps) {
        if (h.doc()->GetTitle() != QStringLiteral("plain.qvf")) {
            chooseWindow(h, QStringLiteral("&1 plain.qvf"));
        }
        h.tree()->SelectItem(h.cardItem(0, "a"));
        QCOMPARE(enabledCount(), 4);
        s.step();
        QVERIFY2(enabledCount() == 0, s.what);
        QVERIFY2(!h.frame()->CardSelected(), s.what);
    }
}

void WindowTest::typoAtEncryptOnSaveKeepsEncryption() {
    Harness h;
    writeCardFile(h.path("secret.qve"), {{0, "x"}, {7, "y"}}, kPassword);
    h.prompter.passwords.append(kPassword);
    h.open(h.path("secret.qve"));

    h.prompter.encryptionAnswers.append(FileEncryptionInput{true, "new password", "new passwort"});
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct, try again!"});
    QVERIFY(h.doc()->IsEncrypted());
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(h.doc()->GetPathName(), h.path("secret.qve"));
    QCOMPARE(status(h), QStringLiteral("(Encrypted) 1/2 encrypted button"));

    // Saving (as the automatic save would) writes the cards enciphered under the old password.
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(!QFile::exists(h.path("secret.qvf")));
    CardStore onDisk;
    PasswordPrompter reader(kPassword.toStdString());
    const LoadResult result = loadCardDocument(h.path("secret.qve").toStdString(), onDisk, reader, 0);
    QVERIFY(result.outcome == LoadOutcome::Loaded);
    QCOMPARE(onDisk.encryptOnSave, 1);
    QCOMPARE(onDisk.GetCategoryList(7)->GetCardCount(), 1);
    QVERIFY(reader.messages.empty());
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
