#include "ui/fileenc/FileEncryptionCommands.h"

#include <QFile>
#include <algorithm>
#include <QFileInfo>
#include <QMdiArea>
#include <QPointer>
#include <QToolBar>

#include "docview/DocManager.h"
#include "docview/Document.h"
#include "docview/View.h"
#include "ui/common/GuiPrompter.h"
#include "ui/fileenc/FileListModel.h"
#include "ui/fileenc/FileOperation.h"
#include "ui/fileenc/FilePassword.h"
#include "ui/fileenc/FileViewFrame.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

/// The file-encryption windows of the main window: opening them, switching the bars while any is
/// open, and what the commands do to them.
class FileEncryptionWindows : public QObject {
public:
    explicit FileEncryptionWindows(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
        setObjectName(QStringLiteral("fileEncryptionWindows"));
    }

    QList<CChildFrmFileView*> windows() const {
        QList<CChildFrmFileView*> open;
        for (const QPointer<CChildFrmFileView>& window : m_windows) {
            if (window && !window->isBeingDestroyed()) {
                open.append(window);
            }
        }
        return open;
    }

    /// File View: a further window, belonging to the document of the active window.
    CChildFrmFileView* open() {
        MdiChildFrame* active = m_frame.activeChildFrame();
        Document* owner = active ? active->GetActiveDocument() : nullptr;
        showFileViewBars(true);
        auto* window = new CChildFrmFileView(owner, m_frame.FileEncryption);
        m_windows.append(window);
        connect(window, &CChildFrmFileView::fileFlagsChanged, &m_frame, &CMainFrame::scheduleCommandUpdate);
        connect(window, &MdiChildFrame::frameClosing, this, &FileEncryptionWindows::windowGone, Qt::QueuedConnection);
        m_frame.mdiArea()->addSubWindow(window);
        window->resize(CChildFrmFileView::kWidth, CChildFrmFileView::kHeight);
        for (View* view : window->views()) {
            view->OnInitialUpdate();
        }
        window->ActivateFrame();
        // Where the area placed it, but never with its left or top edge out of sight.
        window->move(std::max(0, window->x()), std::max(0, window->y()));
        window->SetActiveView(window->views().first());
        m_frame.scheduleCommandUpdate();
        return window;
    }

    /// File View, File Encryption: the window, then the password when none is set.
    CChildFrmFileView* openAndAsk(bool updateButton) {
        CChildFrmFileView* window = open();
        if (m_frame.FileEncryption.FileEncryptionPassword.empty() &&
            guiPrompter().question(
                QStringLiteral("Password for file encryption is not set, would you like to set the Password ?"),
                false) == GuiPrompter::Answer::Yes) {
            SetFileEncryptionPassword(m_frame);
        }
        if (updateButton) {
            UpdatePasswordButton(m_frame);
        }
        return window;
    }

    /// What Card View closes: the active file-encryption window, or while another window is active
    /// the file-encryption window opened last. Never a card window.
    CChildFrmFileView* cardViewTarget() const {
        if (auto* active = qobject_cast<CChildFrmFileView*>(m_frame.activeChildFrame())) {
            return active;
        }
        const QList<CChildFrmFileView*> open = windows();
        return open.isEmpty() ? nullptr : open.last();
    }

    void cardView() {
        CChildFrmFileView* window = cardViewTarget();
        if (!window) {
            return;
        }
        Document* owner = window->GetActiveDocument();
        window->destroyFrame();
        // Back to the cards the window belonged to.
        if (owner && !owner->showingFrames().isEmpty()) {
            owner->showingFrames().first()->ActivateFrame();
        }
        windowGone();
    }

    void run(FileOperationKind kind) {
        FileEncryptionState& state = m_frame.FileEncryption;
        const QString input = QFile::decodeName(QByteArray::fromStdString(state.SelectedFile));
        QPointer<CChildFrmFileView> origin = qobject_cast<CChildFrmFileView*>(m_frame.activeChildFrame());
        const FileOpResult result = runFileOperation(kind, state, dialogParent());
        if (result.outputWritten()) {
            const QString output = QFile::decodeName(QByteArray::fromStdString(result.outputPath));
            refreshFolder(QFileInfo(input).absolutePath(), origin, output);
        }
        m_frame.scheduleCommandUpdate();
    }

    /// The filter changed: every window lists its folder again, keeping the selected file selected.
    void refreshAll() {
        const QString selected = QFile::decodeName(QByteArray::fromStdString(m_frame.FileEncryption.SelectedFile));
        for (CChildFrmFileView* window : windows()) {
            window->refresh(selected);
        }
        m_frame.scheduleCommandUpdate();
    }

private:
    /// Lists `folder` again in every window that shows it; `origin` (or else the first of them)
    /// selects `select`.
    void refreshFolder(const QString& folder, CChildFrmFileView* origin, const QString& select) {
        CChildFrmFileView* selecting = origin && origin->currentFolder() == folder ? origin : nullptr;
        for (CChildFrmFileView* window : windows()) {
            if (window->currentFolder() == folder && !selecting) {
                selecting = window;
            }
        }
        for (CChildFrmFileView* window : windows()) {
            if (window->currentFolder() == folder) {
                window->refresh(window == selecting ? select : QString());
            }
        }
    }

    void windowGone() {
        // The bars of the file-encryption window stay while any such window is open.
        if (windows().isEmpty()) {
            showFileViewBars(false);
        }
        m_frame.scheduleCommandUpdate();
    }

