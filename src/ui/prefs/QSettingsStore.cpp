#include "ui/prefs/QSettingsStore.h"

#include "prefs/ProfileValue.h"

namespace {

// QSettings joins group and key with '/'; our section and key names hold none.
QString settingPath(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}

}  // namespace

QSettingsStore::QSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QString::fromLatin1(kOrganisationPath),
                                             QString::fromLatin1(kApplicationName))) {}

QSettingsStore::QSettingsStore(const QString& iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

int QSettingsStore::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const {
    const QVariant value = m_settings->value(settingPath(section, key));
    if (!value.isValid())
        return defaultValue;
    return parseProfileInt(value.toString().toStdString()).value_or(defaultValue);
}

std::string QSettingsStore::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& defaultValue) const {
    const QVariant value = m_settings->value(settingPath(section, key));
    if (!value.isValid())
        return defaultValue;
    return value.toString().toStdString();
}

void QSettingsStore::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    m_settings->setValue(settingPath(section, key), value);
}

void QSettingsStore::WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    m_settings->setValue(settingPath(section, key), QString::fromStdString(value));
}

void QSettingsStore::sync() {
    m_settings->sync();
}

QString QSettingsStore::fileName() const {
    return m_settings->fileName();
}
