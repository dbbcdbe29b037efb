// The "Preferences Settings" sheet: what it opens with, what OK and Cancel leave in the settings,
// the interval's spin and enable rule, the date-format list, "Find Path...", and the window
// taking the new settings over at once.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/DateStamp.h"
#include "prefs/MemorySettings.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/prefs/IntervalSpinBox.h"
#include "ui/prefs/PrefPropertySheet.h"
#include "ui/secrets/SecretServicePage.h"

namespace {

using Sheet = CPrefPropertySheet;
using Paths = CPathsSetPage;

/// Runs Preferences, lets `change` set the sheet's controls, and ends it with OK or Cancel.
void runSheet(Harness& h, const std::function<void(Sheet&)>& change, bool ok) {
    h.prompter.onDialog<Sheet>([&](Sheet& sheet) {
        change(sheet);
        return ok ? QDialog::Accepted : QDialog::Rejected;
    });
    QVERIFY(h.run(cmd::Preferences));
    QCOMPARE(h.prompter.dialogs.last(), QStringLiteral("Preferences Settings"));
}

/// Also records the captions of the open-file dialogs.
class CaptionPrompter : public ScriptedPrompter {
public:
    QStringList openCaptions;
    QString openFileName(const QString& caption, const QStringList& filters) override {
        openCaptions.append(caption);
        return ScriptedPrompter::openFileName(caption, filters);
    }
};

PreferenceValues unusualValues() {
    PreferenceValues v;
    v.printAtm = 1;
    v.printNotes = 1;
    v.launchEmail = 1;
    v.launchNews = 1;
    v.checkOpenFiles = 1;
    v.chooseWebBrowser = 0;
    v.automaticSaveCheck = 1;
    v.automaticSave = "7 min";
    v.dateFormat = 11;
    v.clearClipboardSeconds = 45;
    v.generatorLength = 33;
    v.generatorSymbols = 0;
    v.generatorUseWords = 1;
    v.generatorWords = 8;
    v.lockAfterMinutes = 0;
    v.netscapePath = "/opt/nav/navigator --new";
    v.explorerPath = "chromium";
    v.mailPath = "/usr/bin/mutt";
    v.newsPath = "/usr/bin/slrn";
    v.helpPath = "/usr/bin/evince";
    v.ftpPath = "/usr/bin/lftp";
    v.telnetPath = "/usr/bin/telnet";
    return v;
}

}  // namespace

class PrefSheetTest : public QObject {
    Q_OBJECT
private slots:
    void freshStoreShowsTheDefaultsAndOkWritesThemAll();
    void storedValuesShowAndComeBackUnchanged();
    void cancelWritesNothingButTheWindowRereadsItsCopies();
    void controlsWriteTheirOwnKeys();
    void intervalSpinAndItsEnableRule();
    void findPathFillsTheSelectedRowOnly();
    void keyboard();
    void windowFollowsAtOnce();
};

