// The main window's commands: menus, shortcuts, toolbar, prompts and the enable rules, driven
// offscreen by command id.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QStatusTipEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

#include "ScriptedHarness.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/WindowPlacement.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

// A popup as "Title: item|item|-|item" with the texts the menu shows (hidden entries left out).
QString describe(const QList<QMenu*>& popups) {
    QStringList out;
    for (QMenu* menu : popups) {
        QStringList items;
        for (QAction* action : menu->actions()) {
            if (action->isVisible()) {
                // What the menu shows: a text without a tab gets the shortcut's name appended by
                // Qt; an empty part after the tab shows nothing.
                QString shown = action->text();
                if (!shown.contains('\t') && !action->shortcut().isEmpty()) {
                    shown += '\t' + action->shortcut().toString(QKeySequence::NativeText);
                }
                if (shown.endsWith('\t')) {
                    shown.chop(1);
                }
                items.append(action->isSeparator() ? QStringLiteral("-") : shown);
            }
        }
        out.append(menu->title() + QStringLiteral(": ") + items.join('|'));
    }
    return out.join('\n');
}

const QString kEditPopup = QStringLiteral(
    "&Edit: &Undo\tCtrl+Z|-|Cu&t\tCtrl+X|&Copy\tCtrl+C|&Paste\tCtrl+V|-|&Find...\tCtrl+F |-|Preferences...\tAlt+P");
const QString kFilePopup = QStringLiteral(
    "&File: &New\tAlt+N|&Open...\tCtrl+O|&Close|&Save\tCtrl+S|Save &As...|-|&Import...\tCtrl+I|&Export...|-|"
    "Encrypt On &Save...\tAlt+S|&Lock\tCtrl+L|-|"
    "&Print...\tCtrl+P|Print Pre&view|P&rint Setup...|-|Recent File|-|E&xit");
const QString kCardItems = QStringLiteral(
    "&New Card\tCtrl+N |&Delete Card\tCtrl+D|-|First Card|Last Card|-|&Edit Card\tCtrl+E |S&hare with Programs...|-|"
    "Copy &One-time Code\tCtrl+T|Set &Up One-time Code...|Show &QR Code");
const QString kInternetItems = QStringLiteral(
    "Launch WWW|Launch E-Mail|Launch Login|Launch News|Launch FTP|-|Load Web Page\tCtrl+W |Get Web Page\tAlt+W |Fill Login\tCtrl+Shift+L");
const QString kTail = QStringLiteral(
    "&Window: &Arrange Icons\n"
    "&Help: Online Documentation|Help Reader|Quorvane Home Page|-|&About Quorvane...");

}  // namespace

class CommandTableTest : public QObject {
    Q_OBJECT
private slots:
    void menus_data();
    void menus();
    void menuFollowsActiveDocumentType();
    void acceleratorTable_data();
    void acceleratorTable();
    void noShortcutIsTakenTwice();
    void lettersAloneFireInTheWindowButNotInAnEditField();
    void enableRules();
    void disabledCommandNeverRuns();
    void toolbarAndPrompts();
    void statusBarsAtCreation();
};

void CommandTableTest::menus_data() {
    QTest::addColumn<int>("menuId");
    QTest::addColumn<QString>("expected");
    QTest::newRow("128 no document") << 128
                                     << QStringLiteral(
                                            "&File: &New\tAlt+N|&Open...\tCtrl+O|&Import...\tCtrl+I|-|P&rint Setup...|-|Recent File|-|E&xit\n"
                                            "&View: &Toolbar|&Status Bar|-|Standard View\n"
                                            "&Help: &About Quorvane");
    QTest::newRow("129 plain") << 129
                               << kFilePopup + '\n' + kEditPopup + "\n&Card: " + kCardItems + "\n&Internet: " +
                                      kInternetItems + "\n&View: &Toolbar|&Status Bar|-|File View\n" + kTail;
    QTest::newRow("200 encrypted") << 200
                                   << kFilePopup + '\n' + kEditPopup + "\nCard: " + kCardItems + "\nInternet: " +
                                          kInternetItems + "\n&View: &Toolbar|&Status Bar\n" + kTail;
}

void CommandTableTest::menus() {
    QFETCH(int, menuId);
    QFETCH(QString, expected);
    Harness h;
    QCOMPARE(describe(h.frame()->menuPopups(menuId)), expected);
}

