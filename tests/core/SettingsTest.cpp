// The in-memory settings store, the defaults its readers get, and the automatic-save count.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "prefs/AutoSave.h"
#include "prefs/MemorySettings.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"

namespace {

TEST(MemorySettings, MissingKeysGiveTheDefaultAndWriteNothing) {
    MemorySettings store;
    EXPECT_EQ(store.GetProfileInt("Print Preferences", "Print ATM", 7), 7);
    EXPECT_EQ(store.GetProfileString("Internet Preferences", "Automatic Save", "10"), "10");
    EXPECT_EQ(store.size(), 0u);
}

TEST(MemorySettings, ValuesRoundTripPerSectionAndKey) {
    MemorySettings store;
    writeSetting(store, settings::kLaunchEmailAtStart, 1);
    writeSetting(store, settings::kDateFormat, -2);
    writeSetting(store, settings::kMailPath, "/usr/bin/mail -s \"x, y\"");
    EXPECT_EQ(readSetting(store, settings::kLaunchEmailAtStart), 1);
    EXPECT_EQ(readSetting(store, settings::kDateFormat), -2);
    EXPECT_EQ(readSetting(store, settings::kMailPath), "/usr/bin/mail -s \"x, y\"");
    // The same key name in another section is another value.
    EXPECT_EQ(readSetting(store, settings::kPrintNotes), 0);
    EXPECT_EQ(readSetting(store, settings::kPrintNotesMainFrame), 1);
    writeSetting(store, settings::kPrintNotes, 1);
    writeSetting(store, settings::kLaunchEmailAtStart, 0);
    EXPECT_EQ(readSetting(store, settings::kPrintNotes), 1);
    EXPECT_EQ(readSetting(store, settings::kLaunchEmailAtStart), 0);
    // An integer reads back as text too.
    EXPECT_EQ(store.GetProfileString(settings::kInternetSection, settings::kDateFormat.key, ""), "-2");
}

TEST(MemorySettings, TextThatIsNotAWholeNumberReadsAsTheDefault) {
    struct Case {
        const char* stored;
        int expected;  // with default 42
    };
    const Case cases[] = {
        {"5", 5},    {" 7 ", 7},    {"-3", -3},  {"+4", 4}, {"2147483647", INT_MAX}, {"", 42},
        {"abc", 42}, {"12abc", 42}, {"1.5", 42}, {"-", 42}, {"99999999999", 42},
    };
    MemorySettings store;
    for (const Case& c : cases) {
        store.WriteProfileString("S", "K", c.stored);
        EXPECT_EQ(store.GetProfileInt("S", "K", 42), c.expected) << '"' << c.stored << '"';
    }
}

TEST(SettingDefaults, FreshStoreShowsTheSheetDefaultsWhilePrintingIncludesEverything) {
    const MemorySettings fresh;
    for (const IntSetting& s :
         {settings::kPrintAtm, settings::kPrintNotes, settings::kLaunchEmailAtStart, settings::kLaunchFtpAtStart,
          settings::kLaunchTelnetAtStart, settings::kLaunchNewsAtStart, settings::kLaunchBrowserAtStart,
          settings::kCheckOpenFiles, settings::kAutomaticSaveCheck, settings::kDateFormat})
        EXPECT_EQ(readSetting(fresh, s), 0) << s.section << "/" << s.key;
    for (const TextSetting& s : {settings::kNetscapePath, settings::kExplorerPath, settings::kMailPath,
                                 settings::kNewsPath, settings::kHelpPath, settings::kFtpPath, settings::kTelnetPath})
        EXPECT_EQ(readSetting(fresh, s), "") << s.key;
    EXPECT_EQ(readSetting(fresh, settings::kAutomaticSave), "10");
    EXPECT_EQ(readSetting(fresh, settings::kChooseWebBrowser), 1);
    EXPECT_EQ(readSetting(fresh, settings::kChooseWebBrowserLoadPage), 0);
    EXPECT_EQ(readSetting(fresh, settings::kPrintAtmMainFrame), 1);
    EXPECT_EQ(readSetting(fresh, settings::kPrintNotesMainFrame), 1);

    // Once the sheet has stored a value, both readers of the key see it.
    MemorySettings store;
    writeSetting(store, settings::kPrintAtm, 0);
    writeSetting(store, settings::kChooseWebBrowser, 1);
    EXPECT_EQ(readSetting(store, settings::kPrintAtmMainFrame), 0);
    EXPECT_EQ(readSetting(store, settings::kChooseWebBrowserLoadPage), 1);
}

TEST(AutoSave, IntervalComesFromTheLeadingDigits) {
    struct Case {
        const char* text;
        int threshold;
    };
    const Case cases[] = {{"10", 10}, {"3", 3},   {"0", 0},  {"15 minutes", 15},      {" 5", 5},
                          {"", 0},    {"abc", 0}, {"-5", 0}, {"99999999999", INT_MAX}};
    for (const Case& c : cases)
        EXPECT_EQ(AutoSave::thresholdFromText(c.text), c.threshold) << c.text;
}

// Which ticks (1-based) of a run of named-document ticks save.
std::vector<int> savingTicks(const std::string& interval, int ticks) {
    AutoSave autoSave;
    autoSave.start(interval);
    std::vector<int> saves;
    for (int i = 1; i <= ticks; ++i)
        if (autoSave.tick(true))
            saves.push_back(i);
    return saves;
}

TEST(AutoSave, SavesOncePerIntervalCountingAgainAfterEachSave) {
    EXPECT_EQ(savingTicks("3", 10), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(savingTicks("10", 25), (std::vector<int>{10, 20}));
    EXPECT_EQ(savingTicks("0", 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(savingTicks("1", 2), (std::vector<int>{1, 2}));
}

TEST(AutoSave, DocumentWithoutNameIsNotSavedAndItsMinutesDoNotCount) {
    AutoSave autoSave;
    EXPECT_FALSE(autoSave.tick(true));  // no timer before start
    autoSave.start("3");
    EXPECT_FALSE(autoSave.tick(true));
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(autoSave.tick(false));
    EXPECT_EQ(autoSave.AutosaveTicks(), 1);
    EXPECT_FALSE(autoSave.tick(true));
    EXPECT_TRUE(autoSave.tick(true));
    EXPECT_EQ(autoSave.AutosaveTicks(), 0);

    // Restarting the timer (every load and save does) takes the new interval but keeps the count.
    EXPECT_FALSE(autoSave.tick(true));
    autoSave.start("2");
    EXPECT_EQ(autoSave.AutosaveThreshold(), 2);
    EXPECT_TRUE(autoSave.tick(true));
}

// Records the keys written, in order.
class RecordingSettings : public MemorySettings {
public:
    std::vector<std::string> written;
    void WriteProfileInt(const std::string& section, const std::string& key, int value) override {
        written.push_back(section + "/" + key);
        MemorySettings::WriteProfileInt(section, key, value);
    }
    void WriteProfileString(const std::string& section, const std::string& key, const std::string& value) override {
        written.push_back(section + "/" + key);
        MemorySettings::WriteProfileString(section, key, value);
    }
};

TEST(PreferenceValues, SheetWritesEveryKeyInItsOrderEvenUnchanged) {
    RecordingSettings store;
    const PreferenceValues fresh = readPreferenceValues(store);
    EXPECT_EQ(fresh, PreferenceValues{});
    EXPECT_EQ(store.size(), 0u);
    writePreferenceValues(store, fresh);
    const std::vector<std::string> order = {
        "Print Preferences/Print ATM",
        "Print Preferences/Print Notes",
        "Start Up Preferences/Print Notes",
        "Start Up Preferences/Launch FTP",
        "Start Up Preferences/Launch News Reader",
        "Start Up Preferences/Launch Tel Net",
        "Start Up Preferences/Launch Web Browser",
        "Start Up Preferences/Check Open Files",
        "Internet Preferences/Choose Web Browser",
        "Internet Preferences/Automatic Save Check",
        "Internet Preferences/Automatic Save",
        "Internet Preferences/Date Format",
        "Internet Preferences/Netscape File Path",
        "Internet Preferences/Explorer File Path",
        "Internet Preferences/MailProg File Path",
        "Internet Preferences/NewsProg File Path",
        "Internet Preferences/HelpProg File Path",
        "Internet Preferences/FTP File Path",
        "Internet Preferences/Telnet File Path",
        "Quorvane Preferences/Clear Clipboard Seconds",
        "Quorvane Preferences/Generated Password Length",
        "Quorvane Preferences/Generated Password Symbols",
        "Quorvane Preferences/Generate Passphrases",
        "Quorvane Preferences/Generated Passphrase Words",
        "Quorvane Preferences/Lock After Minutes",
        "Secret Service/Provide",
        "Secret Service/Category",
        "Secret Service/Default Document",
    };
    EXPECT_EQ(store.written, order);
    // The window's print copies now read the sheet's 0, not their own default of 1.
    EXPECT_EQ(readSetting(store, settings::kPrintAtmMainFrame), 0);
    EXPECT_EQ(readSetting(store, settings::kPrintNotesMainFrame), 0);
    EXPECT_EQ(readSetting(store, settings::kAutomaticSave), "10");
    EXPECT_EQ(readSetting(store, settings::kChooseWebBrowser), 1);
}

TEST(PreferenceValues, EachValueLandsInItsOwnKey) {
    // Every field set to a value no other field has, so a value written to the wrong key shows.
    PreferenceValues v;
    int n = 2;
    for (int* field : {&v.printAtm, &v.printNotes, &v.launchEmail, &v.launchFtp, &v.launchNews, &v.launchTelnet,
                       &v.launchBrowser, &v.checkOpenFiles, &v.chooseWebBrowser, &v.automaticSaveCheck, &v.dateFormat,
                       &v.clearClipboardSeconds, &v.generatorLength, &v.generatorSymbols, &v.generatorUseWords,
                       &v.generatorWords, &v.lockAfterMinutes, &v.secretServiceProvide, &v.secretServiceCategory})
        *field = n++;
    for (std::string* field :
         {&v.automaticSave, &v.netscapePath, &v.explorerPath, &v.mailPath, &v.newsPath, &v.helpPath, &v.ftpPath,
          &v.telnetPath, &v.secretServiceDefault})
        *field = "text " + std::to_string(n++);
    MemorySettings store;
    writePreferenceValues(store, v);
    EXPECT_EQ(readPreferenceValues(store), v);
    EXPECT_EQ(readSetting(store, settings::kLaunchEmailAtStart), v.launchEmail);
    EXPECT_EQ(readSetting(store, settings::kPrintNotes), v.printNotes);
    EXPECT_EQ(readSetting(store, settings::kHelpPath), v.helpPath);
    EXPECT_EQ(readSetting(store, settings::kClearClipboardSeconds), v.clearClipboardSeconds);
}

}  // namespace
