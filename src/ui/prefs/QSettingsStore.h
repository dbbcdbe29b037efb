#pragma once
// The settings store on disk: an INI file in the user's configuration folder,
// $XDG_CONFIG_HOME/Orvel/Pelmorapp/Quorvane.ini, one [section] per section of the key table.
// Section and key names keep their blanks; the INI writer stores a blank as %20 and reads it back
// unchanged. Texts cross as UTF-8.

#include <QSettings>
#include <QString>
#include <memory>

#include "prefs/SettingsStore.h"

class QSettingsStore : public SettingsStore {
public:
    /// The per-user store of the program.
    QSettingsStore();
    /// A store in an INI file of the caller's choice.
    explicit QSettingsStore(const QString& iniPath);
    ~QSettingsStore() override;

    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const override;
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const override;
    void WriteProfileInt(const std::string& section, const std::string& key, int value) override;
    void WriteProfileString(const std::string& section, const std::string& key, const std::string& value) override;

    /// Writes pending changes to the file now.
    void sync();
    /// The INI file's path.
    QString fileName() const;

    static constexpr const char* kOrganisationPath = "Orvel/Pelmorapp";
    static constexpr const char* kApplicationName = "Quorvane";

private:
    std::unique_ptr<QSettings> m_settings;
};
