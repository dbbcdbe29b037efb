// The pictures of the toolbars and menus: every button has one that stays sharp when scaled, and
// the icon theme's picture is taken by its freedesktop name where the theme has one.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "ScriptedHarness.h"
#include "ui/common/Icons.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

// Some pixel of the picture is not transparent.
bool drawsSomething(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) {
                return true;
            }
        }
    }
    return false;
}

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Puts the icon themes of `searchPath` in force, `theme` the chosen one, for the life of the object.
class ThemeInForce {
public:
    ThemeInForce(const QString& searchPath, const QString& theme)
        : m_searchPaths(QIcon::themeSearchPaths()), m_theme(QIcon::themeName()) {
        QIcon::setThemeSearchPaths({searchPath});
        QIcon::setThemeName(theme);
    }
    ~ThemeInForce() {
        QIcon::setThemeName(m_theme);
        QIcon::setThemeSearchPaths(m_searchPaths);
    }

private:
    QStringList m_searchPaths;
    QString m_theme;
};

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT
private slots:
    void everyButtonHasASharpPicture();
    void themePicturesByTheirNames_data();
    void themePicturesByTheirNames();
};

void IconsTest::everyButtonHasASharpPicture() {
    // Our own pictures: no theme holds any of them.
    QTemporaryDir empty;
    ThemeInForce none(empty.path(), QStringLiteral("none"));
    Harness h;
    for (QToolBar* bar : {h.frame()->mainToolBar(), h.frame()->fileViewToolBar()}) {
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            const QString id = QString::number(action->data().toInt());
            // Drawn for twice the toolbar's size: a 32-pixel bitmap would come back at 32.
            const QPixmap picture = action->icon().pixmap(QSize(64, 64));
            QVERIFY2(picture.size() == QSize(64, 64), qPrintable(id));
            QVERIFY2(drawsSomething(picture.toImage()), qPrintable(id));
        }
    }
    for (const QIcon& icon : {icons::app(), icons::card(), icons::encrypted(), icons::plain(), icons::closedFolder(),
                              icons::openFolder(), icons::reveal(), icons::editUrl(), icons::passwordSetButton()}) {
        QVERIFY(drawsSomething(icon.pixmap(QSize(64, 64)).toImage()));
    }
}

void IconsTest::themePicturesByTheirNames_data() {
    QTest::addColumn<int>("commandId");
    QTest::addColumn<QString>("themeName");  // empty: our own picture
    QTest::newRow("in the theme") << int(cmd::FileNew) << QStringLiteral("document-new");
    QTest::newRow("missing from the theme") << int(cmd::FileSave) << QString();
    QTest::newRow("no theme has it") << int(cmd::NewCardButton) << QString();
}

void IconsTest::themePicturesByTheirNames() {
    QFETCH(int, commandId);
    QFETCH(QString, themeName);
    // A theme holding document-new and, under the name of our own card picture, card-new.
    QTemporaryDir themes;
    write(themes.filePath("test/index.theme"),
          "[Icon Theme]\nName=Test\nDirectories=scalable\n\n[scalable]\nSize=32\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\">"
                           "<rect width=\"32\" height=\"32\" fill=\"#ff0000\"/></svg>";
    write(themes.filePath("test/scalable/document-new.svg"), svg);
    write(themes.filePath("test/scalable/card-new.svg"), svg);
    ThemeInForce test(themes.path(), QStringLiteral("test"));

    const QIcon icon = icons::toolbar(commandId);
    QCOMPARE(icon.name(), themeName);
    const QImage image = icon.pixmap(QSize(32, 32)).toImage();
    QVERIFY(drawsSomething(image));
    QCOMPARE(image.pixelColor(16, 16) == QColor(Qt::red), !themeName.isEmpty());
}

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