void CommandTableTest::menuFollowsActiveDocumentType() {
    Harness h;
    writeCardFile(h.path("secret.qve"), {{0, "a"}}, "password1");
    QCOMPARE(h.frame()->activeMenuId(), 128);
    QVERIFY(h.run(cmd::FileNew));
    QCOMPARE(h.frame()->activeMenuId(), 129);
    h.prompter.passwords.append(QStringLiteral("password1"));
    h.open(h.path("secret.qve"));
    QCOMPARE(h.frame()->activeMenuId(), 200);
    QVERIFY(h.run(cmd::FileClose));
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.frame()->activeMenuId(), 128);
}

void CommandTableTest::acceleratorTable_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("commandId");
    const std::pair<const char*, int> table[] = {
        {"Shift+A", cmd::FileSaveAs},     {"Ctrl+C", cmd::EditCopy},       {"Shift+C", cmd::FileClose},
        {"Ctrl+D", cmd::DeleteCard},      {"Ctrl+E", cmd::EditCard},       {"Ctrl+F", cmd::EditFind},
        {"Ctrl+G", cmd::FindAgain},       {"Ctrl+N", cmd::NewCard},        {"Alt+N", cmd::FileNew},
        {"Ctrl+O", cmd::FileOpen},        {"Ctrl+I", cmd::FileImport},        {"Ctrl+P", cmd::FilePrint},      {"Alt+P", cmd::Preferences},
        {"R", cmd::FilePrintSetup},       {"Ctrl+S", cmd::FileSave},       {"Alt+S", cmd::EncryptOnSave},
        {"V", cmd::PrintPreview},         {"Ctrl+V", cmd::EditPaste},      {"Alt+Backspace", cmd::EditUndo},
        {"Shift+Del", cmd::EditCut},      {"F1", cmd::Help},               {"Shift+F1", cmd::ContextHelp},
        {"F6", cmd::NextPane},            {"Shift+F6", cmd::PrevPane},     {"Ctrl+Ins", cmd::EditCopy},
        {"Shift+Ins", cmd::EditPaste},    {"Ctrl+W", cmd::LoadWebPage},    {"Ctrl+Shift+W", cmd::GetWebPage},
        {"Ctrl+Shift+L", cmd::FillLogin}, {"Ctrl+T", cmd::CopyOneTimeCode}, {"X", cmd::AppExit},              {"Ctrl+X", cmd::EditCut},        {"Ctrl+Z", cmd::EditUndo},
    };
    for (const auto& [keys, id] : table) {
        QTest::newRow(keys) << QString::fromLatin1(keys) << id;
    }
}

void CommandTableTest::acceleratorTable() {
    QFETCH(QString, keys);
    QFETCH(int, commandId);
    Harness h;
    QAction* action = h.frame()->commandAction(commandId);
    QVERIFY(action);
    QVERIFY2(action->shortcuts().contains(QKeySequence::fromString(keys, QKeySequence::PortableText)),
             qPrintable(action->text()));
    QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
}

void CommandTableTest::noShortcutIsTakenTwice() {
    // Two actions on one key make Qt drop both; Get Web Page's menu names Alt+W but must not own it.
    Harness h;
    QHash<QKeySequence, int> owner;
    for (int id : h.frame()->commands().ids()) {
        for (const QKeySequence& key : h.frame()->commandAction(id)->shortcuts()) {
            QVERIFY2(!owner.contains(key), qPrintable(key.toString() + " twice"));
            owner.insert(key, id);
        }
    }
    QVERIFY(!owner.contains(QKeySequence(QStringLiteral("Alt+W"))));
    QCOMPARE(owner.value(QKeySequence(QStringLiteral("Ctrl+Shift+W"))), cmd::GetWebPage);
}

void CommandTableTest::lettersAloneFireInTheWindowButNotInAnEditField() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{8, "Visa"}});
    h.open(h.path("cards.qvf"));
    QList<int> ran;
    connect(&h.frame()->commands(), &CommandTable::executed, this, [&](int id) { ran.append(id); });
    h.frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.frame()));
    h.tree()->setFocus();
    h.prompter.onDialog<QPageSetupDialog>([](QPageSetupDialog&) { return int(QDialog::Rejected); });
    h.prompter.onDialog<QPrintPreviewDialog>([](QPrintPreviewDialog&) { return int(QDialog::Rejected); });
    QTest::keyClick(h.tree(), Qt::Key_R);
    QTest::keyClick(h.tree(), Qt::Key_V);
    QCOMPARE(ran, (QList<int>{cmd::FilePrintSetup, cmd::PrintPreview}));

    QDialog dialog(h.frame());
    auto* field = new QLineEdit(&dialog);
    (new QVBoxLayout(&dialog))->addWidget(field);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("rvx"));
    QCOMPARE(field->text(), QStringLiteral("rvx"));
    QCOMPARE(ran, (QList<int>{cmd::FilePrintSetup, cmd::PrintPreview}));
    QVERIFY(h.frame()->isVisible());
}

