#pragma once
// The folder tree's items: the person's home folder and the root of the file system at the top,
// each folder's subfolders read (on a thread of their own) the first time it is opened. Hidden
// folders are left out, unless a path that leads through one is asked for.

#include <QAbstractItemModel>
#include <memory>
#include <vector>

#include "ui/fileenc/FolderScan.h"

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    /// The full path of a folder item (empty for none).
    QString pathOf(const QModelIndex& index) const;
    /// Whether the item's subfolders have been read.
    bool isRead(const QModelIndex& index) const;
    /// The top-level item a path lies under: home when it is there, else the root.
    QModelIndex topItemFor(const QString& path) const;
    /// The child of `parent` (whose subfolders have been read) named `name`; when it is not listed (a
    /// hidden folder) and is a folder on disk, it is added in its place. Invalid when there is none.
    QModelIndex childNamed(const QModelIndex& parent, const QString& name);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    /// The subfolders of `folder` have been read (there may be none).
    void folderRead(const QModelIndex& folder);

private:
    struct Node {
        QString name;
        QString path;
        Node* parent = nullptr;
        int row = 0;  // its place among its siblings
        std::vector<std::unique_ptr<Node>> children;
        enum class State { Unread, Reading, Read } state = State::Unread;
    };
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(Node* node) const;
    int rowOf(const Node* node) const;
    void takeChildren(Node* node, const std::vector<FolderEntry>& entries);

    std::vector<std::unique_ptr<Node>> m_top;
    FolderWorker m_worker;  // last, so it stops before the items it reports on go
};
