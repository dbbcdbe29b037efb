#include "ui/fileenc/FileViewFrame.h"

#include <QFile>
#include <QFileInfo>
#include <QResizeEvent>
#include <QSplitter>

#include "fileenc/FileEncryption.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/fileenc/FileListModel.h"
#include "ui/fileenc/ShellListView.h"
#include "ui/fileenc/ShellTreeView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

CChildFrmFileView::CChildFrmFileView(Document* owner, FileEncryptionState& state, QWidget* parent)
    : MdiChildFrame(owner, parent, DocumentRole::BelongsTo), m_state(state) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setOpensMaximized(false);
    setMenuId(CMainFrame::kMenuFileView);
    setWindowIcon(icons::toolbar(cmd::FileEncryptionButton));
    setWindowTitle(QStringLiteral("File Encryption"));
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new CSHellView(m_splitter);
    m_list = new CShellListView(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    setWidget(m_splitter);
    addView(m_tree);
    addView(m_list);

    connect(m_tree, &CSHellView::folderSelected, this, [this](const QString& folder) {
        m_list->fileModel()->fill(folder, m_state.ShowEncryptedOnly);
    });
    connect(m_list, &CShellListView::rowChanged, this, &CChildFrmFileView::classifyRow);
    connect(m_list, &CShellListView::focusLeft, this, &CChildFrmFileView::clearFileFlags);
    connect(m_list, &CShellListView::focusReturned, this, [this] {
        if (const int row = m_list->selectedRow(); row >= 0) {
            classifyRow(row);
        }
    });
}

QString CChildFrmFileView::currentFolder() const { return m_tree->currentFolder(); }

void CChildFrmFileView::refresh(const QString& select) {
    const QString folder = currentFolder();
    if (folder.isEmpty()) {
        return;
    }
    m_list->fileModel()->fill(folder, m_state.ShowEncryptedOnly);
    if (!select.isEmpty()) {
        m_list->selectPathWhenListed(select);
    }
}

void CChildFrmFileView::showFile(const QString& file) {
    const QFileInfo info(file);
    m_tree->revealFolder(info.absolutePath());
    m_list->selectPathWhenListed(info.absoluteFilePath());
}

void CChildFrmFileView::classifyRow(int row) {
    const FileListModel* model = m_list->fileModel();
    if (row < 0 || row >= model->rowCount()) {
        return;
    }
    if (model->row(row).isFolder) {
        m_state.CanEncrypt = false;
        m_state.IsEncrypted = false;
        m_state.SelectedFile.clear();
    } else {
        const std::string path = QFile::encodeName(model->row(row).path).toStdString();
        GuiPrompter& ui = guiPrompter();
        m_state.SelectedFile = path;
        m_state.CanEncrypt = false;
        m_state.IsEncrypted = false;
        if (CanOpenForReading(path, ui)) {
            if (IsEncryptedFile(path, ui)) {
                m_state.IsEncrypted = true;
            } else if (IsNonEmptyFile(path, ui)) {
                m_state.CanEncrypt = true;
            } else {
                ui.message(QStringLiteral("File is empty, can not encrypt"));
            }
        }
    }
    emit fileFlagsChanged();
}

void CChildFrmFileView::clearFileFlags() {
    m_state.CanEncrypt = false;
    m_state.IsEncrypted = false;
    emit fileFlagsChanged();
}

void CChildFrmFileView::resizeEvent(QResizeEvent* event) {
    MdiChildFrame::resizeEvent(event);
    // The tree takes half the client width the first time the frame has a real size.
    const int width = m_splitter->width();
    if (!m_sized && width > 1) {
        m_splitter->setSizes({width / 2, width - width / 2});
        m_sized = true;
    }
}