void CommandTableTest::enableRules() {
    // Each step changes the state; the table says which commands are enabled afterwards.
    struct Step {
        const char* state;
        std::function<void(Harness&)> enter;
        QList<int> on;
        QList<int> off;
    };
    const QList<int> alwaysOn = {cmd::NewCard, cmd::GetWebPage, cmd::FileView, cmd::FileNew, cmd::FileOpen,
                                 cmd::AppExit, cmd::AppAbout, cmd::OpenNewWindow, cmd::AutomaticAccess};
    // No card here has a one-time code setup.
    const QList<int> alwaysOff = {cmd::EditUndo,  cmd::StandardView,    cmd::FindAgain,
                                  cmd::EditPaste, cmd::CopyOneTimeCode, cmd::ShowQrCode};
    const QList<int> fileCommands = {cmd::FileSave,  cmd::FileSaveAs,   cmd::EncryptOnSave, cmd::EncryptOnSaveButton,
                                     cmd::FilePrint, cmd::PrintPreview, cmd::EditFind,      cmd::FindButton};
    const QList<int> cardCommands = {cmd::EditCard, cmd::DeleteCard, cmd::DeleteCardButton, cmd::UpdateCardButton,
                                     cmd::EditCut,  cmd::LoadWebPage, cmd::LoadWebPageButton, cmd::CopyPassword,
                                     cmd::SetUpOneTimeCode};
    const QList<int> childCommands = {cmd::NewCardButton, cmd::FileEncryptionButton, cmd::FileClose,
                                      cmd::GetWebPageButton};

    Harness h;
    writeCardFile(h.path("cards.qvf"), {{8, "Visa"}, {8, "Amex"}});
    const QList<Step> steps = {
        {"no document", [](Harness&) {}, {cmd::FilePrintSetup},
         fileCommands + cardCommands + childCommands + QList<int>{cmd::EditCopy}},
        {"empty document", [](Harness& h) { QVERIFY(h.run(cmd::FileNew)); }, childCommands,
         fileCommands + cardCommands + QList<int>{cmd::FilePrintSetup, cmd::EditCopy}},
        {"cards, category selected", [](Harness& h) { h.open(h.path("cards.qvf")); },
         fileCommands + childCommands + QList<int>{cmd::FilePrintSetup}, cardCommands + QList<int>{cmd::EditCopy}},
        {"card selected", [](Harness& h) { h.tree()->SelectItem(h.cardItem(8, "Visa")); },
         cardCommands + QList<int>{cmd::EditCopy}, {}},
        {"category selected again", [](Harness& h) { h.tree()->SelectItem(h.tree()->GetCategoryItemAt(8)); }, {},
         cardCommands + QList<int>{cmd::EditCopy}},
        {"card list clicked", [](Harness& h) {
             h.frame()->activateWindow();
             QVERIFY(QTest::qWaitForWindowActive(h.frame()));
             QTest::mouseClick(h.list()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
             QCOMPARE(h.frame()->activeChildFrame()->GetActiveView(), static_cast<View*>(h.list()));
         }, {cmd::EditCopy}, {cmd::EditCard, cmd::CopyPassword}},
        {"F6 back to the tree", [](Harness& h) { QVERIFY(h.run(cmd::NextPane)); }, {},
         cardCommands + QList<int>{cmd::EditCopy}},
    };
    for (const Step& step : steps) {
        step.enter(h);
        for (int id : alwaysOn + step.on) {
            QVERIFY2(h.enabled(id), qPrintable(QStringLiteral("%1 off in state: %2").arg(id).arg(step.state)));
        }
        for (int id : alwaysOff + step.off) {
            QVERIFY2(!h.enabled(id), qPrintable(QStringLiteral("%1 on in state: %2").arg(id).arg(step.state)));
        }
    }
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void CommandTableTest::disabledCommandNeverRuns() {
    Harness h;
    writeCardFile(h.path("a.qvf"), {{0, "a"}});
    QVERIFY(h.open(h.path("a.qvf")));
    int runs = 0;
    h.frame()->commands().setHandler(cmd::EditCard, [&] { ++runs; });
    // A stale enabled state must not let it through either: execute() asks the rule again.
    h.frame()->commandAction(cmd::EditCard)->setEnabled(true);
    h.frame()->commandAction(cmd::EditCard)->trigger();
    QVERIFY(!h.frame()->commands().execute(cmd::EditCard));
    QCOMPARE(runs, 0);
    h.tree()->SelectItem(h.cardItem(0, "a"));
    QVERIFY(h.frame()->commands().execute(cmd::EditCard));
    QCOMPARE(runs, 1);
}

void CommandTableTest::toolbarAndPrompts() {
    Harness h;
    QStringList order;
    for (QAction* action : h.frame()->mainToolBar()->actions()) {
        order.append(action->isSeparator() ? QStringLiteral("|") : QString::number(action->data().toInt()));
    }
    QCOMPARE(order.join(' '), QStringLiteral("57600 57601 57603 1013 | 32830 57635 57637 57634 | 57607 | 1005 | "
                                             "32822 32821 | 1009 1010 32794 | 32803 | 32792 | 32818 57664"));
    QVERIFY(h.frame()->fileViewToolBar()->isHidden());
    QVERIFY(h.frame()->foldersBar()->isHidden());

    struct Prompt {
        int id;
        const char* status;
        const char* tip;
    };
    for (const Prompt& p : {Prompt{1005, "Launch Web Browser ", " Launch Browser"},
                            Prompt{1013, "Encrypt File On save", "Encrypt File"},
                            Prompt{32830, "Copy selected string to Clipboard", "Copy to Clipboard"},
                            Prompt{103, "Show or hide Status Dialog Bar", "Toggle Status Dialog Bar"}}) {
        QCOMPARE(h.frame()->commandAction(p.id)->statusTip(), QString::fromLatin1(p.status));
        QCOMPARE(h.frame()->commandAction(p.id)->toolTip(), QString::fromLatin1(p.tip));
    }
    QCOMPARE(h.frame()->commandAction(cmd::NewCard)->statusTip(), QString());
    QStatusTipEvent tip(QStringLiteral("Find string"));
    QCoreApplication::sendEvent(h.frame(), &tip);
    QCOMPARE(h.frame()->messagePane()->text(), QStringLiteral("Find string"));
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(h.frame(), &none);
    QCOMPARE(h.frame()->messagePane()->text(), QStringLiteral("Ready"));
}

void CommandTableTest::statusBarsAtCreation() {
    Harness h;
    // The first start's share of the screen, never below 650x480 (the placement test has the table).
    QCOMPARE(h.frame()->size(),
             placement::firstStartGeometry(QGuiApplication::primaryScreen()->availableGeometry(), QSize(650, 480)).size());
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kCardsInCategory)->text(), QStringLiteral("0"));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text(), QStringLiteral("0"));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kSaveStatusText)->text(),
             QStringLiteral("(Not Encrypted)"));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kSaveStatusIcon)->property("encrypted").toBool(), false);
    QVERIFY(h.run(cmd::ViewStatusDialogBar));
    QVERIFY(h.frame()->statusDialogBar()->isHidden());
    QVERIFY(h.enabled(cmd::ViewStatusDialogBar));
    QVERIFY(!h.frame()->commandAction(cmd::ViewStatusDialogBar)->isChecked());
    for (const char* name : {"WWW Sites", "Membership Numbers", "Miscellaneous"}) {
        QCOMPARE(h.frame()->CategoryNameFromId(h.frame()->CategoryIdFromName(QString::fromLatin1(name))),
                 QString::fromLatin1(name));
    }
    QCOMPARE(h.frame()->CategoryIdFromName(QStringLiteral("Login Accounts")), 5);
    QCOMPARE(h.frame()->CategoryIdFromName(QStringLiteral("Password Manager")), -1);
    QCOMPARE(h.frame()->CategoryIdFromName(QStringLiteral("www sites")), -1);
    QCOMPARE(h.frame()->CategoryNameFromId(15), QString());
}

QTEST_MAIN(CommandTableTest)
#include "CommandTableTest.moc"
