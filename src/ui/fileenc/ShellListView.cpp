#include "ui/fileenc/ShellListView.h"

#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>

#include "ui/fileenc/FileListModel.h"

namespace {
// Focus that a menu or another window takes is not the person moving within the window.
bool movedWithinWindow(Qt::FocusReason reason) {
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}
}  // namespace

CShellListView::CShellListView(QWidget* parent) : QTreeView(parent), m_model(new FileListModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    const int widths[] = {100, 90, 100, 130};
    for (int column = 0; column < FileListModel::ColumnCount; ++column) {
        setColumnWidth(column, widths[column]);
    }
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                // The row that lost the selection is told first, the one that gained it last, so it wins.
                if (!deselected.isEmpty() && selected.isEmpty()) {
                    emit rowChanged(deselected.indexes().first().row());
                }
                if (!selected.isEmpty()) {
                    emit rowChanged(selected.indexes().first().row());
                }
            });
    connect(m_model, &FileListModel::filled, this, &CShellListView::selectPending);
}

int CShellListView::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CShellListView::selectPathWhenListed(const QString& path) {
    m_pendingSelection = path;
    if (!m_model->isReading()) {
        selectPending();
    }
}

void CShellListView::selectPending() {
    // Kept until the list shows the file's folder (a folder on the way may be listed before it).
    if (m_pendingSelection.isEmpty() || m_model->folder() != QFileInfo(m_pendingSelection).absolutePath()) {
        return;
    }
    const int row = m_model->rowOfPath(m_pendingSelection);
    m_pendingSelection.clear();
    if (row >= 0) {
        const QModelIndex item = m_model->index(row, 0);
        selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(item);
    }
}

void CShellListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    if (movedWithinWindow(event->reason())) {
        emit focusReturned();
    }
}

void CShellListView::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    if (movedWithinWindow(event->reason())) {
        emit focusLeft();
    }
}
