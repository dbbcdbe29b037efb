#include "ui/common/CommandBlock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace {

int g_depth = 0;

/// Drops what a person types or clicks while a command waits; painting, moving and timers go on.
class InputBlocker : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
                return true;
            default:
                return QObject::eventFilter(watched, event);
        }
    }
};

InputBlocker* g_blocker = nullptr;

}  // namespace

CommandBlock::CommandBlock() {
    if (g_depth++ == 0 && QCoreApplication::instance()) {
        g_blocker = new InputBlocker;
        QCoreApplication::instance()->installEventFilter(g_blocker);
    }
}

CommandBlock::~CommandBlock() {
    if (--g_depth == 0 && g_blocker) {
        if (QCoreApplication::instance()) {
            QCoreApplication::instance()->removeEventFilter(g_blocker);
        }
        delete g_blocker;
        g_blocker = nullptr;
    }
}

bool CommandBlock::active() {
    return g_depth > 0;
}

void CommandBlock::wait(int milliseconds) {
    const CommandBlock block;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
