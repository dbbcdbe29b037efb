// File, Import... and Export... in the window, and the welcome pane shown while no document is open.

#include <sys/stat.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/Categories.h"
#include "cardstore/DateStamp.h"
#include "docview/DocManager.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/exchange/ExportDlg.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusDialogBar.h"
#include "ui/frame/WelcomePane.h"

namespace {

// A KeePassXC export in its ten-column header, as KeePassXC documents it.
const char* const kKeePassXC =
    "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
    "\"Created\"\n"
    "\"Root/Banking\",\"My bank\",\"me\",\"pw,1\",\"https://bank.example\",\"two\nlines\",\"JBSWY3DPEHPK3PXP\","
    "\"0\",\"\",\"2021-03-04T10:20:30Z\"\n"
    "\"Root\",\"Forum\",\"fan\",\"pw2\",\"https://forum.example\",\"\",\"\",\"0\",\"\",\"\"\n"
    "\"Root/Email\",\"Mail\",\"me@mail.example\",\"pw3\",\"\",\"\",\"\",\"0\",\"\",\"\"\n";

void writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

int countIn(const CQuorvaneDoc* doc, int categoryId) {
    return doc->store().GetCategoryList(categoryId)->GetCardCount();
}

unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

WelcomePane* welcome(Harness& h) {
    return h.frame()->welcomePane();
}

}  // namespace

class ImportExportTest : public QObject {
    Q_OBJECT
private slots:
    void importIntoANewDocument();
    void importIntoTheActiveDocument();
    void importRefusedOrCancelledChangesNothing();
    void exportWritesAnOwnerOnlyFileAfterTheWarning();
    void exportDialogKeys();
    void welcomePaneComesAndGoes();
};

void ImportExportTest::importIntoANewDocument() {
    Harness h;
    writeText(h.path("kp.csv"), kKeePassXC);
    h.prompter.openNames << h.path("kp.csv");
    QVERIFY(h.run(cmd::FileImport));
    QCOMPARE(h.prompter.openCaptions, QStringList{QStringLiteral("Import Cards")});
    CQuorvaneDoc* doc = h.doc();
    QVERIFY(doc);
    QVERIFY(doc->IsModified());
    QVERIFY(doc->GetPathName().isEmpty());
    QCOMPARE(countIn(doc, 7), 1);  // Bank Accounts
    QCOMPARE(countIn(doc, 0), 1);  // WWW Sites: a login with an address
    QCOMPARE(countIn(doc, 4), 1);  // E-Mail Contacts
    const Card& bank = *doc->store().GetCategoryList(7)->GetCardAt(0);
    QCOMPARE(bank.fourthField, std::string("pw,1"));
    QVERIFY(bank.note.find("two\r\nlines\r\notpauth://totp/My%20bank:me?secret=JBSWY3DPEHPK3PXP") == 0);
    QCOMPARE(FormatDateStamp(bank.dateStamp, 4), std::string("2021-03-04"));
    QCOMPARE(h.prompter.messages().size(), 1);
    const QString report = h.prompter.messages().front();
    for (const char* said :
         {"3 cards imported from kp.csv (read as KeePassXC CSV):", "1 into Bank Accounts", "1 into E-Mail Contacts",
          "1 into WWW Sites", "\"Root/Banking\" went to Bank Accounts (1)", "Nothing was left out."})
        QVERIFY2(report.contains(QString::fromUtf8(said)), qPrintable(report));
    QTRY_VERIFY(welcome(h)->isHidden());
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text(), QStringLiteral("3"));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kCardsInCategory)->text(), QStringLiteral("1"));
    // Ctrl+I is the command's key.
    QCOMPARE(h.frame()->commandAction(cmd::FileImport)->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
}

void ImportExportTest::importIntoTheActiveDocument() {
    Harness h;
    writeCardFile(h.path("mine.qvf"), {{0, "Existing"}});
    QVERIFY(h.open(h.path("mine.qvf")));
    writeText(h.path("chrome.csv"),
              "name,url,username,password,note\n"
              "shop.example,https://shop.example/,al,\"a,b\",\n");
    h.prompter.openNames << h.path("chrome.csv");
    QVERIFY(h.run(cmd::FileImport));
    QCOMPARE(h.childFrameCount(), 1);
    QCOMPARE(h.namesInWindow(), (QStringList{"Existing", "shop.example"}));
    QVERIFY(h.doc()->IsModified());
    // A browser's file has no groups: the message has nothing to say about them.
    const QString report = h.prompter.messages().front();
    QVERIFY2(report.startsWith(QStringLiteral("1 card imported from chrome.csv")) &&
                 !report.contains(QStringLiteral("Groups")),
             qPrintable(report));
}

void ImportExportTest::importRefusedOrCancelledChangesNothing() {
    Harness h;
    writeText(h.path("odd.csv"), "Site,Login,Secret\nA,b,c\n");
    h.prompter.openNames << h.path("odd.csv");
    QVERIFY(h.run(cmd::FileImport));
    QCOMPARE(h.childFrameCount(), 0);
    QCOMPARE(h.prompter.messages().size(), 1);
    const QString refusal = h.prompter.messages().front();
    QVERIFY2(refusal.contains(QStringLiteral("Site, Login, Secret")) &&
                 refusal.contains(QStringLiteral("Firefox (url,")) &&
                 refusal.endsWith(QStringLiteral("Nothing was imported.")),
             qPrintable(refusal));

    // A text a card cannot hold names its row and field, and the open document stays as it was.
    writeCardFile(h.path("mine.qvf"), {{0, "Existing"}});
    QVERIFY(h.open(h.path("mine.qvf")));
    writeText(h.path("greek.csv"), "Group,Title,Username,Password,URL,Notes\nA,ok,,,,\nB,Greek,\xCE\xA9,,,\n");
    h.prompter.openNames << h.path("greek.csv");
    QVERIFY(h.run(cmd::FileImport));
    QVERIFY(h.prompter.messages().back().startsWith(QStringLiteral("Row 3 (card \"Greek\"), field Description:")));
    QCOMPARE(h.namesInWindow(), QStringList{"Existing"});
    QVERIFY(!h.doc()->IsModified());

    h.prompter.openNames << QString();  // Cancel
    QVERIFY(h.run(cmd::FileImport));
    QCOMPARE(h.prompter.messages().size(), 2);
}

