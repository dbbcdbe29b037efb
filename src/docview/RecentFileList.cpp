#include "docview/RecentFileList.h"

#include <QDir>
#include <QFileInfo>

#include "prefs/SettingKeys.h"

namespace {
bool samePath(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}
}  // namespace

void RecentFileList::ReadList(const SettingsStore& store) {
    m_entries.clear();
    for (int i = 0; i < m_size && i < settings::kRecentFileCount; ++i) {
        const QString path = QString::fromStdString(readSetting(store, settings::recentFileSetting(i)));
        if (!path.isEmpty()) {
            m_entries.append(path);
        }
    }
}

void RecentFileList::WriteList(SettingsStore& store) const {
    for (int i = 0; i < m_size && i < settings::kRecentFileCount; ++i) {
        writeSetting(store, settings::recentFileSetting(i), at(i).toStdString());
    }
}

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int i = count() - 1; i >= 0; --i) {
        if (samePath(m_entries.at(i), absolute)) {
            m_entries.removeAt(i);
        }
    }
    m_entries.prepend(absolute);
    while (count() > m_size) {
        m_entries.removeLast();
    }
}

void RecentFileList::Remove(int index) {
    if (index >= 0 && index < count()) {
        m_entries.removeAt(index);
    }
}

QString RecentFileList::menuText(int index) const {
    QString shown = QDir::toNativeSeparators(at(index));
    shown.replace('&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}
