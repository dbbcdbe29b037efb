#include "ui/fileenc/FolderTreeModel.h"

#include <QDir>
#include <QFileInfo>

#include "ui/common/Icons.h"

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    const QString home = QDir::homePath();
    for (const QString& path : {home, QStringLiteral("/")}) {
        auto node = std::make_unique<Node>();
        node->name = path;
        node->path = path;
        node->row = static_cast<int>(m_top.size());
        m_top.push_back(std::move(node));
    }
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

int FolderTreeModel::rowOf(const Node* node) const { return node->row; }

QModelIndex FolderTreeModel::indexOf(Node* node) const {
    return node ? createIndex(rowOf(node), 0, node) : QModelIndex();
}

QString FolderTreeModel::pathOf(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    return node ? node->path : QString();
}

bool FolderTreeModel::isRead(const QModelIndex& index) const {
    const Node* node = nodeOf(index);
    return node && node->state == Node::State::Read;
}

QModelIndex FolderTreeModel::topItemFor(const QString& path) const {
    const QString home = m_top.front()->path;
    const bool underHome = path == home || path.startsWith(home.endsWith('/') ? home : home + '/');
    return indexOf((underHome ? m_top.front() : m_top.back()).get());
}

QModelIndex FolderTreeModel::childNamed(const QModelIndex& parent, const QString& name) {
    Node* node = nodeOf(parent);
    if (!node || name.isEmpty() || node->state != Node::State::Read) {
        return {};
    }
    for (const auto& child : node->children) {
        if (child->name == name) {
            return indexOf(child.get());
        }
    }
    const QString path = childPath(node->path, name);
    if (!QFileInfo(path).isDir()) {
        return {};
    }
    // Not listed: a hidden folder on the way to a path asked for. It goes where name order puts it.
    std::size_t at = 0;
    while (at < node->children.size() && QString::compare(node->children[at]->name, name, Qt::CaseInsensitive) < 0) {
        ++at;
    }
    beginInsertRows(parent, static_cast<int>(at), static_cast<int>(at));
    auto child = std::make_unique<Node>();
    child->name = name;
    child->path = path;
    child->parent = node;
    Node* added = child.get();
    node->children.insert(node->children.begin() + static_cast<std::ptrdiff_t>(at), std::move(child));
    for (std::size_t i = at; i < node->children.size(); ++i) {
        node->children[i]->row = static_cast<int>(i);
    }
    endInsertRows();
    return indexOf(added);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    const Node* node = nodeOf(parent);
    const auto& children = node ? node->children : m_top;
    return row < static_cast<int>(children.size()) ? createIndex(row, 0, children[static_cast<std::size_t>(row)].get())
                                                   : QModelIndex();
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    const Node* node = nodeOf(child);
    return node ? indexOf(node->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return static_cast<int>(node ? node->children.size() : m_top.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    // A folder not read yet gets an expand button; reading it tells whether it keeps one.
    return !node || node->state != Node::State::Read || !node->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return node && node->state == Node::State::Unread;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    Node* node = nodeOf(parent);
    if (!node || node->state != Node::State::Unread) {
        return;
    }
    node->state = Node::State::Reading;
    const QString path = node->path;
    m_worker.post([this, node, path](const std::atomic<bool>& cancelled) {
        std::vector<FolderEntry> entries = listFolder(path, true, cancelled);
        if (cancelled) {
            return;
        }
        sortByName(entries);
        QMetaObject::invokeMethod(
            this, [this, node, entries = std::move(entries)] { takeChildren(node, entries); }, Qt::QueuedConnection);
    });
}

void FolderTreeModel::takeChildren(Node* node, const std::vector<FolderEntry>& entries) {
    std::vector<std::unique_ptr<Node>> children;
    children.reserve(entries.size());
    for (const FolderEntry& entry : entries) {
        auto child = std::make_unique<Node>();
        child->name = entry.name;
        child->path = childPath(node->path, entry.name);
        child->parent = node;
        child->row = static_cast<int>(children.size());
        children.push_back(std::move(child));
    }
    const QModelIndex parent = indexOf(node);
    node->state = Node::State::Read;
    if (!children.empty()) {
        beginInsertRows(parent, 0, static_cast<int>(children.size()) - 1);
        node->children = std::move(children);
        endInsertRows();
    }
    emit folderRead(parent);
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    const Node* node = nodeOf(index);
    if (!node) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return node->name;
        case Qt::ToolTipRole:
            return node->path;
        case Qt::DecorationRole:
            return icons::closedFolder();
        default:
            return {};
    }
}
