#include "ui/frame/StatusMessagePane.h"

#include <QResizeEvent>
#include <algorithm>

StatusMessagePane::StatusMessagePane(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("statusMessage"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_noticeTime.setSingleShot(true);
    connect(&m_noticeTime, &QTimer::timeout, this, &StatusMessagePane::clearNotice);
    showCurrent();
}

void StatusMessagePane::setPrompt(const QString& text) {
    m_prompt = text;
    showCurrent();
}

void StatusMessagePane::showMessage(const QString& text) {
    m_noticeTime.stop();
    m_notice.clear();
    setPrompt(text);
}

void StatusMessagePane::showNotice(const QString& text, int milliseconds) {
    m_notice = text;
    m_noticeTime.start(milliseconds);
    showCurrent();
}

void StatusMessagePane::clearNotice() {
    m_noticeTime.stop();
    m_notice.clear();
    showCurrent();
}

void StatusMessagePane::showCurrent() {
    const QString shown = !m_notice.isEmpty() ? m_notice : m_prompt.isEmpty() ? QStringLiteral("Ready") : m_prompt;
    if (shown != text()) {
        setText(shown);
        updateGeometry();  // the bar takes the height of the lines this text needs
    }
}

// As wide as the bar lets it be, and as tall as its text wraps to at the width it has: the bar
// grows for a long message instead of cutting it, and shrinks back to one line after it.
QSize StatusMessagePane::minimumSizeHint() const {
    const int oneLine = fontMetrics().height();
    const int lines = width() > 1 ? heightForWidth(width()) : oneLine;
    return {1, std::max(oneLine, lines)};
}

QSize StatusMessagePane::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()), minimumSizeHint().height()};
}

void StatusMessagePane::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (event->size().width() != event->oldSize().width()) {
        updateGeometry();
    }
}
