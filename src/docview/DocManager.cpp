#include "docview/DocManager.h"

#include <QFileInfo>

#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "prefs/SettingsStore.h"
#include "docview/DocPrompter.h"

DocManager::DocManager(SettingsStore* settings, QObject* parent) : QObject(parent), m_settings(settings) {}

DocManager::~DocManager() = default;

namespace {
// Answers while no prompter is set: nothing is closed, saved or opened.
class CancellingPrompter : public DocPrompter {
public:
    void message(const QString&, const QString&, Icon) override {}
    Answer question(const QString&, bool withCancel, const QString&) override {
        return withCancel ? Answer::Cancel : Answer::No;
    }
    QString openFileName(const QString&, const QStringList&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QStringList&) override { return {}; }
};
}  // namespace

DocPrompter& DocManager::fallbackPrompter() {
    static CancellingPrompter cancelling;
    return cancelling;
}

DocPrompter& DocManager::prompter() const { return m_prompter ? *m_prompter : fallbackPrompter(); }

void DocManager::AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate) {
    docTemplate->setManager(this);
    m_templates.push_back(std::move(docTemplate));
}

DocTemplate* DocManager::templateById(int resourceId) const {
    for (const auto& t : m_templates) {
        if (t->resourceId() == resourceId) {
            return t.get();
        }
    }
    return nullptr;
}

DocTemplate* DocManager::templateForPath(const QString& path) const {
    for (const auto& t : m_templates) {
        if (t->matchesPath(path)) {
            return t.get();
        }
    }
    for (const auto& t : m_templates) {
        if (!t->GetDocString(DocTemplate::fileNewName).isEmpty()) {
            return t.get();
        }
    }
    return m_templates.empty() ? nullptr : m_templates.front().get();
}

void DocManager::LoadStdProfileSettings() {
    if (m_settings) {
        m_recent.ReadList(*m_settings);
    }
    emit recentFilesChanged();
}

void DocManager::writeRecentFiles() {
    if (m_settings) {
        m_recent.WriteList(*m_settings);
    }
    emit recentFilesChanged();
}

void DocManager::addToRecentFileList(const QString& path) {
    m_recent.Add(path);
    writeRecentFiles();
}

Document* DocManager::OpenRecentFile(int index) {
    const QString path = m_recent.at(index);
    if (path.isEmpty()) {
        return nullptr;
    }
    Document* document = OpenDocumentFile(path);
    if (!document) {
        // Look the entry up again: the failed open may have reordered nothing, but be sure.
        const int at = m_recent.entries().indexOf(path);
        if (at >= 0) {
            m_recent.Remove(at);
            writeRecentFiles();
        }
    }
    return document;
}

Document* DocManager::OnFileNew() {
    for (const auto& t : m_templates) {
        if (!t->GetDocString(DocTemplate::fileNewName).isEmpty()) {
            return t->OpenDocumentFile(QString());
        }
    }
    return nullptr;
}

QStringList DocManager::openFilters() const {
    QStringList filters;
    for (const auto& t : m_templates) {
        if (!t->nameFilter().isEmpty()) {
            filters.append(t->nameFilter());
        }
    }
    filters.append(QStringLiteral("All Files (*)"));
    return filters;
}

Document* DocManager::OnFileOpen() {
    const QString path = prompter().openFileName(QStringLiteral("Open"), openFilters());
    return path.isEmpty() ? nullptr : OpenDocumentFile(path);
}

namespace {
// One file reached by two names (a symbolic link, "..") is one document.
QString fileIdentity(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}
}  // namespace

Document* DocManager::OpenDocumentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString identity = fileIdentity(absolute);
    for (Document* document : documents()) {
        if (!document->GetPathName().isEmpty() && fileIdentity(document->GetPathName()) == identity) {
            if (!document->showingFrames().isEmpty()) {
                document->showingFrames().first()->ActivateFrame();
            }
            return document;
        }
    }
    DocTemplate* docTemplate = templateForPath(absolute);
    return docTemplate ? docTemplate->OpenDocumentFile(absolute) : nullptr;
}

QList<Document*> DocManager::documents() const {
    QList<Document*> all;
    for (const auto& t : m_templates) {
        all.append(t->documents());
    }
    return all;
}

bool DocManager::SaveAllModified() {
    for (Document* document : documents()) {
        if (!document->SaveModified()) {
            return false;
        }
    }
    return true;
}

void DocManager::CloseAllDocuments() {
    for (Document* document : documents()) {
        document->OnCloseDocument();
    }
}
