#pragma once
// CChildFrmFileView: the file-encryption window, split into the folder tree (left, half the width
// at first) and the file list. It belongs to the card document that was active when it opened and
// goes when that document closes, but shows nothing of it. Selecting a row classifies the file
// into the main window's file-encryption state; focus leaving the list clears the file flags.

#include "docview/MdiChildFrame.h"

struct FileEncryptionState;
class CSHellView;
class CShellListView;
class QSplitter;

class CChildFrmFileView : public MdiChildFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 750;
    static constexpr int kHeight = 480;

    CChildFrmFileView(Document* owner, FileEncryptionState& state, QWidget* parent = nullptr);

    CSHellView* tree() const { return m_tree; }
    CShellListView* list() const { return m_list; }
    QSplitter* splitter() const { return m_splitter; }

    /// The folder the list shows; empty while none has been selected.
    QString currentFolder() const;
    /// Fills the list again from the current folder (nothing while none is selected); the row of
    /// `select`, when given and listed, is selected once the list is in.
    void refresh(const QString& select = QString());
    /// Shows the folder of `file` with the file selected.
    void showFile(const QString& file);

signals:
    /// The file flags may have changed.
    void fileFlagsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void classifyRow(int row);
    void clearFileFlags();

    FileEncryptionState& m_state;
    QSplitter* m_splitter;
    CSHellView* m_tree;
    CShellListView* m_list;
    bool m_sized = false;
};
