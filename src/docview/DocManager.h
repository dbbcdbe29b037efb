#pragma once
// The document manager: the registered templates in order, File New and File Open, the
// recent-file list, and saving or closing every document at exit.

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

#include "docview/RecentFileList.h"

class DocPrompter;
class DocTemplate;
class Document;
class QMdiArea;
class SettingsStore;

class DocManager : public QObject {
    Q_OBJECT
public:
    explicit DocManager(SettingsStore* settings = nullptr, QObject* parent = nullptr);
    ~DocManager() override;

    void AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate);
    const std::vector<std::unique_ptr<DocTemplate>>& templates() const { return m_templates; }
    DocTemplate* templateById(int resourceId) const;
    /// The template a path opens with: the first whose extension matches, else the File New one.
    DocTemplate* templateForPath(const QString& path) const;

    /// Where the framework's questions go (save changes?, which file?); kept, not owned.
    void setPrompter(DocPrompter* prompter) { m_prompter = prompter; }
    DocPrompter& prompter() const;
    /// The prompter used while none is set: it cancels every question.
    static DocPrompter& fallbackPrompter();

    void setMdiArea(QMdiArea* area) { m_mdiArea = area; }
    QMdiArea* mdiArea() const { return m_mdiArea; }

    RecentFileList& recentFiles() { return m_recent; }
    void LoadStdProfileSettings();
    void addToRecentFileList(const QString& path);
    /// Opens recent file `index`; a file that fails to open leaves the list.
    Document* OpenRecentFile(int index);

    /// A new untitled document of the one template with a File New name (no question asked).
    Document* OnFileNew();
    /// Asks for a file with the templates' filters, then all files, and opens it.
    Document* OnFileOpen();
    /// Opens `path` (activating it when it is open already); nothing when it cannot be opened.
    Document* OpenDocumentFile(const QString& path);
    /// The open-dialog filters: every template's, in registration order, then all files.
    QStringList openFilters() const;

    QList<Document*> documents() const;
    /// Offers every modified document for saving; false when the user cancels.
    bool SaveAllModified();
    void CloseAllDocuments();

signals:
    void documentsChanged();
    void recentFilesChanged();

private:
    void writeRecentFiles();

    SettingsStore* m_settings;
    DocPrompter* m_prompter = nullptr;
    QMdiArea* m_mdiArea = nullptr;
    std::vector<std::unique_ptr<DocTemplate>> m_templates;
    RecentFileList m_recent{4};
};
