#pragma once
// What the main window shows while no document is open: the first things a person can do (a new
// card document, open one, import another program's export) and the recent files, as buttons that
// Tab reaches and Enter presses, each showing its key. It lies over the empty child-window area and
// goes away when a window opens there.

#include <QWidget>

class CMainFrame;
class QLabel;
class QPushButton;
class QVBoxLayout;

class WelcomePane : public QWidget {
    Q_OBJECT
public:
    WelcomePane(CMainFrame& frame, QWidget* area);

    /// The buttons, top to bottom: New, Open, Import, then one per recent file.
    QList<QPushButton*> buttons() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleRefresh();
    void refresh();
    void fillRecentFiles();
    QPushButton* addCommandButton(const QString& text, int commandId);

    CMainFrame& m_frame;
    QWidget* m_area;
    QVBoxLayout* m_recentLayout;
    QLabel* m_recentTitle;
    QList<QPushButton*> m_commandButtons;
    QList<QPushButton*> m_recentButtons;
    bool m_refreshPending = false;
};
