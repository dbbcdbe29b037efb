// The main window is left where it was put: its place, size, maximized state and the card list's
// width come back at the next start, and a place no screen shows any more does not.

#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedHarness.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/ChildFrame.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/WindowPlacement.h"

namespace {

// What one run of the program leaves in the settings for the next.
struct Placement {
    std::string geometry;
    int listWidth = 0;
};

Placement leftBehind(const Harness& h) {
    return {readSetting(*h.settings, settings::kWindowGeometry), readSetting(*h.settings, settings::kCardListWidth)};
}

auto restarting(const Placement& p) {
    return [p](MemorySettings& s) {
        writeSetting(s, settings::kWindowGeometry, p.geometry);
        writeSetting(s, settings::kCardListWidth, p.listWidth);
    };
}

CChildFrame* cardWindow(const Harness& h) { return qobject_cast<CChildFrame*>(h.frame()->activeChildFrame()); }

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void placeAndSizeComeBack();
    void maximizedComesBack();
    void placeOffEveryScreenIsBroughtBack();
    void damagedSettingsKeepTheFirstStartSize_data();
    void damagedSettingsKeepTheFirstStartSize();
    void firstStartFitsTheScreen_data();
    void firstStartFitsTheScreen();
    void cardListWidthComesBack();
};

void WindowPlacementTest::placeAndSizeComeBack() {
    Placement left;
    {
        Harness h;
        h.frame()->setGeometry(QRect(40, 30, 600, 420));
        QVERIFY(h.frame()->close());
        left = leftBehind(h);
    }
    QVERIFY(!left.geometry.empty());
    Harness h({}, restarting(left));
    QCOMPARE(h.frame()->geometry(), QRect(40, 30, 600, 420));
    QVERIFY(!h.frame()->isMaximized());
}

void WindowPlacementTest::maximizedComesBack() {
    Placement left;
    {
        Harness h;
        h.frame()->setGeometry(QRect(40, 30, 600, 420));
        h.frame()->showMaximized();
        QVERIFY(h.frame()->close());
        left = leftBehind(h);
    }
    Harness h({}, restarting(left));
    QVERIFY(h.frame()->isMaximized());
    QCOMPARE(h.frame()->normalGeometry(), QRect(40, 30, 600, 420));  // where it goes when restored
}

void WindowPlacementTest::placeOffEveryScreenIsBroughtBack() {
    // Left on a second screen to the right that is gone now.
    Placement left;
    {
        Harness h;
        h.frame()->setGeometry(QRect(5000, 3000, 600, 420));
        QVERIFY(h.frame()->close());
        left = leftBehind(h);
    }
    Harness h({}, restarting(left));
    // Its title bar, where it is grabbed, is on the one screen there is.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = h.frame()->frameGeometry();
    QVERIFY2(screen.contains(frame.topLeft()) && screen.contains(QPoint(frame.center().x(), frame.top())),
             qPrintable(QStringLiteral("%1 on %2").arg(QDebug::toString(frame), QDebug::toString(screen))));
    QCOMPARE(h.frame()->size(), QSize(600, 420));
}

void WindowPlacementTest::damagedSettingsKeepTheFirstStartSize_data() {
    QTest::addColumn<QString>("geometry");
    QTest::newRow("none") << QString();
    QTest::newRow("not base64") << QStringLiteral("%%% not a geometry %%%");
    QTest::newRow("base64 of something else") << QStringLiteral("aGVsbG8gd29ybGQ=");
}

void WindowPlacementTest::damagedSettingsKeepTheFirstStartSize() {
    QFETCH(QString, geometry);
    Harness h({}, [&](MemorySettings& s) {
        if (!geometry.isEmpty()) {
            writeSetting(s, settings::kWindowGeometry, geometry.toStdString());
        }
    });
    const QRect first = placement::firstStartGeometry(QGuiApplication::primaryScreen()->availableGeometry(),
                                                      QSize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight));
    QCOMPARE(h.frame()->geometry(), first);
    QVERIFY(h.prompter.unexpected.isEmpty());
}

// The first start takes a share of the screen's free area, centred, never below 650x480 unless the
// screen itself is smaller.
void WindowPlacementTest::firstStartFitsTheScreen_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("1280x1024 under a panel") << QRect(0, 24, 1280, 1000) << QRect(192, 174, 896, 700);
    QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << QRect(288, 162, 1344, 756);
    QTest::newRow("second screen to the right") << QRect(1920, 0, 2560, 1440) << QRect(2304, 216, 1792, 1008);
    QTest::newRow("800x600: the smallest size") << QRect(0, 0, 800, 600) << QRect(75, 60, 650, 480);
    QTest::newRow("640x400: the whole area") << QRect(0, 0, 640, 400) << QRect(0, 0, 640, 400);
}

void WindowPlacementTest::firstStartFitsTheScreen() {
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QCOMPARE(placement::firstStartGeometry(available, QSize(CMainFrame::kDefaultWidth, CMainFrame::kDefaultHeight)),
             expected);
}

void WindowPlacementTest::cardListWidthComesBack() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("cards.qvf"));
    writeCardFile(file, {{0, "Bank"}});
    Placement left;
    {
        Harness h;
        QVERIFY(h.open(file));
        CChildFrame* window = cardWindow(h);
        QVERIFY(window);
        QTRY_COMPARE(window->splitter()->sizes().value(1), CChildFrame::kListWidth);  // the first start's width
        // Drag the handle 60 pixels to the left: the list grows.
        QSplitterHandle* handle = window->splitter()->handle(1);
        const QPoint grip(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip - QPoint(60, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(60, 0));
        QCOMPARE(window->splitter()->sizes().value(1), CChildFrame::kListWidth + 60);
        QVERIFY(h.frame()->close());
        left = leftBehind(h);
    }
    QCOMPARE(left.listWidth, CChildFrame::kListWidth + 60);
    {
        Harness h({}, restarting(left));
        QVERIFY(h.open(file));
        QTRY_COMPARE(cardWindow(h)->splitter()->sizes().value(1), CChildFrame::kListWidth + 60);
    }
    // A width no list can have is taken for a damaged setting.
    Harness h({}, restarting({left.geometry, -5}));
    QVERIFY(h.open(file));
    QTRY_COMPARE(cardWindow(h)->splitter()->sizes().value(1), CChildFrame::kListWidth);
}

QTEST_MAIN(WindowPlacementTest)
#include "WindowPlacementTest.moc"