void ImportExportTest::exportWritesAnOwnerOnlyFileAfterTheWarning() {
    Harness h;
    writeCardFile(h.path("mine.qvf"), {{0, "Site", "https://s.example", "me", "pw"}, {8, "Visa", "", "", "1234"}});
    QVERIFY(h.open(h.path("mine.qvf")));
    // An existing file readable by others becomes the owner's only.
    writeText(h.path("out.csv"), "old");
    QFile::setPermissions(h.path("out.csv"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    h.prompter.onDialog<CExportDlg>([](CExportDlg& dialog) {
        dialog.formatBox()->setCurrentIndex(1);  // KeePassXC
        return int(QDialog::Accepted);
    });
    h.prompter.answers << ScriptedPrompter::Answer::Yes;
    h.prompter.saveNames << h.path("out.csv");
    QVERIFY(h.run(cmd::FileExport));
    QCOMPARE(h.prompter.dialogs, QStringList{QStringLiteral("Export Cards")});
    QVERIFY(h.prompter.questions.front().contains(QStringLiteral("unencrypted")));
    QCOMPARE(h.prompter.saveSuggestions, QStringList{QStringLiteral("mine.csv")});
    QFile out(h.path("out.csv"));
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray text = out.readAll();
    QVERIFY(text.startsWith("\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\""));
    QVERIFY(text.contains("\"WWW Sites\",\"Site\",\"me\",\"pw\",\"https://s.example\""));
    QCOMPARE(modeOf(h.path("out.csv")), 0600u);
    QCOMPARE(h.prompter.messages(), QStringList{QStringLiteral("2 cards written to %1.").arg(h.path("out.csv"))});

    // What was written imports back to the same cards.
    h.prompter.reset();
    h.prompter.openNames << h.path("out.csv");
    QVERIFY(h.run(cmd::FileImport));
    QCOMPARE(h.namesInWindow(), (QStringList{"Site", "Site"}));
    QCOMPARE(h.prompter.messages().size(), 1);

    // Cancel at the warning writes nothing.
    h.prompter.reset();
    h.prompter.onDialog<CExportDlg>([](CExportDlg&) { return int(QDialog::Accepted); });
    h.prompter.answers << ScriptedPrompter::Answer::No;
    QVERIFY(h.run(cmd::FileExport));
    QVERIFY(h.prompter.saveSuggestions.isEmpty());
    QVERIFY(h.prompter.messages().isEmpty());
}

void ImportExportTest::exportDialogKeys() {
    CExportDlg dialog;
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto buttons = dialog.findChildren<QPushButton*>();
    QPushButton* ok = nullptr;
    for (QPushButton* b : buttons)
        if (b->isDefault())
            ok = b;
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("&Export..."));
    QTRY_VERIFY(dialog.formatBox()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(ok->hasFocus());
    QCOMPARE(dialog.formatBox()->count(), 4);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void ImportExportTest::welcomePaneComesAndGoes() {
    Harness h;
    h.frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.frame()));
    WelcomePane* pane = welcome(h);
    QTRY_VERIFY(pane->isVisible());
    const QList<QPushButton*> buttons = pane->buttons();
    QCOMPARE(buttons.size(), 3);
    QVERIFY(buttons[0]->text().endsWith(QStringLiteral("Alt+N")));
    QVERIFY(buttons[1]->text().endsWith(QStringLiteral("Ctrl+O")));
    QVERIFY(buttons[2]->text().startsWith(QStringLiteral("Import from another password manager or browser...")));
    QVERIFY(buttons[2]->text().endsWith(QStringLiteral("Ctrl+I")));
    QTRY_VERIFY(buttons[0]->hasFocus());
    // Tab walks the buttons; Enter presses the one with the focus.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(buttons[1]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(buttons[2]->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(buttons[0]->hasFocus());
    QTest::keyClick(buttons[0], Qt::Key_Return);
    QVERIFY(h.doc());
    QTRY_VERIFY(pane->isHidden());

    // Closing the last document brings the pane back; a document opened and closed is a recent file
    // the pane offers.
    QVERIFY(h.run(cmd::FileClose));
    QTRY_VERIFY(pane->isVisible());
    writeCardFile(h.path("first.qvf"), {{0, "a"}});
    QVERIFY(h.open(h.path("first.qvf")));
    QTRY_VERIFY(pane->isHidden());
    QVERIFY(h.run(cmd::FileClose));
    QTRY_VERIFY(pane->isVisible());
    QCOMPARE(pane->buttons().size(), 4);
    QVERIFY(pane->buttons()[3]->text().contains(QStringLiteral("first.qvf")));
    QVERIFY(pane->buttons()[3]->text().endsWith(QStringLiteral("Alt+1")));
    QTest::keyClick(pane->buttons()[3], Qt::Key_Enter);
    QVERIFY(h.doc());
    QCOMPARE(h.doc()->GetPathName(), h.path("first.qvf"));
    QTRY_VERIFY(pane->isHidden());
}

QTEST_MAIN(ImportExportTest)
#include "ImportExportTest.moc"