void PrefSheetTest::freshStoreShowsTheDefaultsAndOkWritesThemAll() {
    Harness h;
    runSheet(h, [](Sheet& sheet) {
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Preferences Settings"));
        QStringList tabs;
        for (int i = 0; i < sheet.tabs()->count(); ++i) {
            tabs << sheet.tabs()->tabText(i);
        }
        QCOMPARE(tabs, QStringList({"General Settings", "At Start Up", "Paths Settings", "Printing", "Passwords",
                                    "Secret Service"}));
        QCOMPARE(sheet.tabs()->currentIndex(), 0);

        CInternetPage* general = sheet.internetPage();
        QVERIFY(general->explorerRadio()->isChecked());
        QVERIFY(!general->netscapeRadio()->isChecked());
        QVERIFY(!general->automaticSaveCheck()->isChecked());
        QCOMPARE(general->intervalSpin()->text(), QStringLiteral("10"));
        QVERIFY(!general->intervalSpin()->isEnabled());
        QCOMPARE(general->clearClipboardSpin()->value(), 30);
        // Other programs get nothing until the person turns it on; their cards would go to Miscellaneous.
        CSecretServicePage* secrets = sheet.secretServicePage();
        QCOMPARE(secrets->provideCheck()->text(), QStringLiteral("&Provide passwords to other programs (Secret Service)"));
        QVERIFY(!secrets->provideCheck()->isChecked());
        QCOMPARE(secrets->categoryCombo()->currentText(), QStringLiteral("Miscellaneous"));
        QVERIFY(!secrets->categoryCombo()->isEnabled());
        CPasswordsPage* passwords = sheet.passwordsPage();
        QVERIFY(passwords->charactersRadio()->isChecked());
        QCOMPARE(passwords->lengthSpin()->value(), 20);
        QVERIFY(!passwords->wordCountSpin()->isEnabled());
        QCOMPARE(passwords->lockAfterSpin()->value(), 10);
        QVERIFY(passwords->symbolsCheck()->isChecked());  // the one check box that is on by default
        // Today's date in each of the twelve formats, the first one selected.
        QListWidget* dates = general->dateFormatList();
        QCOMPARE(dates->count(), kDateFormatCount);
        const std::uint32_t today = CurrentDateStamp();
        for (int i = 0; i < kDateFormatCount; ++i) {
            QCOMPARE(dates->item(i)->text(), fromCardText(FormatDateStamp(today, i)));
        }
        QCOMPARE(dates->currentRow(), 0);

        for (QCheckBox* box : sheet.findChildren<QCheckBox*>()) {
            QVERIFY2(!box->isChecked() || box == passwords->symbolsCheck(), qPrintable(box->text()));
        }
        for (int row = 0; row < Paths::RowCount; ++row) {
            QVERIFY(sheet.pathsPage()->edit(Paths::Row(row))->text().isEmpty());
        }
        QVERIFY(sheet.pathsPage()->radio(Paths::Explorer)->isChecked());
    }, true);

    // Every key is stored, with the sheet's defaults, so the window's print copies are now 0.
    const PreferenceValues defaults;
    QCOMPARE(readPreferenceValues(*h.settings), defaults);
    for (const IntSetting& s : {settings::kPrintAtm, settings::kPrintNotes, settings::kLaunchEmailAtStart,
                                settings::kCheckOpenFiles, settings::kChooseWebBrowser, settings::kDateFormat,
                                settings::kClearClipboardSeconds}) {
        QVERIFY2(h.settings->contains(s.section, s.key), s.key);
    }
    for (const TextSetting& s : {settings::kAutomaticSave, settings::kNetscapePath, settings::kTelnetPath}) {
        QVERIFY2(h.settings->contains(s.section, s.key), s.key);
    }
    QCOMPARE(h.frame()->PrintAtm, 0);
    QCOMPARE(h.frame()->PrintNotes, 0);
}

void PrefSheetTest::storedValuesShowAndComeBackUnchanged() {
    const PreferenceValues stored = unusualValues();
    Harness h({}, [&](MemorySettings& s) { writePreferenceValues(s, stored); });
    runSheet(h, [&](Sheet& sheet) {
        QVERIFY(sheet.internetPage()->netscapeRadio()->isChecked());
        QCOMPARE(sheet.internetPage()->intervalSpin()->text(), QStringLiteral("7 min"));
        QVERIFY(sheet.internetPage()->intervalSpin()->isEnabled());
        QCOMPARE(sheet.internetPage()->dateFormatList()->currentRow(), 11);
        QCOMPARE(sheet.internetPage()->clearClipboardSpin()->value(), 45);
        QVERIFY(sheet.startUpPage()->launchEmail()->isChecked());
        QVERIFY(!sheet.startUpPage()->launchFtp()->isChecked());
        QCOMPARE(sheet.pathsPage()->edit(Paths::AcrobatReader)->text(), QStringLiteral("/usr/bin/evince"));
        QCOMPARE(sheet.pathsPage()->edit(Paths::Navigator)->text(), QStringLiteral("/opt/nav/navigator --new"));
        QVERIFY(sheet.printingPage()->printNotes()->isChecked());
        QVERIFY(sheet.passwordsPage()->wordsRadio()->isChecked());
        QVERIFY(!sheet.passwordsPage()->lengthSpin()->isEnabled());
        QCOMPARE(sheet.passwordsPage()->wordCountSpin()->value(), 8);
        QCOMPARE(sheet.values(), stored);
    }, true);
    QCOMPARE(readPreferenceValues(*h.settings), stored);
    PasswordRecipe recipe = readPasswordRecipe(*h.settings);
    QCOMPARE(recipe.words, std::size_t{8});

    // A date format beyond the list selects no entry and is kept as it is.
    writeSetting(*h.settings, settings::kDateFormat, 14);
    runSheet(h, [](Sheet& sheet) { QCOMPARE(sheet.internetPage()->dateFormatList()->currentRow(), -1); }, true);
    QCOMPARE(readSetting(*h.settings, settings::kDateFormat), 14);
}

