#pragma once
// A document type: its resource id (which also names its menu and icon), its template string of
// seven newline-separated parts, and how to make its documents and their frames.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class DocManager;
class Document;
class MdiChildFrame;

class DocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
    using DocumentFactory = std::function<Document*()>;
    using FrameFactory = std::function<MdiChildFrame*(Document*, DocTemplate*)>;

    DocTemplate(int resourceId, const QString& templateString, DocumentFactory makeDocument, FrameFactory makeFrame);
    ~DocTemplate();
    DocTemplate(const DocTemplate&) = delete;
    DocTemplate& operator=(const DocTemplate&) = delete;

    int resourceId() const { return m_resourceId; }
    /// One of the seven parts of the template string ("" when missing).
    QString GetDocString(DocStringIndex index) const;
    /// The filter for file dialogs ("Not Encrypted Quorvan. File (*.qvf)"); empty without one.
    QString nameFilter() const { return GetDocString(filterName); }
    /// True when `path` ends in this type's extension (compared without regard to case), or
    /// passes the type's own test when it has one.
    bool matchesPath(const QString& path) const;
    void setPathMatcher(std::function<bool(const QString&)> matcher) { m_matcher = std::move(matcher); }

    DocManager* manager() const { return m_manager; }
    void setManager(DocManager* manager) { m_manager = manager; }
    void setFrameFactory(FrameFactory makeFrame) { m_makeFrame = std::move(makeFrame); }
    /// For a type whose files are not read as documents of their own: opening one hands the path
    /// to `handler`, which answers with the document that took it over, or nothing when it failed.
    void setOpenHandler(std::function<Document*(const QString&)> handler) { m_openHandler = std::move(handler); }

    const QList<Document*>& documents() const { return m_documents; }
    void AddDocument(Document* document);
    void RemoveDocument(Document* document);

    /// Opens `path` as a new document of this type, or a new untitled one when `path` is empty.
    /// Returns nothing when the document could not be kept open (it is then gone).
    Document* OpenDocumentFile(const QString& path);
    /// A new frame with its views for `document`, not shown yet.
    MdiChildFrame* CreateNewFrame(Document* document);
    /// Shows the frame in the main window, activates it and runs its views' initial update.
    void InitialUpdateFrame(MdiChildFrame* frame);
    /// "Untitled1", "Untitled2" ... for new documents.
    void SetDefaultTitle(Document* document);

private:
    int m_resourceId;
    QStringList m_parts;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    std::function<bool(const QString&)> m_matcher;
    std::function<Document*(const QString&)> m_openHandler;
    DocManager* m_manager = nullptr;
    QList<Document*> m_documents;
    int m_untitledCount = 0;
};
