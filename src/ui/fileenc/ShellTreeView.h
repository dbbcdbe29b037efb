#pragma once
// CSHellView: the folder tree of the file-encryption window. Opening a folder reads its
// subfolders; selecting one hands it to the file list of the same window.

#include <QTreeView>

#include "docview/View.h"

class FolderTreeModel;

class CSHellView : public QTreeView, public View {
    Q_OBJECT
public:
    explicit CSHellView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    /// The window shows nothing of a document: there is nothing to refresh.
    void OnUpdate(View*, const UpdateHint*) override {}

    FolderTreeModel* folderModel() const { return m_model; }
    /// The folder of the selected item; empty while none has been selected.
    QString currentFolder() const { return m_currentFolder; }
    /// Opens the tree down to `folder` and selects it, reading the folders on the way as needed
    /// (a folder that is not there selects the nearest one above it).
    void revealFolder(const QString& folder);

signals:
    /// A folder was selected.
    void folderSelected(const QString& path);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void continueReveal();

    FolderTreeModel* m_model;
    QString m_currentFolder;
    QString m_revealTarget;
    QPersistentModelIndex m_scrollPending;  // a folder revealed before the tree had its size
};
