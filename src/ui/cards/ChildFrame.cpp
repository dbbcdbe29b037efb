#include "ui/cards/ChildFrame.h"

#include <QResizeEvent>
#include <QSplitter>

#include "ui/common/Icons.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"

CChildFrame::CChildFrame(Document* document, QWidget* parent) : MdiChildFrame(document, parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(icons::app());
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new CQuorvaneView(m_splitter);
    m_list = new CQuorvaneListView(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    setWidget(m_splitter);
    addView(m_tree);
    addView(m_list);
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    MdiChildFrame::resizeEvent(event);
    // The tree takes the client width less the list's width the first time the frame has a real size.
    const int width = m_splitter->width();
    if (!m_sized && width > m_listWidth) {
        m_splitter->setSizes({width - m_listWidth, m_listWidth});
        m_sized = true;
    }
}
