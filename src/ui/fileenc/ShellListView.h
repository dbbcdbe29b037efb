#pragma once
// CShellListView: the file list of the file-encryption window, in report form with the columns
// Name, Size, Type and Modified. It reports every change of a row's selection, and the keyboard
// focus leaving it, so the window can classify the row or clear the file flags.

#include <QTreeView>

#include "docview/View.h"

class FileListModel;

class CShellListView : public QTreeView, public View {
    Q_OBJECT
public:
    explicit CShellListView(QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    /// The window shows nothing of a document: there is nothing to refresh.
    void OnUpdate(View*, const UpdateHint*) override {}

    FileListModel* fileModel() const { return m_model; }
    /// The selected row; -1 without one.
    int selectedRow() const;
    /// Selects the row showing `path` once the list holds it (now, or when a fill in progress is in).
    void selectPathWhenListed(const QString& path);

signals:
    /// A row gained or lost the selection; the window classifies it.
    void rowChanged(int row);
    /// The focus went elsewhere in the window (not to a menu, nor to another window).
    void focusLeft();
    /// The focus came back to the list from elsewhere in the window.
    void focusReturned();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void selectPending();

    FileListModel* m_model;
    QString m_pendingSelection;
};
