#include "ui/fileenc/ShellTreeView.h"

#include <QDir>
#include <QHeaderView>

#include "ui/fileenc/FolderTreeModel.h"

CSHellView::CSHellView(QWidget* parent) : QTreeView(parent), m_model(new FolderTreeModel(this)) {
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
    setAcceptDrops(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_model, &FolderTreeModel::folderRead, this, [this](const QModelIndex& folder) {
        if (m_model->rowCount(folder) == 0) {
            collapse(folder);  // the expand button goes once a folder turns out to hold none
            viewport()->update();
        }
        if (!m_revealTarget.isEmpty()) {
            continueReveal();
        }
    });
}

void CSHellView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    const QString path = m_model->pathOf(current);
    if (path.isEmpty()) {
        return;
    }
    if (!selectionModel()->isSelected(current)) {
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    }
    m_currentFolder = path;
    emit folderSelected(path);
}

void CSHellView::revealFolder(const QString& folder) {
    m_revealTarget = QDir::cleanPath(folder);
    continueReveal();
}

void CSHellView::continueReveal() {
    QModelIndex item = m_model->topItemFor(m_revealTarget);
    const QString top = m_model->pathOf(item);
    const QStringList steps = m_revealTarget.mid(top.size()).split('/', Qt::SkipEmptyParts);
    for (const QString& step : steps) {
        if (!m_model->isRead(item)) {
            expand(item);  // reads it; the rest follows when its folders are in
            if (m_model->canFetchMore(item)) {
                m_model->fetchMore(item);
            }
            return;
        }
        const QModelIndex child = m_model->childNamed(item, step);
        if (!child.isValid()) {
            break;
        }
        expand(item);
        item = child;
    }
    m_revealTarget.clear();
    setCurrentIndex(item);
    scrollTo(item, PositionAtCenter);
    if (!isVisible() || viewport()->height() <= 1) {
        m_scrollPending = item;
    }
}

void CSHellView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    if (m_scrollPending.isValid() && isVisible() && viewport()->height() > 1) {
        scrollTo(m_scrollPending, PositionAtCenter);
        m_scrollPending = QPersistentModelIndex();
    }
}
