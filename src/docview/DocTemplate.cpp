#include "docview/DocTemplate.h"

#include <QApplication>
#include <QMdiArea>

#include "docview/DocManager.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"

DocTemplate::DocTemplate(int resourceId, const QString& templateString, DocumentFactory makeDocument,
                         FrameFactory makeFrame)
    : m_resourceId(resourceId),
      m_parts(templateString.split('\n')),
      m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)) {}

DocTemplate::~DocTemplate() {
    for (Document* document : QList<Document*>(m_documents)) {
        document->setDocTemplate(nullptr);
    }
}

QString DocTemplate::GetDocString(DocStringIndex index) const {
    return index < m_parts.size() ? m_parts.at(index) : QString();
}

bool DocTemplate::matchesPath(const QString& path) const {
    if (m_matcher) {
        return m_matcher(path);
    }
    const QString ext = GetDocString(filterExt);
    return !ext.isEmpty() && path.endsWith(ext, Qt::CaseInsensitive);
}

void DocTemplate::AddDocument(Document* document) {
    if (!m_documents.contains(document)) {
        m_documents.append(document);
        document->setDocTemplate(this);
    }
}

void DocTemplate::RemoveDocument(Document* document) {
    m_documents.removeAll(document);
    if (document->GetDocTemplate() == this) {
        document->setDocTemplate(nullptr);
    }
}

MdiChildFrame* DocTemplate::CreateNewFrame(Document* document) { return m_makeFrame(document, this); }

void DocTemplate::SetDefaultTitle(Document* document) {
    const QString name = GetDocString(docName);
    document->SetTitle(name.isEmpty() ? QStringLiteral("Untitled") : name + QString::number(m_untitledCount + 1));
}

Document* DocTemplate::OpenDocumentFile(const QString& path) {
    if (!path.isEmpty() && m_openHandler) {
        return m_openHandler(path);
    }
    Document* document = m_makeDocument();
    AddDocument(document);
    MdiChildFrame* frame = CreateNewFrame(document);

    auto discard = [&] {
        frame->destroyFrame();
        RemoveDocument(document);
        document->deleteLater();
        return nullptr;
    };
    if (path.isEmpty()) {
        SetDefaultTitle(document);
        if (!document->OnNewDocument()) {
            return discard();
        }
        ++m_untitledCount;
    } else {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool opened = document->OnOpenDocument(path);
        QApplication::restoreOverrideCursor();
        if (!opened) {
            return discard();
        }
        document->SetPathName(path);
    }
    InitialUpdateFrame(frame);
    if (m_manager) {
        emit m_manager->documentsChanged();
    }
    return document;
}

void DocTemplate::InitialUpdateFrame(MdiChildFrame* frame) {
    if (m_manager && m_manager->mdiArea()) {
        m_manager->mdiArea()->addSubWindow(frame);
    }
    for (View* view : frame->views()) {
        view->OnInitialUpdate();
    }
    frame->ActivateFrame();
    if (!frame->views().isEmpty()) {
        frame->SetActiveView(frame->views().first());
    }
}
