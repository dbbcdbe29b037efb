#pragma once
// A document: a path, a title, a modified flag and the views that show it. Subclasses load and
// save; the default lifecycle (save questions, Save As, close) lives here.

#include <QList>
#include <QObject>
#include <QString>

class DocPrompter;
class DocTemplate;
class UpdateHint;
class MdiChildFrame;
class View;

class Document : public QObject {
    Q_OBJECT
public:
    Document();
    ~Document() override;

    DocTemplate* GetDocTemplate() const { return m_template; }
    /// Moves the document to another template (called by the templates).
    void setDocTemplate(DocTemplate* docTemplate) { m_template = docTemplate; }

    const QString& GetPathName() const { return m_path; }
    /// Sets the path and the title (the file name); adds the path to the recent-file list.
    virtual void SetPathName(const QString& path, bool addToRecentFiles = true);
    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    void AddView(View* view);
    void RemoveView(View* view);
    const QList<View*>& views() const { return m_views; }
    /// Asks every view but `sender` to refresh.
    void UpdateAllViews(View* sender, const UpdateHint* hint = nullptr);

    void addFrame(MdiChildFrame* frame);
    void removeFrame(MdiChildFrame* frame);
    /// Every frame of the document, also those that only belong to it.
    const QList<MdiChildFrame*>& frames() const { return m_frames; }
    /// The frames that show the document, in the order they were made.
    QList<MdiChildFrame*> showingFrames() const;

    virtual bool OnNewDocument();
    /// Loads `path`; false when the document cannot be kept open.
    virtual bool OnOpenDocument(const QString& path);
    /// Writes the document to `path`; false (after telling the user) when it was not saved.
    virtual bool OnSaveDocument(const QString& path);
    /// Destroys the frames and the document.
    virtual void OnCloseDocument();

    /// Asks "Save changes to %1?" for a modified document; false when the user cancels or the save fails.
    virtual bool SaveModified();
    /// Saves to `path`, or asks for a name (Save As) when it is empty. `replace` makes the new name the document's.
    virtual bool DoSave(const QString& path, bool replace = true);
    /// Save: to the document's path, or Save As when it has none.
    virtual bool DoFileSave();

    /// Where the document's questions go: its manager's prompter.
    DocPrompter& prompter() const;

signals:
    void titleChanged(const QString& title);
    void modifiedChanged(bool modified);

private:
    DocTemplate* m_template = nullptr;
    QString m_path;
    QString m_title;
    bool m_modified = false;
    bool m_closing = false;
    QList<View*> m_views;
    QList<MdiChildFrame*> m_frames;
};
