#include "ui/frame/StatusDialogBar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/common/Icons.h"

namespace {
QLabel* number(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setMinimumWidth(36);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    return label;
}
}  // namespace

StatusDialogBar::StatusDialogBar(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("Cards in Category:"), this));
    m_cardsInCategory = number(this);
    layout->addWidget(m_cardsInCategory);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Total Cards:"), this));
    m_totalCards = number(this);
    layout->addWidget(m_totalCards);
    layout->addSpacing(12);
    layout->addWidget(new QLabel(QStringLiteral("Save Status:"), this));
    m_icon = new QLabel(this);
    m_icon->setToolTip(QStringLiteral("File Encrypted Status"));
    m_icon->setPixmap(icons::plain().pixmap(20, 20));
    layout->addWidget(m_icon);
    m_status = new QLabel(QStringLiteral("( Not Encrypted )"), this);
    m_status->setMinimumWidth(110);
    layout->addWidget(m_status);
    layout->addStretch();
}

QLabel* StatusDialogBar::item(int id) const {
    switch (id) {
        case kCardsInCategory:
            return m_cardsInCategory;
        case kTotalCards:
            return m_totalCards;
        case kSaveStatusIcon:
            return m_icon;
        case kSaveStatusText:
            return m_status;
        default:
            return nullptr;
    }
}
