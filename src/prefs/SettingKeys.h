#pragma once
// Every section and key of the settings store, with their defaults. Where two readers of a key
// use different defaults, both are here under their own names. No key is spelled anywhere else.

#include <string>

#include "prefs/SettingsStore.h"

struct IntSetting {
    const char* section;
    const char* key;
    int defaultValue;
};

struct TextSetting {
    const char* section;
    const char* key;
    const char* defaultValue;
};

namespace settings {

inline constexpr const char* kPrintSection = "Print Preferences";
inline constexpr const char* kStartUpSection = "Start Up Preferences";
inline constexpr const char* kInternetSection = "Internet Preferences";
inline constexpr const char* kRecentFileSection = "Recent File List";
inline constexpr const char* kFrameworkSection = "Settings";
inline constexpr const char* kOwnSection = "Quorvane Preferences";  // settings of ours beyond the classic ones

// Print Preferences: the preference sheet reads 0 when missing, the main window's copy 1.
inline constexpr IntSetting kPrintAtm{kPrintSection, "Print ATM", 0};
inline constexpr IntSetting kPrintAtmMainFrame{kPrintSection, "Print ATM", 1};
inline constexpr IntSetting kPrintNotes{kPrintSection, "Print Notes", 0};
inline constexpr IntSetting kPrintNotesMainFrame{kPrintSection, "Print Notes", 1};

// Start Up Preferences. The e-mail start-up switch really is stored under "Print Notes" here.
inline constexpr IntSetting kLaunchEmailAtStart{kStartUpSection, "Print Notes", 0};
inline constexpr IntSetting kLaunchFtpAtStart{kStartUpSection, "Launch FTP", 0};
inline constexpr IntSetting kLaunchTelnetAtStart{kStartUpSection, "Launch Tel Net", 0};
inline constexpr IntSetting kLaunchNewsAtStart{kStartUpSection, "Launch News Reader", 0};
inline constexpr IntSetting kLaunchBrowserAtStart{kStartUpSection, "Launch Web Browser", 0};
inline constexpr IntSetting kCheckOpenFiles{kStartUpSection, "Check Open Files", 0};

// Internet Preferences. Load Web Page reads the browser choice with default 0, everyone else 1.
inline constexpr IntSetting kChooseWebBrowser{kInternetSection, "Choose Web Browser", 1};
inline constexpr IntSetting kChooseWebBrowserLoadPage{kInternetSection, "Choose Web Browser", 0};
inline constexpr IntSetting kAutomaticSaveCheck{kInternetSection, "Automatic Save Check", 0};
inline constexpr TextSetting kAutomaticSave{kInternetSection, "Automatic Save", "10"};
inline constexpr IntSetting kDateFormat{kInternetSection, "Date Format", 0};
inline constexpr TextSetting kNetscapePath{kInternetSection, "Netscape File Path", ""};
inline constexpr TextSetting kExplorerPath{kInternetSection, "Explorer File Path", ""};
inline constexpr TextSetting kMailPath{kInternetSection, "MailProg File Path", ""};
inline constexpr TextSetting kNewsPath{kInternetSection, "NewsProg File Path", ""};
inline constexpr TextSetting kHelpPath{kInternetSection, "HelpProg File Path", ""};
inline constexpr TextSetting kFtpPath{kInternetSection, "FTP File Path", ""};
inline constexpr TextSetting kTelnetPath{kInternetSection, "Telnet File Path", ""};

// Seconds after which a password put on the clipboard by Copy Password is cleared again, if the
// clipboard still holds it; 0 never clears.
inline constexpr IntSetting kClearClipboardSeconds{kOwnSection, "Clear Clipboard Seconds", 30};
// What the card editor's Generate makes: characters (a length, with or without symbols) or words.
inline constexpr IntSetting kGeneratorLength{kOwnSection, "Generated Password Length", 20};
inline constexpr IntSetting kGeneratorSymbols{kOwnSection, "Generated Password Symbols", 1};
inline constexpr IntSetting kGeneratorUseWords{kOwnSection, "Generate Passphrases", 0};
inline constexpr IntSetting kGeneratorWords{kOwnSection, "Generated Passphrase Words", 6};
// Minutes without input after which an open encrypted document locks; 0 never.
inline constexpr IntSetting kLockAfterMinutes{kOwnSection, "Lock After Minutes", 10};
// The documents in the old encryption form the window has offered the strong form for, once each: the
// SHA-1 digests (hex) of their paths, separated by blanks, the latest last.
inline constexpr TextSetting kStrongFormOffered{kOwnSection, "Strong Form Offered", ""};
// The main window as it was left: its geometry (position, size, maximized) as base64 text, and the
// width of the card list in card windows.
inline constexpr TextSetting kWindowGeometry{kOwnSection, "Window Geometry", ""};
inline constexpr IntSetting kCardListWidth{kOwnSection, "Card List Width", 240};

// The Secret Service: whether the window answers other programs for their passwords (off unless the
// person turns it on), the category their items are filed in (Miscellaneous), and the document the
// alias "default" names (its path; empty: the first encrypted document opened).
inline constexpr const char* kSecretServiceSection = "Secret Service";
inline constexpr IntSetting kSecretServiceProvide{kSecretServiceSection, "Provide", 0};
inline constexpr IntSetting kSecretServiceCategory{kSecretServiceSection, "Category", 14};
inline constexpr TextSetting kSecretServiceDefault{kSecretServiceSection, "Default Document", ""};

// Kept by the program's framework layer.
inline constexpr int kRecentFileCount = 4;
/// "File1" ... "File4" of "Recent File List" (index 0-3).
TextSetting recentFileSetting(int index);
inline constexpr IntSetting kPreviewPages{kFrameworkSection, "PreviewPages", 1};
// Our record that the program has started before (for the first-start browser lookup).
inline constexpr IntSetting kHasStartedBefore{kStartUpSection, "Has Started Before", 0};

}  // namespace settings

inline int readSetting(const SettingsStore& store, const IntSetting& s) {
    return store.GetProfileInt(s.section, s.key, s.defaultValue);
}
inline std::string readSetting(const SettingsStore& store, const TextSetting& s) {
    return store.GetProfileString(s.section, s.key, s.defaultValue);
}
inline void writeSetting(SettingsStore& store, const IntSetting& s, int value) {
    store.WriteProfileInt(s.section, s.key, value);
}
inline void writeSetting(SettingsStore& store, const TextSetting& s, const std::string& value) {
    store.WriteProfileString(s.section, s.key, value);
}
