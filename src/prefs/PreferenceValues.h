#pragma once
// Everything the preference sheet edits, read from the store with the sheet's own defaults and
// written back whole: every key, changed or not, in one fixed order.

#include <string>

#include "crypto/PasswordGenerator.h"
#include "prefs/SettingsStore.h"

struct PreferenceValues {
    // Printing
    int printAtm = 0;
    int printNotes = 0;
    // At Start Up
    int launchEmail = 0;  // stored under "Print Notes" of "Start Up Preferences"
    int launchFtp = 0;
    int launchNews = 0;
    int launchTelnet = 0;
    int launchBrowser = 0;
    int checkOpenFiles = 0;
    // General Settings
    int chooseWebBrowser = 1;  // 0 Netscape Navigator, 1 Microsoft Internet Explorer
    int automaticSaveCheck = 0;
    std::string automaticSave = "10";  // minutes, as the text typed
    int dateFormat = 0;
    int clearClipboardSeconds = 30;  // 0: a copied password stays on the clipboard
    // Passwords
    int generatorLength = 20;
    int generatorSymbols = 1;
    int generatorUseWords = 0;  // 1: Generate makes a passphrase of generatorWords words
    int generatorWords = 6;
    int lockAfterMinutes = 10;  // 0: never
    // Secret Service
    int secretServiceProvide = 0;
    int secretServiceCategory = 14;     // where items of other programs are filed: Miscellaneous
    std::string secretServiceDefault;   // the document of the alias "default"; empty: the first opened
    // Paths Settings
    std::string netscapePath;
    std::string explorerPath;
    std::string mailPath;
    std::string newsPath;
    std::string helpPath;
    std::string ftpPath;
    std::string telnetPath;

    bool operator==(const PreferenceValues&) const = default;
};

/// The values as the sheet opens with them; a missing key gives the sheet's default.
PreferenceValues readPreferenceValues(const SettingsStore& store);

/// Writes every value: the print switches, the start-up switches, the general settings, the
/// paths, then the clipboard's clearing time, the password settings and the Secret Service's.
void writePreferenceValues(SettingsStore& store, const PreferenceValues& values);

/// What Generate makes, by the settings.
PasswordRecipe readPasswordRecipe(const SettingsStore& store);
