#include "prefs/MemorySettings.h"

#include "prefs/ProfileValue.h"

int MemorySettings::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const {
    auto it = m_values.find({section, key});
    if (it == m_values.end())
        return defaultValue;
    return parseProfileInt(it->second).value_or(defaultValue);
}

std::string MemorySettings::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& defaultValue) const {
    auto it = m_values.find({section, key});
    return it == m_values.end() ? defaultValue : it->second;
}

void MemorySettings::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    m_values[{section, key}] = std::to_string(value);
}

void MemorySettings::WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    m_values[{section, key}] = value;
}

bool MemorySettings::contains(const std::string& section, const std::string& key) const {
    return m_values.count({section, key}) != 0;
}