void PrefSheetTest::cancelWritesNothingButTheWindowRereadsItsCopies() {
    Harness h;
    QCOMPARE(h.frame()->PrintAtm, 1);  // the window's own default until the sheet stores a value
    QCOMPARE(h.frame()->PrintNotes, 1);
    // Changed behind the window's back: it keeps its copy until the sheet closes.
    writeSetting(*h.settings, settings::kPrintAtm, 0);
    writeSetting(*h.settings, settings::kMailPath, std::string("/usr/bin/mailer"));
    QCOMPARE(h.frame()->PrintAtm, 1);
    const std::size_t before = h.settings->size();
    runSheet(h, [](Sheet& sheet) {
        sheet.printingPage()->printNotes()->setChecked(true);
        sheet.startUpPage()->launchEmail()->setChecked(true);
        sheet.pathsPage()->edit(Paths::Telnet)->setText("/usr/bin/telnet");
    }, false);
    QCOMPARE(h.settings->size(), before);
    QVERIFY(!h.settings->contains(settings::kStartUpSection, "Print Notes"));
    QCOMPARE(h.frame()->PrintAtm, 0);
    QCOMPARE(h.frame()->PrintNotes, 1);
    QCOMPARE(h.frame()->Paths.mail, QStringLiteral("/usr/bin/mailer"));  // the program paths too
}

void PrefSheetTest::controlsWriteTheirOwnKeys() {
    Harness h;
    runSheet(h, [](Sheet& sheet) {
        sheet.startUpPage()->launchEmail()->setChecked(true);
        sheet.startUpPage()->launchTelnet()->setChecked(true);
        sheet.printingPage()->printAtm()->setChecked(true);
        sheet.internetPage()->netscapeRadio()->setChecked(true);
        sheet.internetPage()->dateFormatList()->setCurrentRow(5);
        sheet.internetPage()->clearClipboardSpin()->setValue(20);
        sheet.pathsPage()->edit(Paths::MailApp)->setText("/usr/bin/thunderbird");
    }, true);
    // The e-mail start-up switch lives under "Print Notes" of its own section; the print switch
    // of the same name stays as it was.
    QCOMPARE(readSetting(*h.settings, settings::kLaunchEmailAtStart), 1);
    QCOMPARE(readSetting(*h.settings, settings::kPrintNotes), 0);
    QCOMPARE(readSetting(*h.settings, settings::kLaunchTelnetAtStart), 1);
    QCOMPARE(readSetting(*h.settings, settings::kLaunchFtpAtStart), 0);
    QCOMPARE(readSetting(*h.settings, settings::kPrintAtm), 1);
    QCOMPARE(readSetting(*h.settings, settings::kChooseWebBrowser), 0);
    QCOMPARE(readSetting(*h.settings, settings::kDateFormat), 5);
    QCOMPARE(readSetting(*h.settings, settings::kClearClipboardSeconds), 20);
    QCOMPARE(readSetting(*h.settings, settings::kMailPath), std::string("/usr/bin/thunderbird"));
    QCOMPARE(h.frame()->PrintAtm, 1);
    QCOMPARE(h.frame()->PrintNotes, 0);
}

void PrefSheetTest::intervalSpinAndItsEnableRule() {
    Sheet sheet(PreferenceValues{});
    CInternetPage* page = sheet.internetPage();
    IntervalSpinBox* spin = page->intervalSpin();
    QCOMPARE(spin->minimum(), 0);
    QCOMPARE(spin->maximum(), 30);
    QVERIFY(!spin->isEnabled());
    page->automaticSaveCheck()->click();
    QVERIFY(spin->isEnabled());
    page->automaticSaveCheck()->click();
    QVERIFY(!spin->isEnabled());
    page->automaticSaveCheck()->click();

    // The arrows step the number the text starts with and stay within 0-30; typing is free.
    struct Step {
        const char* text;
        int steps;
        const char* after;
    };
    const Step cases[] = {{"10", 1, "11"}, {"29", 3, "30"}, {"30", 1, "30"}, {"1", -5, "0"},
                          {"45", -1, "29"}, {"abc", 1, "1"}, {"12 min", -2, "10"}};
    for (const Step& c : cases) {
        spin->setText(QString::fromLatin1(c.text));
        spin->stepBy(c.steps);
        QCOMPARE(spin->text(), QString::fromLatin1(c.after));
    }
    spin->setText(QStringLiteral("5"));
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(spin->text(), QStringLiteral("6"));
    QTest::keyClicks(spin, QStringLiteral("x"));  // anything may be typed; it counts as its leading number
    QCOMPARE(sheet.values().automaticSave, spin->text().toStdString());
    QCOMPARE(sheet.values().automaticSaveCheck, 1);
}

