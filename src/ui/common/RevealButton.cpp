#include "ui/common/RevealButton.h"

#include <QLineEdit>

#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"

RevealButton::RevealButton(QLineEdit* field, QWidget* parent) : QToolButton(parent), m_field(field) {
    setIcon(icons::reveal());
    setToolTip(tr("Show the password"));
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QToolButton::clicked, this, [this] { guiPrompter().popupText(m_field->text(), popupPosition()); });
}

QPoint RevealButton::popupPosition() const { return mapToGlobal(QPoint(width() + 5, height())); }
