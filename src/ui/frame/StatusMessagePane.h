#pragma once
// The status bar's message pane. It shows one message at a time: a notice the person should read
// (an upgrade offer, what a merge did) for its time, otherwise the last prompt ("Ready" when there
// is none). A message too long for one line wraps, and the bar grows to show it whole.

#include <QLabel>
#include <QTimer>

class StatusMessagePane : public QLabel {
    Q_OBJECT
public:
    explicit StatusMessagePane(QWidget* parent = nullptr);

    /// The prompt of the command under the pointer; "Ready" when empty. A notice on show keeps the
    /// pane until its time is up; the prompt comes after it.
    void setPrompt(const QString& text);
    /// A document's message: newer than any notice, it replaces it, and stays until the next prompt.
    void showMessage(const QString& text);
    /// Shows `text` for `milliseconds`, over the prompts meanwhile.
    void showNotice(const QString& text, int milliseconds);
    /// Ends the notice on show now.
    void clearNotice();
    /// The notice on show, or an empty text.
    QString notice() const { return m_notice; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showCurrent();

    QString m_prompt;
    QString m_notice;
    QTimer m_noticeTime;
};
