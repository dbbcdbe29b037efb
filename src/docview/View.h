#pragma once
// A view shows one document inside a child frame. Views are widgets that also derive from View;
// the document reaches them only through OnUpdate.

class Document;
/// What changed, sent with an update from a document or a view to the other views. Programs derive
/// their own kinds; a view acts on the kinds it knows and treats any other (or none) as "refresh all".
class UpdateHint {
public:
    virtual ~UpdateHint() = default;
};

class MdiChildFrame;
class QWidget;

class View {
public:
    View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    virtual ~View();

    Document* GetDocument() const { return m_document; }
    /// Registers the view with its document (done by the frame that creates it).
    void attachDocument(Document* document);
    /// Forgets the document (it is going away first).
    void detachDocument() { m_document = nullptr; }

    virtual QWidget* widget() = 0;
    /// The child frame holding this view, if any.
    MdiChildFrame* GetParentFrame();

    /// Called once after the frame is shown; by default a full update.
    virtual void OnInitialUpdate() { OnUpdate(nullptr, nullptr); }
    /// The document or another view asks this view to refresh; `hint` says what changed (none: everything).
    virtual void OnUpdate(View* sender, const UpdateHint* hint) = 0;
    /// The view became (or stopped being) the active view of the active frame.
    virtual void OnActivateView(bool /*activate*/) {}
    /// The frame holding the view is about to go away.
    virtual void OnDestroyView() {}

protected:
    Document* m_document = nullptr;
};
