#include "app/SplashWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "ui/common/Icons.h"

SplashWindow::SplashWindow(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picture(icons::splash()),
      m_owner(owner) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_picture.size());
    QRect area = owner && owner->isVisible() ? owner->frameGeometry()
                                             : QGuiApplication::primaryScreen()->availableGeometry();
    QRect r(QPoint(0, 0), size());
    r.moveCenter(area.center());
    move(r.topLeft());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::close);
    m_timer.start(kDuration);
    qApp->installEventFilter(this);
}

SplashWindow::~SplashWindow() { qApp->removeEventFilter(this); }

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    // A modal dialog (the password prompt of a document opened at start-up) is never hidden under
    // the picture, which stays on top: it goes as the dialog comes.
    if (event->type() == QEvent::Show && watched != this && isVisible()) {
        if (auto* window = qobject_cast<QWidget*>(watched); window && window->isWindow() && window->isModal()) {
            close();
            return false;
        }
    }
    bool press = event->type() == QEvent::KeyPress;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::NonClientAreaMouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        press = button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
    }
    if (press && isVisible()) {
        close();
        // The press only closes the splash screen, unless it is meant for a dialog that came up
        // meanwhile (the password prompt of a document opened at start-up): that keeps its key.
        return !QApplication::activeModalWidget();
    }
    return false;
}

void SplashWindow::closeEvent(QCloseEvent* event) {
    qApp->removeEventFilter(this);
    m_timer.stop();
    if (m_owner) {
        m_owner->update();
    }
    emit closed();
    event->accept();
}
