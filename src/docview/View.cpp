#include "docview/View.h"

#include <QWidget>

#include "docview/Document.h"
#include "docview/MdiChildFrame.h"

View::~View() {
    if (m_document) {
        m_document->RemoveView(this);
    }
}

void View::attachDocument(Document* document) {
    m_document = document;
    if (document) {
        document->AddView(this);
    }
}

MdiChildFrame* View::GetParentFrame() {
    for (QWidget* w = widget(); w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<MdiChildFrame*>(w)) {
            return frame;
        }
    }
    return nullptr;
}
