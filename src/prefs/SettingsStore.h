#pragma once
// The per-user settings store: sections of keys holding integers or texts. Every reader names a
// key from the table in SettingKeys.h, never a literal.

#include <string>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    /// The stored integer, or `defaultValue` when the key or its section is missing (nothing is written).
    virtual int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const = 0;
    /// The stored text, or `defaultValue` when missing (nothing is written).
    virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                         const std::string& defaultValue) const = 0;
    virtual void WriteProfileInt(const std::string& section, const std::string& key, int value) = 0;
    virtual void WriteProfileString(const std::string& section, const std::string& key, const std::string& value) = 0;
};
