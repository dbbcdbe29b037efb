#pragma once
// "Message": the small window that tells the person what a browser command is doing while it waits
// for the browser. It is made only when there is something to say; while it shows, the main window
// is disabled, and it goes away (enabling the main window again) with this object.

#include <QPointer>
#include <QString>

class QDialog;
class QLabel;
class QWidget;

class BrowserStatusWindow {
public:
    explicit BrowserStatusWindow(QWidget* owner);
    ~BrowserStatusWindow();
    BrowserStatusWindow(const BrowserStatusWindow&) = delete;
    BrowserStatusWindow& operator=(const BrowserStatusWindow&) = delete;

    /// Shows the window (the first time) with `text` as its one line.
    void setText(const QString& text);
    QDialog* window() const { return m_window; }
    /// Takes the window away and enables the main window again, before the object goes.
    void dismiss();

private:
    QWidget* m_owner;
    QPointer<QDialog> m_window;
    QLabel* m_text = nullptr;
    bool m_disabledOwner = false;
};
