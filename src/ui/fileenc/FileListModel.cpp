#include "ui/fileenc/FileListModel.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMimeDatabase>
#include <QStyle>

#include "ui/common/Icons.h"

namespace {

// Facts are handed over in batches of this many rows, or sooner when reading them is slow.
constexpr std::size_t kFactsBatch = 512;
constexpr qint64 kFactsIntervalMs = 100;

std::vector<FileListModel::Row> arrange(std::vector<FolderEntry>& entries, const QString& folder, bool encryptedOnly) {
    std::vector<FileListModel::Row> rows;
    rows.reserve(entries.size());
    for (const FolderEntry& entry : entries) {
        if (entry.isFolder && !encryptedOnly) {
            rows.push_back({entry.name, childPath(folder, entry.name), true, false, {}});
        }
    }
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (!it->isFolder && (!encryptedOnly || FileListModel::isEncryptedName(it->name))) {
            rows.push_back({it->name, childPath(folder, it->name), false, false, {}});
        }
    }
    return rows;
}

}  // namespace

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

FileListModel::~FileListModel() {
    if (m_token) {
        m_token->store(true);
    }
}

void FileListModel::fill(const QString& folder, bool encryptedOnly) {
    if (m_token) {
        m_token->store(true);
    }
    beginResetModel();
    m_rows.clear();
    m_types.clear();
    m_folder = folder;
    m_reading = true;
    endResetModel();

    const quint64 generation = ++m_generation;
    m_token = m_worker.post([this, folder, encryptedOnly, generation](const std::atomic<bool>& cancelled) {
        std::vector<FolderEntry> entries = listFolder(folder, false, cancelled);
        if (cancelled) {
            return;
        }
        sortByName(entries);
        std::vector<Row> rows = arrange(entries, folder, encryptedOnly);
        std::vector<QString> paths;
        paths.reserve(rows.size());
        for (const Row& row : rows) {
            paths.push_back(row.isFolder ? QString() : row.path);
        }
        QMetaObject::invokeMethod(
            this, [this, generation, rows = std::move(rows)]() mutable { takeRows(generation, std::move(rows)); },
            Qt::QueuedConnection);

        std::vector<FileFacts> batch;
        std::size_t first = 0;
        QElapsedTimer clock;
        clock.start();
        auto send = [&](std::size_t next) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, first, batch = std::move(batch)]() mutable {
                    takeFacts(generation, static_cast<int>(first), std::move(batch));
                },
                Qt::QueuedConnection);
            batch = {};
            first = next;
            clock.restart();
        };
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (cancelled) {
                return;
            }
            batch.push_back(paths[i].isEmpty() ? FileFacts{} : readFileFacts(paths[i]));
            if (batch.size() >= kFactsBatch || clock.elapsed() >= kFactsIntervalMs) {
                send(i + 1);
            }
        }
        if (!batch.empty()) {
            send(paths.size());
        }
    });
}

void FileListModel::takeRows(quint64 generation, std::vector<Row> rows) {
    if (generation != m_generation) {
        return;
    }
    m_reading = false;
    if (!rows.empty()) {
        beginInsertRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
        m_rows = std::move(rows);
        m_types.assign(m_rows.size(), QString());
        endInsertRows();
    }
    emit filled();
}

void FileListModel::takeFacts(quint64 generation, int first, std::vector<FileFacts> facts) {
    if (generation != m_generation || facts.empty() || first + facts.size() > m_rows.size()) {
        return;
    }
    for (std::size_t i = 0; i < facts.size(); ++i) {
        Row& row = m_rows[static_cast<std::size_t>(first) + i];
        row.facts = facts[i];
        row.factsKnown = !row.isFolder;
    }
    emit dataChanged(index(first, SizeColumn), index(first + static_cast<int>(facts.size()) - 1, ModifiedColumn));
}

int FileListModel::rowOfPath(const QString& path) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].path == path) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QString FileListModel::typeName(int index) const {
    const Row& r = row(index);
    if (r.isFolder) {
        return QStringLiteral("File Folder");
    }
    if (isEncryptedName(r.name)) {
        return QStringLiteral("Encrypted File");
    }
    QString& type = m_types[static_cast<std::size_t>(index)];
    if (type.isEmpty()) {
        // By name only: reading every file's first bytes to tell its kind would cost a whole folder's I/O.
        static const QMimeDatabase mimes;
        type = mimes.mimeTypeForFile(r.path, QMimeDatabase::MatchExtension).comment();
    }
    return type;
}

QString FileListModel::sizeText(std::int64_t size) { return QString::number(size) + QStringLiteral(" Bytes"); }

QString FileListModel::modifiedText(std::int64_t secondsSince1970) {
    return QDateTime::fromSecsSinceEpoch(secondsSince1970, Qt::UTC).toString(QStringLiteral("yy/MM/dd HH:mm AP"));
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Row& r = row(index.row());
    if (role == Qt::DecorationRole && index.column() == NameColumn) {
        if (r.isFolder) {
            return icons::closedFolder();
        }
        return isEncryptedName(r.name) ? icons::encrypted() : QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    }
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
        case NameColumn:
            return role == Qt::ToolTipRole ? r.path : r.name;
        case SizeColumn:
            return r.factsKnown && r.facts.size >= 0 ? sizeText(r.facts.size) : QString();
        case TypeColumn:
            return typeName(index.row());
        case ModifiedColumn:
            return r.factsKnown && r.facts.modified != INT64_MIN ? modifiedText(r.facts.modified) : QString();
        default:
            return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const titles[ColumnCount] = {"Name", "Size", "Type", "Modified"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
