#include "ui/browser/BrowserStatusWindow.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/common/CommandBlock.h"
#include "ui/common/GuiPrompter.h"

BrowserStatusWindow::BrowserStatusWindow(QWidget* owner) : m_owner(owner) {}

BrowserStatusWindow::~BrowserStatusWindow() {
    dismiss();
}

void BrowserStatusWindow::dismiss() {
    delete m_window;
    if (m_disabledOwner && m_owner) {
        m_owner->setEnabled(true);
    }
    m_disabledOwner = false;
}

void BrowserStatusWindow::setText(const QString& text) {
    if (!m_window) {
        m_window = new QDialog(m_owner);
        m_window->setObjectName(QStringLiteral("BrowserStatusWindow"));
        m_window->setWindowTitle(QStringLiteral("Message"));
        m_text = new QLabel(m_window);
        m_text->setObjectName(QStringLiteral("1005"));
        m_text->setMinimumWidth(360);
        auto* layout = new QVBoxLayout(m_window);
        layout->addWidget(m_text);
        if (m_owner && m_owner->isEnabled()) {
            m_owner->setEnabled(false);
            m_disabledOwner = true;
        }
        m_window->setEnabled(true);  // a window of its own stays readable while its owner is disabled
        m_text->setText(text);
        guiPrompter().show(*m_window);
    }
    m_text->setText(text);
    // Shown at once, not when the event loop next runs.
    const CommandBlock block;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
