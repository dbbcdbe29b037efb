#include "ui/cards/LockedPane.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/common/Icons.h"

LockedPane::LockedPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LockedPane"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* picture = new QLabel(this);
    picture->setPixmap(icons::app().pixmap(64, 64));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    m_text = new QLabel(this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    layout->addStretch();
    setDocumentName(QString());
}

void LockedPane::setDocumentName(const QString& name) {
    m_text->setText(QStringLiteral("%1 is locked.\nPress any key or click here to unlock it.").arg(name));
    setAccessibleName(m_text->text());
}

void LockedPane::keyPressEvent(QKeyEvent* event) {
    // Modifiers alone (the Ctrl of a shortcut, Alt for the menu) are no request to unlock.
    switch (event->key()) {
        case Qt::Key_Control:
        case Qt::Key_Shift:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            QWidget::keyPressEvent(event);
            return;
        default:
            break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QWidget::keyPressEvent(event);  // a shortcut (Ctrl+L unlocks through its command)
        return;
    }
    event->accept();
    emit unlockRequested();
}

void LockedPane::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit unlockRequested();
}
