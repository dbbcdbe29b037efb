#include "ui/cards/LockCommands.h"

#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDialog>
#include <QEvent>
#include <algorithm>

#include "docview/DocManager.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardClipboard.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

const char* const kScreenSaverInterface = "org.freedesktop.ScreenSaver";

QList<CQuorvaneDoc*> cardDocuments(CMainFrame& frame) {
    QList<CQuorvaneDoc*> documents;
    if (DocManager* manager = frame.docManager()) {
        for (Document* document : manager->documents()) {
            if (auto* cards = qobject_cast<CQuorvaneDoc*>(document)) {
                documents.append(cards);
            }
        }
    }
    return documents;
}

}  // namespace

bool allowedWhileLocked(int id) {
    static const int kAllowed[] = {
        cmd::FileLock,      cmd::FileNew,        cmd::FileOpen,      cmd::FileClose,
        cmd::FileMru1,      cmd::FileMru1 + 1,   cmd::FileMru1 + 2,  cmd::FileMru1 + 3,
        cmd::AppExit,       cmd::AppAbout,       cmd::Help,          cmd::ContextHelp,
        cmd::WindowArrange, cmd::ViewToolbar,    cmd::ViewStatusBar, cmd::ViewStatusDialogBar,
        cmd::Preferences,   cmd::FilePrintSetup,
    };
    return std::find(std::begin(kAllowed), std::end(kAllowed), id) != std::end(kAllowed);
}

LockWatch::LockWatch(CMainFrame& frame) : QObject(&frame), m_frame(frame) {
    // Any sender: the desktop's own screen saver service, under whatever name it has.
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const char* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
        bus.connect(QString(), QString::fromLatin1(path), QString::fromLatin1(kScreenSaverInterface),
                    QStringLiteral("ActiveChanged"), this, SLOT(screenSaverActive(bool)));
    }
    watchLogind();
    m_sinceInput.start();
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &LockWatch::checkIdle);
    qApp->installEventFilter(this);
    m_idle.start(idleIntervalMs() > 0 ? idleIntervalMs() : 60'000);
}

LockWatch::~LockWatch() {
    qApp->removeEventFilter(this);
}

void LockWatch::watchLogind() {
    // Where there is a system bus and logind knows this process's session, its Lock signal locks too.
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected()) {
        return;
    }
    QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), system);
    if (!manager.isValid()) {
        return;
    }
    const QDBusReply<QDBusObjectPath> session =
        manager.call(QStringLiteral("GetSessionByPID"), static_cast<quint32>(::getpid()));
    if (session.isValid()) {
        system.connect(QStringLiteral("org.freedesktop.login1"), session.value().path(),
                       QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"), this,
                       SLOT(sessionLock()));
    }
}

bool LockWatch::lockAll(bool onlyWithDocuments) {
    bool locked = false;
    for (CQuorvaneDoc* document : cardDocuments(m_frame)) {
        locked = document->lock() || locked;
    }
    if (locked) {
        closeOpenDialogs();
    }
    if (locked || !onlyWithDocuments) {
        if (auto* clipboard = m_frame.findChild<CardClipboard*>()) {
            clipboard->forgetPassword();
        }
        emit m_frame.secretsForgotten();
    }
    m_frame.updateCommandStates();
    return locked;
}

void LockWatch::closeOpenDialogs() {
    // A dialog open over a locked document would still show what the lock hides (a card being
    // edited, the document's password behind its reveal button) and would hand its OK to a document
    // that no longer holds the cards. Each is cancelled, as Escape would; its command then changes
    // nothing. The lock can come while one is open: from the screen saver, logind or the idle time.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

void LockWatch::screenSaverActive(bool active) {
    if (active) {
        lockAll();
    }
}

void LockWatch::sessionLock() {
    lockAll();
}

void LockWatch::setIdleIntervalForTests(int milliseconds) {
    m_testInterval = milliseconds;
    m_sinceInput.restart();
    m_idle.start(milliseconds);
}

int LockWatch::idleIntervalMs() const {
    if (m_testInterval) {
        return *m_testInterval;
    }
    return std::max(0, readSetting(m_frame.settings(), settings::kLockAfterMinutes)) * 60'000;
}

void LockWatch::checkIdle() {
    // The interval is read each time, so a change on the preference sheet takes effect by itself.
    const int interval = idleIntervalMs();
    if (interval <= 0) {
        m_idle.start(60'000);
        return;
    }
    const qint64 idle = m_sinceInput.elapsed();
    if (idle >= interval) {
        lockAll(true);
        m_sinceInput.restart();
        m_idle.start(interval);
        emit idleTimeUp();
    } else {
        m_idle.start(static_cast<int>(interval - idle));
    }
}

bool LockWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            m_sinceInput.restart();  // cheap: the timer itself is only looked at when it fires
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void installLockCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    auto* watch = new LockWatch(frame);
    watch->setObjectName(QStringLiteral("LockWatch"));
    c.setGate([f](int id) {
        const CQuorvaneDoc* document = f->activeCardDocument();
        return !document || !document->isLocked() || allowedWhileLocked(id);
    });
    c.setEnableRule(cmd::FileLock, [f] {
        const QList<CQuorvaneDoc*> documents = cardDocuments(*f);
        return std::any_of(documents.begin(), documents.end(), [](const CQuorvaneDoc* d) { return d->IsEncrypted(); });
    });
    c.setHandler(cmd::FileLock, [f, watch] {
        CQuorvaneDoc* document = f->activeCardDocument();
        if (document && document->isLocked()) {
            document->unlock();
            f->updateCommandStates();
        } else {
            watch->lockAll();
        }
    });
}