void PrefSheetTest::findPathFillsTheSelectedRowOnly() {
    CaptionPrompter prompter;
    PreferenceValues start;
    start.mailPath = "/usr/bin/mutt";
    Sheet sheet(start);
    CPathsSetPage* page = sheet.pathsPage();

    page->radio(Paths::AcrobatReader)->setChecked(true);
    prompter.openNames << QStringLiteral("/usr/bin/okular");
    page->findPathButton()->click();
    QCOMPARE(prompter.openCaptions, QStringList{"Find Internet Applications Paths"});
    QCOMPARE(prompter.openFilters.last(), QStringList({"All Files (*)", "Executable Files (*.exe)"}));
    const PreferenceValues after = sheet.values();
    QCOMPARE(after.helpPath, std::string("/usr/bin/okular"));
    PreferenceValues expected = start;
    expected.helpPath = after.helpPath;
    QCOMPARE(after, expected);

    // Cancelling the file dialog changes nothing; a browser's path with blanks is quoted, as it
    // is read as a command line.
    prompter.openNames << QString();
    page->findPathButton()->click();
    QCOMPARE(sheet.values(), expected);
    page->radio(Paths::Navigator)->setChecked(true);
    prompter.openNames << QStringLiteral("/opt/My Browser/browser");
    page->findPathButton()->click();
    QCOMPARE(page->edit(Paths::Navigator)->text(), QStringLiteral("\"/opt/My Browser/browser\""));
    QCOMPARE(page->edit(Paths::AcrobatReader)->text(), QStringLiteral("/usr/bin/okular"));
}

void PrefSheetTest::keyboard() {
    ScriptedPrompter prompter;
    {
        Sheet sheet(PreferenceValues{});
        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        QVERIFY(sheet.okButton()->isDefault());
        // Ctrl+Tab moves between the pages; on the paths page Enter looks for a path.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(sheet.tabs()->currentWidget(), sheet.pathsPage());
        QVERIFY(sheet.pathsPage()->findPathButton()->isDefault());
        QVERIFY(!sheet.okButton()->isDefault());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(sheet.okButton()->isDefault());
        // Enter is OK, with what was typed.
        sheet.printingPage()->printAtm()->setFocus();
        QTest::keyClick(sheet.printingPage()->printAtm(), Qt::Key_Space);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(sheet.values().printAtm, 1);
    }
    {
        Sheet sheet(PreferenceValues{});
        sheet.show();
        QVERIFY(QTest::qWaitForWindowActive(&sheet));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(sheet.result(), int(QDialog::Rejected));
    }
}

void PrefSheetTest::windowFollowsAtOnce() {
    Harness h;
    writeCardFile(h.path("a.qvf"), {{0, "site", "http://a", "me", "pw"}});
    QVERIFY(h.open(h.path("a.qvf")));
    QVERIFY(!h.frame()->autosaveTimerActive());
    runSheet(h, [](Sheet& sheet) {
        sheet.internetPage()->automaticSaveCheck()->setChecked(true);
        sheet.internetPage()->intervalSpin()->setText("3");
    }, true);
    QVERIFY(h.frame()->autosaveTimerActive());
    QCOMPARE(h.frame()->autoSave().AutosaveThreshold(), 3);
    runSheet(h, [](Sheet& sheet) { sheet.internetPage()->automaticSaveCheck()->setChecked(false); }, true);
    QVERIFY(!h.frame()->autosaveTimerActive());
}

QTEST_MAIN(PrefSheetTest)
#include "PrefSheetTest.moc"
