#include "docview/Document.h"

#include <QFileInfo>

#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "docview/DocPrompter.h"

Document::Document() = default;

Document::~Document() {
    for (View* view : m_views) {
        view->detachDocument();
    }
    if (m_template) {
        m_template->RemoveDocument(this);
    }
}

void Document::SetPathName(const QString& path, bool addToRecentFiles) {
    m_path = path;
    SetTitle(path.isEmpty() ? QString() : QFileInfo(path).fileName());
    if (addToRecentFiles && !path.isEmpty() && m_template && m_template->manager()) {
        m_template->manager()->addToRecentFileList(path);
    }
}

void Document::SetTitle(const QString& title) {
    m_title = title;
    emit titleChanged(title);
}

void Document::SetModifiedFlag(bool modified) {
    if (m_modified != modified) {
        m_modified = modified;
        emit modifiedChanged(modified);
    }
}

void Document::AddView(View* view) {
    if (!m_views.contains(view)) {
        m_views.append(view);
    }
}

void Document::RemoveView(View* view) { m_views.removeAll(view); }

void Document::UpdateAllViews(View* sender, const UpdateHint* hint) {
    const QList<View*> views = m_views;  // a view may close while it updates
    for (View* view : views) {
        if (view != sender && m_views.contains(view)) {
            view->OnUpdate(sender, hint);
        }
    }
}

void Document::addFrame(MdiChildFrame* frame) {
    if (!m_frames.contains(frame)) {
        m_frames.append(frame);
    }
}

void Document::removeFrame(MdiChildFrame* frame) { m_frames.removeAll(frame); }

QList<MdiChildFrame*> Document::showingFrames() const {
    QList<MdiChildFrame*> showing;
    for (MdiChildFrame* frame : m_frames) {
        if (frame->showsDocument()) {
            showing.append(frame);
        }
    }
    return showing;
}

bool Document::OnNewDocument() {
    SetModifiedFlag(false);
    return true;
}

bool Document::OnOpenDocument(const QString&) {
    SetModifiedFlag(false);
    return true;
}

bool Document::OnSaveDocument(const QString&) {
    SetModifiedFlag(false);
    return true;
}

void Document::OnCloseDocument() {
    if (m_closing) {
        return;
    }
    m_closing = true;
    // Views go first and forget the document, so nothing reaches it while the widgets wind down.
    for (View* view : QList<View*>(m_views)) {
        view->detachDocument();
    }
    m_views.clear();
    for (MdiChildFrame* frame : QList<MdiChildFrame*>(m_frames)) {
        frame->destroyFrame();
    }
    m_frames.clear();
    if (m_template) {
        DocTemplate* docTemplate = m_template;
        docTemplate->RemoveDocument(this);
        if (docTemplate->manager()) {
            emit docTemplate->manager()->documentsChanged();
        }
    }
    deleteLater();
}

DocPrompter& Document::prompter() const {
    DocManager* manager = m_template ? m_template->manager() : nullptr;
    return manager ? manager->prompter() : DocManager::fallbackPrompter();
}

bool Document::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    QString name = m_title.isEmpty() ? QStringLiteral("Untitled") : m_title;
    switch (prompter().question(QStringLiteral("Save changes to %1?").arg(name), true)) {
        case DocPrompter::Answer::Cancel:
            return false;
        case DocPrompter::Answer::No:
            return true;
        case DocPrompter::Answer::Yes:
            break;
    }
    return DoFileSave();
}

bool Document::DoSave(const QString& path, bool replace) {
    QString target = path;
    if (target.isEmpty()) {
        QString suggested = m_path;
        const QString ext = m_template ? m_template->GetDocString(DocTemplate::filterExt) : QString();
        if (suggested.isEmpty()) {
            suggested = m_title;
            if (!ext.isEmpty() && !suggested.contains('.')) {
                suggested += ext;
            }
        }
        const QStringList filters = m_template ? QStringList{m_template->nameFilter()} : QStringList();
        target = prompter().saveFileName(QStringLiteral("Save As"), suggested, filters);
        if (target.isEmpty()) {
            return false;
        }
        if (!ext.isEmpty() && QFileInfo(target).suffix().isEmpty()) {
            target += ext;
        }
    }
    if (!OnSaveDocument(target)) {
        return false;
    }
    if (replace) {
        SetPathName(target);
    }
    return true;
}

bool Document::DoFileSave() {
    if (m_path.isEmpty()) {
        return DoSave(QString());
    }
    const QFileInfo info(m_path);
    if (info.exists() && !info.isWritable()) {
        return DoSave(QString());
    }
    return DoSave(m_path);
}
