#include "ui/cards/ChildFrame.h"

#include <QResizeEvent>
#include <QSplitter>
#include <QStackedWidget>

#include "ui/common/Icons.h"
#include "ui/cards/LockedPane.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"

CChildFrame::CChildFrame(Document* document, QWidget* parent) : MdiChildFrame(document, parent) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(icons::app());
    m_stack = new QStackedWidget(this);
    m_splitter = new QSplitter(Qt::Horizontal, m_stack);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new CQuorvaneView(m_splitter);
    m_list = new CQuorvaneListView(m_splitter);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_list);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_lockedPane = new LockedPane(m_stack);
    m_stack->addWidget(m_splitter);
    m_stack->addWidget(m_lockedPane);
    setWidget(m_stack);
    addView(m_tree);
    addView(m_list);
    if (auto* cards = qobject_cast<CQuorvaneDoc*>(document)) {
        connect(cards, &CQuorvaneDoc::aboutToLock, this, [this] {
            m_lockedCategory = m_tree->GetSelectedCategoryName();
            m_lockedPosition = m_tree->IsCardItemCurrent() ? m_tree->GetSelectedPosition() : -1;
        });
        connect(cards, &CQuorvaneDoc::lockChanged, this, &CChildFrame::showLocked);
        connect(m_lockedPane, &LockedPane::unlockRequested, cards, [cards] { cards->unlock(); });
        if (cards->isLocked()) {
            showLocked(true);
        }
    }
}

void CChildFrame::showLocked(bool locked) {
    if (locked) {
        const Document* document = GetActiveDocument();
        m_lockedPane->setDocumentName(document ? document->GetTitle().section(QStringLiteral(" ["), 0, 0) : QString());
        m_stack->setCurrentWidget(m_lockedPane);
        m_lockedPane->setFocus();
        return;
    }
    m_stack->setCurrentWidget(m_splitter);
    SetActiveView(m_tree);
    if (!m_lockedCategory.isEmpty()) {
        const QModelIndex category = m_tree->GetCategoryItem(m_lockedCategory);
        if (m_lockedPosition >= 0) {
            m_tree->SelectCardByListPosition(category, m_lockedPosition);
        } else {
            m_tree->SelectItem(category);
        }
    }
    m_tree->setFocus();
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
