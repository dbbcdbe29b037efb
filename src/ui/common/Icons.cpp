#include "ui/common/Icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include "ui/frame/CommandIds.h"

// The pictures live in res/icons.qrc, compiled into this static library: the linker keeps them
// only when they are registered by name.
static void initIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace icons {
namespace {

const QColor kInk(40, 40, 60);

// One of the program's own pictures (res/icons), drawn as SVG so that it stays sharp at any scale.
QIcon own(const char* name) {
    initIconResources();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

// The picture of the user's icon theme by its freedesktop name, our own where the theme has none.
QIcon themed(const char* themeName, const char* fallback) {
    return QIcon::fromTheme(QLatin1String(themeName), own(fallback));
}

QIcon blank() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    return QIcon(pm);
}

void cardShape(QPainter& p, QRectF r, const QColor& band) {
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(r, 3, 3);
    p.fillRect(QRectF(r.left() + 1, r.top() + 4, r.width() - 2, 4), band);
    p.drawLine(QPointF(r.left() + 4, r.top() + 13), QPointF(r.right() - 4, r.top() + 13));
    p.drawLine(QPointF(r.left() + 4, r.top() + 17), QPointF(r.right() - 8, r.top() + 17));
}

}  // namespace

QIcon app() { return own("quorvane"); }
QIcon closedFolder() { return themed("folder", "folder"); }
QIcon openFolder() { return themed("folder-open", "folder-open"); }
QIcon card() { return own("card"); }
QIcon encrypted() { return own("lock-closed"); }
QIcon plain() { return own("lock-open"); }
QIcon reveal() { return own("reveal"); }
QIcon editUrl() { return own("edit-url"); }
QIcon encryptedButton() { return own("document-locked"); }
QIcon passwordSetButton() { return own("key-set"); }

QIcon toolbar(int id) {
    switch (id) {
        case cmd::FileNew:
            return themed("document-new", "document-new");
        case cmd::FileOpen:
            return themed("document-open", "folder-open");
        case cmd::FileSave:
            return themed("document-save", "document-save");
        case cmd::EncryptOnSaveButton:
        case cmd::FeDecryptFileButton:
            return own("document-unlocked");
        case cmd::CopyPassword:
        case cmd::FeSetPasswordButton:
            return own("key");
        case cmd::EditCut:
            return themed("edit-cut", "edit-cut");
        case cmd::EditPaste:
            return themed("edit-paste", "edit-paste");
        case cmd::EditCopy:
            return themed("edit-copy", "edit-copy");
        case cmd::FilePrint:
            return themed("document-print", "document-print");
        case cmd::LaunchBrowserButton:
            return themed("web-browser", "web-browser");
        case cmd::LoadWebPageButton:
            return own("web-load");
        case cmd::GetWebPageButton:
            return own("web-get");
        case cmd::NewCardButton:
            return own("card-new");
        case cmd::DeleteCardButton:
            return own("card-delete");
        case cmd::UpdateCardButton:
            return own("card-update");
        case cmd::FindButton:
            return themed("edit-find", "edit-find");
        case cmd::FileEncryptionButton:
            return own("folder-locked");
        case cmd::OnlineDocumentation:
            return themed("help-contents", "help-contents");
        case cmd::AppAbout:
            return themed("help-about", "help-about");
        case cmd::FeClearPasswordButton:
            return own("key-clear");
        case cmd::FeEncryptFileButton:
            return encryptedButton();
        case cmd::FeShowEncryptedOnly:
            return own("show-encrypted");
        case cmd::FeShowAllFiles:
            return own("show-all-files");
        case cmd::FeCardViewButton:
            return card();
        default:
            return blank();
    }
}

QPixmap splash() {
    QPixmap pm(400, 240);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, QColor(30, 50, 110));
    sky.setColorAt(1, QColor(90, 130, 200));
    p.fillRect(pm.rect(), sky);
    p.drawPixmap(30, 60, app().pixmap(96, 96));
    QFont f = p.font();
    f.setPixelSize(44);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(140, 60, 250, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quorvane"));
    f.setPixelSize(15);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(142, 118, 250, 40), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Your passwords, on cards."));
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return pm;
}

QPixmap emailAddress() {
    QPixmap pm(190, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 160));
    p.drawText(pm.rect(), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("info@quorvane.example.org"));
    return pm;
}

QPixmap aboutBanner() {
    // A fan of three cards.
    QPixmap pm(96, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.4));
    const QColor bands[3] = {QColor(170, 60, 60), QColor(60, 140, 80), QColor(60, 90, 170)};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(30 + i * 18, 26);
        p.rotate(-15 + i * 15);
        cardShape(p, QRectF(-16, -12, 32, 24), bands[i]);
        p.restore();
    }
    return pm;
}

}  // namespace icons
