#include "docview/MdiWindowList.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>

namespace {
// The list's own entries carry this property, so a refill removes exactly them.
constexpr const char* kListEntry = "mdiWindowListEntry";
}  // namespace

MdiWindowList::MdiWindowList(QMdiArea* area, QWidget* window) : QObject(window), m_area(area) {
    m_next = new QAction(QStringLiteral("Next Window"), window);
    m_next->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::Key_Tab)});
    m_previous = new QAction(QStringLiteral("Previous Window"), window);
    m_previous->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)});
    for (QAction* action : {m_next, m_previous}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    connect(m_next, &QAction::triggered, this, &MdiWindowList::activateNext);
    connect(m_previous, &QAction::triggered, this, &MdiWindowList::activatePrevious);
}

QList<QMdiSubWindow*> MdiWindowList::windows() const {
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* window : m_area->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isHidden() || window->isMinimized()) {
            shown.append(window);
        }
    }
    return shown;
}

QString MdiWindowList::menuText(int index) const {
    const QList<QMdiSubWindow*> all = windows();
    if (index < 0 || index >= all.size()) {
        return QString();
    }
    QString title = all.at(index)->windowTitle();
    title.replace('&', QStringLiteral("&&"));
    // Windows 1-9 get their digit as the mnemonic; later ones are listed without one.
    return index < 9 ? QStringLiteral("&%1 %2").arg(index + 1).arg(title)
                     : QStringLiteral("%1 %2").arg(index + 1).arg(title);
}

void MdiWindowList::attachMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { refill(menu); });
    refill(menu);
}

void MdiWindowList::refill(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (action->property(kListEntry).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    }
    const QList<QMdiSubWindow*> all = windows();
    if (all.isEmpty()) {
        return;
    }
    QAction* separator = menu->addSeparator();
    separator->setProperty(kListEntry, true);
    QMdiSubWindow* active = m_area->activeSubWindow();
    for (int i = 0; i < all.size(); ++i) {
        QAction* entry = menu->addAction(menuText(i));
        entry->setProperty(kListEntry, true);
        entry->setCheckable(true);
        entry->setChecked(all.at(i) == active);
        QPointer<QMdiSubWindow> window = all.at(i);
        connect(entry, &QAction::triggered, this, [this, window] {
            if (window) {
                if (window->isMinimized()) {
                    window->showNormal();
                }
                m_area->setActiveSubWindow(window);
            }
        });
    }
}

void MdiWindowList::cycle(int step) {
    const QList<QMdiSubWindow*> all = windows();
    if (all.size() < 2) {
        return;
    }
    const int at = static_cast<int>(all.indexOf(m_area->activeSubWindow()));
    const int count = static_cast<int>(all.size());
    m_area->setActiveSubWindow(all.at(((at < 0 ? 0 : at) + step + count) % count));
}

void MdiWindowList::activateNext() { cycle(1); }

void MdiWindowList::activatePrevious() { cycle(-1); }

void MdiWindowList::arrangeIcons() {
    // Rows fill from the bottom left; a row that is full starts another above it.
    const int width = m_area->viewport()->width();
    const int height = m_area->viewport()->height();
    int x = 0;
    int rowTop = -1;
    for (QMdiSubWindow* window : m_area->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isMinimized()) {
            continue;
        }
        const QSize size = window->size();
        if (rowTop < 0) {
            rowTop = height - size.height();
        } else if (x > 0 && x + size.width() > width) {
            x = 0;
            rowTop -= size.height();
        }
        window->move(x, rowTop);
        x += size.width();
    }
}
