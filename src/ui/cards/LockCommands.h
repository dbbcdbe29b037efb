#pragma once
// Locking the encrypted card documents: File, Lock (Ctrl+L), the screen locking or its saver
// starting (org.freedesktop.ScreenSaver's ActiveChanged on the session bus, logind's Lock for this
// session on the system bus), and a time without input to the program. While the active document is
// locked only the commands that reveal and use no card stay enabled.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <optional>

class CMainFrame;

class LockWatch : public QObject {
    Q_OBJECT
public:
    explicit LockWatch(CMainFrame& frame);
    ~LockWatch() override;

    /// Locks every open encrypted document; the copied password and the file-encryption password go
    /// too, also when there was no document to lock unless `onlyWithDocuments` (the idle time: a
    /// program with only plain documents open keeps them). True when a document was locked.
    bool lockAll(bool onlyWithDocuments = false);

    /// Test seam: the time without input after which documents lock, instead of the setting's minutes.
    void setIdleIntervalForTests(int milliseconds);

signals:
    /// The time without input ran out and what could be locked was (tests wait for this).
    void idleTimeUp();

public slots:
    /// The screen saver started (true) or stopped.
    void screenSaverActive(bool active);
    /// logind asks this session to lock.
    void sessionLock();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void closeOpenDialogs();
    int idleIntervalMs() const;
    void checkIdle();
    void watchLogind();

    CMainFrame& m_frame;
    QElapsedTimer m_sinceInput;
    QTimer m_idle;
    std::optional<int> m_testInterval;
};

/// The Lock command, the gate on the other commands, and the watch.
void installLockCommands(CMainFrame& frame);

/// Whether command `id` may run while the active document is locked.
bool allowedWhileLocked(int id);
