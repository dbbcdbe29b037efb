#pragma once
// The recent-file list of the File menu: four paths, newest first, kept in the settings store
// under "Recent File List" as "File1" ... "File4".

#include <QString>
#include <QStringList>

class SettingsStore;

class RecentFileList {
public:
    explicit RecentFileList(int size = 4) : m_size(size) {}

    void ReadList(const SettingsStore& store);
    void WriteList(SettingsStore& store) const;

    /// Puts `path` first, dropping an older entry for the same file and the oldest beyond the size.
    void Add(const QString& path);
    void Remove(int index);

    int size() const { return m_size; }
    int count() const { return static_cast<int>(m_entries.size()); }
    QString at(int index) const { return index >= 0 && index < count() ? m_entries.at(index) : QString(); }
    const QStringList& entries() const { return m_entries; }

    /// The menu text of an entry: "&1 /home/ann/cards.qvf" ('&' in the path doubled).
    QString menuText(int index) const;

private:
    int m_size;
    QStringList m_entries;
};
