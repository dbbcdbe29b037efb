#pragma once
// The rows of the file list: a folder's visible entries with Name, Size, Type and Modified. The
// names arrive from a reading thread in one go; sizes and times follow in batches, top rows
// first, so a folder of any size shows at once and the window never waits on the disk.
//
// Rows are placed as the list always placed them: folders first in name order, then files in
// reverse name order (each file went in at the position after the last folder); with encrypted
// files only, those files alone in reverse name order.

#include <QAbstractTableModel>
#include <vector>

#include "ui/fileenc/FolderScan.h"

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, TypeColumn, ModifiedColumn, ColumnCount };

    struct Row {
        QString name;
        QString path;
        bool isFolder = false;
        bool factsKnown = false;
        FileFacts facts;
    };

    explicit FileListModel(QObject* parent = nullptr);
    ~FileListModel() override;

    /// Empties the list and reads `folder` anew; `encryptedOnly` keeps just the encrypted files.
    void fill(const QString& folder, bool encryptedOnly);
    /// The folder of the last fill (empty before the first).
    const QString& folder() const { return m_folder; }
    /// True while the names of the last fill have not arrived.
    bool isReading() const { return m_reading; }

    const Row& row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }
    /// The row showing `path`; -1 when there is none.
    int rowOfPath(const QString& path) const;
    /// The Type column: "File Folder", "Encrypted File" (a name ending in "~~~"), or the kind of
    /// file its name says.
    QString typeName(int index) const;

    static bool isEncryptedName(const QString& name) { return name.endsWith(QStringLiteral("~~~")); }
    /// "1234 Bytes".
    static QString sizeText(std::int64_t size);
    /// The last-change time in UTC as "yy/mm/dd HH:MM AM" (two-digit year, 24-hour clock, then AM or PM).
    static QString modifiedText(std::int64_t secondsSince1970);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    /// The rows of the last fill are in (their sizes and times may still follow).
    void filled();

private:
    void takeRows(quint64 generation, std::vector<Row> rows);
    void takeFacts(quint64 generation, int first, std::vector<FileFacts> facts);

    std::vector<Row> m_rows;
    mutable std::vector<QString> m_types;  // worked out when first shown
    QString m_folder;
    bool m_reading = false;
    quint64 m_generation = 0;
    FolderWorker::Token m_token;
    FolderWorker m_worker;  // last, so it stops before anything it reports to goes
};
