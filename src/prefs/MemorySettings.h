#pragma once
// A settings store held in memory, for tests and the command-line tool.

#include <map>
#include <string>
#include <utility>

#include "prefs/SettingsStore.h"

class MemorySettings : public SettingsStore {
public:
    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const override;
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const override;
    void WriteProfileInt(const std::string& section, const std::string& key, int value) override;
    void WriteProfileString(const std::string& section, const std::string& key, const std::string& value) override;

    /// Whether a value is stored under section and key.
    bool contains(const std::string& section, const std::string& key) const;
    /// The number of stored values.
    std::size_t size() const { return m_values.size(); }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};
