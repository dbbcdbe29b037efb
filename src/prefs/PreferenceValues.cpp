#include "prefs/PreferenceValues.h"

#include <algorithm>

#include "prefs/SettingKeys.h"

PreferenceValues readPreferenceValues(const SettingsStore& store) {
    using namespace settings;
    PreferenceValues v;
    v.printAtm = readSetting(store, kPrintAtm);
    v.printNotes = readSetting(store, kPrintNotes);
    v.launchEmail = readSetting(store, kLaunchEmailAtStart);
    v.launchFtp = readSetting(store, kLaunchFtpAtStart);
    v.launchNews = readSetting(store, kLaunchNewsAtStart);
    v.launchTelnet = readSetting(store, kLaunchTelnetAtStart);
    v.launchBrowser = readSetting(store, kLaunchBrowserAtStart);
    v.checkOpenFiles = readSetting(store, kCheckOpenFiles);
    v.chooseWebBrowser = readSetting(store, kChooseWebBrowser);
    v.automaticSaveCheck = readSetting(store, kAutomaticSaveCheck);
    v.automaticSave = readSetting(store, kAutomaticSave);
    v.dateFormat = readSetting(store, kDateFormat);
    v.clearClipboardSeconds = readSetting(store, kClearClipboardSeconds);
    v.generatorLength = readSetting(store, kGeneratorLength);
    v.generatorSymbols = readSetting(store, kGeneratorSymbols);
    v.generatorUseWords = readSetting(store, kGeneratorUseWords);
    v.generatorWords = readSetting(store, kGeneratorWords);
    v.lockAfterMinutes = readSetting(store, kLockAfterMinutes);
    v.secretServiceProvide = readSetting(store, kSecretServiceProvide);
    v.secretServiceCategory = readSetting(store, kSecretServiceCategory);
    v.secretServiceDefault = readSetting(store, kSecretServiceDefault);
    v.netscapePath = readSetting(store, kNetscapePath);
    v.explorerPath = readSetting(store, kExplorerPath);
    v.mailPath = readSetting(store, kMailPath);
    v.newsPath = readSetting(store, kNewsPath);
    v.helpPath = readSetting(store, kHelpPath);
    v.ftpPath = readSetting(store, kFtpPath);
    v.telnetPath = readSetting(store, kTelnetPath);
    return v;
}

void writePreferenceValues(SettingsStore& store, const PreferenceValues& v) {
    using namespace settings;
    writeSetting(store, kPrintAtm, v.printAtm);
    writeSetting(store, kPrintNotes, v.printNotes);
    writeSetting(store, kLaunchEmailAtStart, v.launchEmail);
    writeSetting(store, kLaunchFtpAtStart, v.launchFtp);
    writeSetting(store, kLaunchNewsAtStart, v.launchNews);
    writeSetting(store, kLaunchTelnetAtStart, v.launchTelnet);
    writeSetting(store, kLaunchBrowserAtStart, v.launchBrowser);
    writeSetting(store, kCheckOpenFiles, v.checkOpenFiles);
    writeSetting(store, kChooseWebBrowser, v.chooseWebBrowser);
    writeSetting(store, kAutomaticSaveCheck, v.automaticSaveCheck);
    writeSetting(store, kAutomaticSave, v.automaticSave);
    writeSetting(store, kDateFormat, v.dateFormat);
    writeSetting(store, kNetscapePath, v.netscapePath);
    writeSetting(store, kExplorerPath, v.explorerPath);
    writeSetting(store, kMailPath, v.mailPath);
    writeSetting(store, kNewsPath, v.newsPath);
    writeSetting(store, kHelpPath, v.helpPath);
    writeSetting(store, kFtpPath, v.ftpPath);
    writeSetting(store, kTelnetPath, v.telnetPath);
    writeSetting(store, kClearClipboardSeconds, v.clearClipboardSeconds);
    writeSetting(store, kGeneratorLength, v.generatorLength);
    writeSetting(store, kGeneratorSymbols, v.generatorSymbols);
    writeSetting(store, kGeneratorUseWords, v.generatorUseWords);
    writeSetting(store, kGeneratorWords, v.generatorWords);
    writeSetting(store, kLockAfterMinutes, v.lockAfterMinutes);
    writeSetting(store, kSecretServiceProvide, v.secretServiceProvide);
    writeSetting(store, kSecretServiceCategory, v.secretServiceCategory);
    writeSetting(store, kSecretServiceDefault, v.secretServiceDefault);
}

PasswordRecipe readPasswordRecipe(const SettingsStore& store) {
    using namespace settings;
    // Values edited by hand in the settings file are kept within what Generate can make.
    PasswordRecipe recipe;
    recipe.length = static_cast<std::size_t>(std::clamp(readSetting(store, kGeneratorLength), 4, 128));
    recipe.symbols = readSetting(store, kGeneratorSymbols) != 0;
    if (readSetting(store, kGeneratorUseWords) == 1) {
        recipe.words = static_cast<std::size_t>(std::clamp(readSetting(store, kGeneratorWords), 1, 20));
    }
    return recipe;
}
