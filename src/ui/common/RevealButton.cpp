#include "ui/common/RevealButton.h"

#include <QLineEdit>

#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"

RevealButton::RevealButton(QLineEdit* field, QWidget* parent) : QToolButton(parent), m_field(field) {
    setIcon(icons::reveal());
    setToolTip(tr("Show the password"));
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        const QString text = m_field->text();
        guiPrompter().popupText(text.isEmpty() ? m_emptyText : text, popupPosition());
    });
}

QPoint RevealButton::popupPosition() const { return mapToGlobal(QPoint(width() + 5, height())); }
