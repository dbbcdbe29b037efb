#include "ui/frame/WelcomePane.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "docview/DocManager.h"
#include "docview/MdiChildFrame.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

// A push button that Enter presses too, as in a dialog; Up and Down move between the buttons.
class WelcomeButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
                    click();
                    return;
                }
                break;
            case Qt::Key_Down:
                focusNextChild();
                return;
            case Qt::Key_Up:
                focusPreviousChild();
                return;
            default:
                break;
        }
        QPushButton::keyPressEvent(event);
    }
};

QString keyText(const QAction* action) {
    return action ? action->shortcut().toString(QKeySequence::NativeText) : QString();
}

}  // namespace

WelcomePane::WelcomePane(CMainFrame& frame, QWidget* area) : QWidget(area), m_frame(frame), m_area(area) {
    setObjectName(QStringLiteral("WelcomePane"));
    setAutoFillBackground(true);
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto* column = new QVBoxLayout;
    auto* title = new QLabel(QStringLiteral("<b>No card document is open.</b>"), this);
    column->addWidget(title);
    column->addWidget(new QLabel(QStringLiteral("Start with one of these:"), this));
    m_commandButtons << addCommandButton(QStringLiteral("New card document"), cmd::FileNew);
    m_commandButtons << addCommandButton(QStringLiteral("Open a card document..."), cmd::FileOpen);
    m_commandButtons << addCommandButton(QStringLiteral("Import from another password manager or browser..."),
                                         cmd::FileImport);
    for (QPushButton* button : m_commandButtons)
        column->addWidget(button);
    m_recentTitle = new QLabel(QStringLiteral("Recent files:"), this);
    column->addSpacing(12);
    column->addWidget(m_recentTitle);
    m_recentLayout = new QVBoxLayout;
    column->addLayout(m_recentLayout);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addLayout(column);
    row->addStretch(1);
    outer->addLayout(row);
    outer->addStretch(2);

    // The child windows are children of the area's viewport: their coming and going shows or hides
    // the pane; the area's size is the pane's.
    if (auto* mdi = qobject_cast<QMdiArea*>(area))
        mdi->viewport()->installEventFilter(this);
    area->installEventFilter(this);
    scheduleRefresh();
}

QPushButton* WelcomePane::addCommandButton(const QString& text, int commandId) {
    auto* button = new WelcomeButton(text, this);
    button->setProperty("commandId", commandId);
    connect(button, &QPushButton::clicked, this, [this, commandId] {
        if (QAction* action = m_frame.commandAction(commandId))
            action->trigger();
    });
    return button;
}

QList<QPushButton*> WelcomePane::buttons() const {
    return m_commandButtons + m_recentButtons;
}

bool WelcomePane::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            if (watched == m_area)
                setGeometry(m_area->rect());
            break;
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
            scheduleRefresh();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void WelcomePane::scheduleRefresh() {
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        refresh();
    });
}

void WelcomePane::refresh() {
    auto* mdi = qobject_cast<QMdiArea*>(m_area);
    bool windows = false;
    if (mdi) {
        for (QMdiSubWindow* window : mdi->subWindowList()) {
            auto* child = qobject_cast<MdiChildFrame*>(window);
            if (!child || !child->isBeingDestroyed())
                windows = true;
        }
    }
    if (windows) {
        hide();
        return;
    }
    const bool wasHidden = isHidden();
    // The keys are the commands' own, so the buttons show what the menus show.
    const QString texts[3] = {QStringLiteral("New card document"), QStringLiteral("Open a card document..."),
                              QStringLiteral("Import from another password manager or browser...")};
    for (int i = 0; i < 3; ++i) {
        const int id = m_commandButtons[i]->property("commandId").toInt();
        const QString key = keyText(m_frame.commandAction(id));
        m_commandButtons[i]->setText(key.isEmpty() ? texts[i] : texts[i] + QStringLiteral("    ") + key);
    }
    fillRecentFiles();
    setGeometry(m_area->rect());
    show();
    raise();
    if (wasHidden && m_frame.isActiveWindow())
        m_commandButtons.front()->setFocus(Qt::TabFocusReason);  // with its focus frame: keys act on it
}

void WelcomePane::fillRecentFiles() {
    qDeleteAll(m_recentButtons);
    m_recentButtons.clear();
    DocManager* manager = m_frame.docManager();
    const int count = manager ? manager->recentFiles().count() : 0;
    m_recentTitle->setVisible(count > 0);
    for (int i = 0; i < count; ++i) {
        const QString path = manager->recentFiles().at(i);
        // "&1" makes Alt+1 press it, as the key the text shows.
        auto* button = new WelcomeButton(
            QStringLiteral("&%1  %2    Alt+%1").arg(i + 1).arg(QDir::toNativeSeparators(path).replace('&', "&&")),
            this);
        button->setToolTip(path);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (QAction* action = m_frame.commandAction(cmd::FileMru1 + i))
                action->trigger();
        });
        m_recentLayout->addWidget(button);
        m_recentButtons << button;
    }
}