    void showFileViewBars(bool fileView) {
        m_frame.mainToolBar()->setVisible(!fileView);
        m_frame.statusDialogBar()->setVisible(!fileView);
        m_frame.fileViewToolBar()->setVisible(fileView);
        m_frame.foldersBar()->setVisible(fileView);
    }

    CMainFrame& m_frame;
    QList<QPointer<CChildFrmFileView>> m_windows;
};

FileEncryptionWindows* windowsOf(const CMainFrame& frame) {
    return frame.findChild<FileEncryptionWindows*>(QStringLiteral("fileEncryptionWindows"), Qt::FindDirectChildrenOnly);
}

}  // namespace

void installFileEncryptionCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    auto* windows = new FileEncryptionWindows(frame);
    FileEncryptionState& fe = frame.FileEncryption;

    // A "~~~" file opens here, from File Open, the recent files or the command line alike. Encrypted
    // files only end in "~~~" (README becomes REA~~~), so no dot is required.
    frame.registerFileOpener(FileListModel::isEncryptedName,
                             [f](const QString& path) { return openEncryptedFile(*f, path); });
    // Locking drops the file-encryption password along with the documents' keys.
    QObject::connect(f, &CMainFrame::secretsForgotten, f, [f] { ClearFileEncryptionPassword(*f); });

    c.setEnableRule(cmd::FileEncryptionButton, [f] { return f->activeChildFrame() != nullptr; });
    c.setHandler(cmd::FileView, [windows] { windows->openAndAsk(false); });
    c.setHandler(cmd::FileEncryptionButton, [windows] { windows->openAndAsk(true); });

    for (int id : {cmd::FeCardView, cmd::FeCardViewButton}) {
        c.setEnableRule(id, [windows] { return windows->cardViewTarget() != nullptr; });
        c.setHandler(id, [windows] { windows->cardView(); });
    }

    c.setHandler(cmd::FeSetPassword, [f] { SetFileEncryptionPassword(*f); });
    c.setHandler(cmd::FeSetPasswordButton, [f] {
        SetFileEncryptionPassword(*f);
        UpdatePasswordButton(*f);
    });
    auto hasPassword = [&fe] { return !fe.FileEncryptionPassword.empty(); };
    for (int id : {cmd::FeClearPassword, cmd::FeClearPasswordButton}) {
        c.setEnableRule(id, hasPassword);
        c.setHandler(id, [f] { ClearFileEncryptionPassword(*f); });
    }

    auto canEncrypt = [&fe] { return fe.PasswordIsSet && fe.CanEncrypt; };
    auto canDecrypt = [&fe] { return fe.PasswordIsSet && fe.IsEncrypted; };
    for (int id : {cmd::FeEncryptFile, cmd::FeEncryptFileButton}) {
        c.setEnableRule(id, canEncrypt);
        c.setHandler(id, [windows] { windows->run(FileOperationKind::Encrypt); });
    }
    for (int id : {cmd::FeDecryptFile, cmd::FeDecryptFileButton}) {
        c.setEnableRule(id, canDecrypt);
        c.setHandler(id, [windows] { windows->run(FileOperationKind::Decrypt); });
    }

    auto showEncryptedOnly = [&fe, windows](bool on) {
        fe.ShowEncryptedOnly = on;
        windows->refreshAll();
    };
    c.setEnableRule(cmd::FeShowEncryptedOnly, [&fe] { return !fe.ShowEncryptedOnly; });
    c.setEnableRule(cmd::FeShowAllFiles, [&fe] { return fe.ShowEncryptedOnly; });
    c.setCheckRule(cmd::FeAllFiles, [&fe] { return !fe.ShowEncryptedOnly; });
    c.setCheckRule(cmd::FeEncryptedFiles, [&fe] { return fe.ShowEncryptedOnly; });
    for (int id : {cmd::FeShowEncryptedOnly, cmd::FeEncryptedFiles}) {
        c.setHandler(id, [showEncryptedOnly] { showEncryptedOnly(true); });
    }
    for (int id : {cmd::FeShowAllFiles, cmd::FeAllFiles}) {
        c.setHandler(id, [showEncryptedOnly] { showEncryptedOnly(false); });
    }
    UpdatePasswordButton(frame);
}

Document* openEncryptedFile(CMainFrame& frame, const QString& path) {
    FileEncryptionWindows* windows = windowsOf(frame);
    const QFileInfo file(path);
    if (!windows) {
        return nullptr;
    }
    if (!file.isFile()) {
        guiPrompter().message(
            QStringLiteral("Unable to open %1.\nThere is no such file.").arg(file.fileName()), QString(),
            GuiPrompter::Icon::Warning);
        return nullptr;
    }
    if (!frame.activeChildFrame() && frame.docManager()) {
        frame.docManager()->OnFileNew();
    }
    CChildFrmFileView* window = windows->openAndAsk(true);
    window->showFile(file.absoluteFilePath());
    if (frame.docManager()) {
        frame.docManager()->addToRecentFileList(file.absoluteFilePath());
    }
    return window->GetActiveDocument();
}

QList<CChildFrmFileView*> fileEncryptionWindows(const CMainFrame& frame) {
    FileEncryptionWindows* windows = windowsOf(frame);
    return windows ? windows->windows() : QList<CChildFrmFileView*>();
}
