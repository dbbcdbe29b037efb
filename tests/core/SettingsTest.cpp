// The in-memory settings store, the defaults its readers get, and the automatic-save count.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "prefs/AutoSave.h"
#include "prefs/MemorySettings.h"
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

}  // namespace
