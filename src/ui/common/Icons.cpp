#include "ui/common/Icons.h"

#include <QFont>
#include <cmath>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "ui/frame/CommandIds.h"

namespace icons {
namespace {

constexpr int kSize = 32;
const QColor kInk(40, 40, 60);

QIcon drawn(const std::function<void(QPainter&)>& paint) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.6));
    paint(p);
    p.end();
    return QIcon(pm);
}

void page(QPainter& p, QRectF r, const QColor& fill = Qt::white) {
    QPainterPath path;
    const qreal fold = r.width() * 0.3;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void folder(QPainter& p, bool open) {
    p.setBrush(QColor(240, 200, 90));
    p.drawRoundedRect(QRectF(3, 9, 26, 19), 2, 2);
    p.drawRoundedRect(QRectF(3, 6, 11, 6), 2, 2);
    if (open) {
        QPainterPath flap;
        flap.moveTo(3, 28);
        flap.lineTo(8, 15);
        flap.lineTo(31, 15);
        flap.lineTo(27, 28);
        flap.closeSubpath();
        p.setBrush(QColor(252, 225, 130));
        p.drawPath(flap);
    }
}

void cardShape(QPainter& p, QRectF r, const QColor& band) {
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(r, 3, 3);
    p.fillRect(QRectF(r.left() + 1, r.top() + 4, r.width() - 2, 4), band);
    p.drawLine(QPointF(r.left() + 4, r.top() + 13), QPointF(r.right() - 4, r.top() + 13));
    p.drawLine(QPointF(r.left() + 4, r.top() + 17), QPointF(r.right() - 8, r.top() + 17));
}

void padlock(QPainter& p, bool closed, const QColor& body, QRectF r = QRectF(7, 14, 18, 15)) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 2.6));
    const qreal cx = r.center().x();
    QRectF shackle(cx - 6, r.top() - 9, 12, 16);
    if (closed) {
        p.drawArc(shackle, 0, 180 * 16);
        p.drawLine(QPointF(cx - 6, r.top() - 1), QPointF(cx - 6, r.top()));
        p.drawLine(QPointF(cx + 6, r.top() - 1), QPointF(cx + 6, r.top()));
    } else {
        shackle.translate(6, -3);
        p.drawArc(shackle, 0, 180 * 16);
        p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), r.top()));
    }
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(body);
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(cx, r.center().y() - 1), 2, 2);
}

void globe(QPainter& p, QRectF r) {
    p.setBrush(QColor(120, 180, 240));
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(r.width() * 0.3, 0, -r.width() * 0.3, 0));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& color) {
    p.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head({to + d * 3, to - d * 4 + n * 4, to - d * 4 - n * 4});
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(head);
    p.setPen(QPen(kInk, 1.6));
}

void badge(QPainter& p, const QString& sign, const QColor& color) {
    p.setBrush(color);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(17, 17, 14, 14));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    if (sign == "+") {
        p.drawLine(QPointF(20, 24), QPointF(28, 24));
        p.drawLine(QPointF(24, 20), QPointF(24, 28));
    } else if (sign == "-") {
        p.drawLine(QPointF(20, 24), QPointF(28, 24));
    } else {
        p.drawLine(QPointF(20, 28), QPointF(28, 20));
    }
    p.setPen(QPen(kInk, 1.6));
}

void magnifier(QPainter& p, QPointF c, qreal radius) {
    p.setBrush(QColor(210, 235, 255));
    p.drawEllipse(c, radius, radius);
    p.setPen(QPen(kInk, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.8, radius * 1.8));
    p.setPen(QPen(kInk, 1.6));
}

void key(QPainter& p) {
    p.setBrush(QColor(235, 190, 60));
    p.drawEllipse(QRectF(3, 10, 12, 12));
    p.drawRect(QRectF(14, 14, 15, 4));
    p.drawRect(QRectF(23, 18, 3, 5));
    p.drawRect(QRectF(18, 18, 3, 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6, 14, 4, 4));
}

void letter(QPainter& p, const QString& text, QRectF r, const QColor& bg) {
    p.setBrush(bg);
    p.drawEllipse(r);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(static_cast<int>(r.height() * 0.7));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.setPen(QPen(kInk, 1.6));
}

}  // namespace

QIcon app() {
    return drawn([](QPainter& p) {
        cardShape(p, QRectF(2, 4, 26, 20), QColor(60, 90, 170));
        padlock(p, true, QColor(235, 190, 60), QRectF(18, 21, 12, 10));
    });
}

QIcon closedFolder() {
    return drawn([](QPainter& p) { folder(p, false); });
}

QIcon openFolder() {
    return drawn([](QPainter& p) { folder(p, true); });
}

QIcon card() {
    return drawn([](QPainter& p) { cardShape(p, QRectF(3, 6, 26, 20), QColor(60, 90, 170)); });
}

QIcon encrypted() {
    return drawn([](QPainter& p) { padlock(p, true, QColor(90, 170, 90)); });
}

QIcon plain() {
    return drawn([](QPainter& p) { padlock(p, false, QColor(200, 200, 200)); });
}

QIcon reveal() {
    return drawn([](QPainter& p) {
        QPainterPath eye;
        eye.moveTo(2, 16);
        eye.quadTo(16, 2, 30, 16);
        eye.quadTo(16, 30, 2, 16);
        p.setBrush(Qt::white);
        p.drawPath(eye);
        p.setBrush(QColor(60, 110, 190));
        p.drawEllipse(QPointF(16, 16), 5, 5);
    });
}

QIcon editUrl() {
    return drawn([](QPainter& p) {
        // A one-line field with a pencil writing in it.
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2, 12, 28, 10));
        p.drawLine(QPointF(5, 17), QPointF(13, 17));
        QPainterPath pencil;
        pencil.moveTo(14, 24);
        pencil.lineTo(16, 18);
        pencil.lineTo(27, 4);
        pencil.lineTo(31, 7);
        pencil.lineTo(20, 21);
        pencil.closeSubpath();
        p.setBrush(QColor(235, 190, 60));
        p.drawPath(pencil);
    });
}

QIcon encryptedButton() {
    return drawn([](QPainter& p) {
        page(p, QRectF(3, 2, 18, 24));
        padlock(p, true, QColor(90, 170, 90), QRectF(15, 19, 14, 11));
    });
}

QIcon passwordSetButton() {
    return drawn([](QPainter& p) {
        key(p);
        // A green check: a password is in force.
        p.setBrush(QColor(40, 150, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(17, 17, 14, 14));
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 24), QPointF(23, 27));
        p.drawLine(QPointF(23, 27), QPointF(28, 20));
    });
}

QIcon toolbar(int id) {
    switch (id) {
        case cmd::FileNew:
            return drawn([](QPainter& p) {
                page(p, QRectF(6, 3, 20, 26));
                p.setPen(QPen(QColor(230, 160, 20), 2));
                p.drawLine(QPointF(4, 4), QPointF(10, 10));
                p.drawLine(QPointF(4, 10), QPointF(10, 4));
            });
        case cmd::FileOpen:
            return openFolder();
        case cmd::FileSave:
            return drawn([](QPainter& p) {
                p.setBrush(QColor(70, 100, 180));
                p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
                p.setBrush(Qt::white);
                p.drawRect(QRectF(9, 5, 14, 9));
                p.setBrush(QColor(200, 200, 210));
                p.drawRect(QRectF(10, 19, 12, 9));
            });
        case cmd::EncryptOnSaveButton:
            return drawn([](QPainter& p) {
                page(p, QRectF(3, 2, 18, 24));
                padlock(p, false, QColor(200, 200, 200), QRectF(15, 19, 14, 11));
            });
        case cmd::CopyPassword:
            return drawn(key);
        case cmd::EditCut:
            return drawn([](QPainter& p) {
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QRectF(5, 20, 8, 8));
                p.drawEllipse(QRectF(19, 20, 8, 8));
                p.setPen(QPen(kInk, 2));
                p.drawLine(QPointF(11, 21), QPointF(22, 3));
                p.drawLine(QPointF(21, 21), QPointF(10, 3));
            });
        case cmd::EditPaste:
            return drawn([](QPainter& p) {
                p.setBrush(QColor(190, 140, 80));
                p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
                p.setBrush(QColor(200, 200, 200));
                p.drawRect(QRectF(9, 3, 10, 5));
                page(p, QRectF(13, 12, 16, 18));
            });
        case cmd::EditCopy:
            return drawn([](QPainter& p) {
                page(p, QRectF(4, 3, 16, 20));
                page(p, QRectF(12, 10, 16, 20));
            });
        case cmd::FilePrint:
            return drawn([](QPainter& p) {
                page(p, QRectF(9, 2, 14, 12));
                p.setBrush(QColor(170, 170, 180));
                p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
                p.setBrush(Qt::white);
                p.drawRect(QRectF(9, 20, 14, 9));
            });
        case cmd::LaunchBrowserButton:
            return drawn([](QPainter& p) { globe(p, QRectF(3, 3, 26, 26)); });
        case cmd::LoadWebPageButton:
            return drawn([](QPainter& p) {
                globe(p, QRectF(10, 8, 20, 20));
                arrow(p, QPointF(2, 6), QPointF(14, 14), QColor(40, 140, 40));
            });
        case cmd::GetWebPageButton:
            return drawn([](QPainter& p) {
                globe(p, QRectF(2, 2, 20, 20));
                arrow(p, QPointF(16, 16), QPointF(27, 26), QColor(200, 100, 20));
            });
        case cmd::NewCardButton:
            return drawn([](QPainter& p) {
                cardShape(p, QRectF(2, 4, 24, 19), QColor(60, 90, 170));
                badge(p, "+", QColor(40, 150, 40));
            });
        case cmd::DeleteCardButton:
            return drawn([](QPainter& p) {
                cardShape(p, QRectF(2, 4, 24, 19), QColor(60, 90, 170));
                badge(p, "x", QColor(200, 40, 40));
            });
        case cmd::UpdateCardButton:
            return drawn([](QPainter& p) {
                cardShape(p, QRectF(2, 4, 24, 19), QColor(60, 90, 170));
                p.setPen(QPen(QColor(200, 120, 20), 4, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(16, 28), QPointF(29, 15));
            });
        case cmd::FindButton:
            return drawn([](QPainter& p) { magnifier(p, QPointF(12, 12), 8); });
        case cmd::FileEncryptionButton:
            return drawn([](QPainter& p) {
                folder(p, false);
                padlock(p, true, QColor(235, 190, 60), QRectF(18, 21, 12, 10));
            });
        case cmd::OnlineDocumentation:
            return drawn([](QPainter& p) { letter(p, QStringLiteral("?"), QRectF(4, 4, 24, 24), QColor(60, 120, 200)); });
        case cmd::AppAbout:
            return drawn([](QPainter& p) { letter(p, QStringLiteral("i"), QRectF(4, 4, 24, 24), QColor(40, 150, 120)); });
        case cmd::FeSetPasswordButton:
            return drawn(key);
        case cmd::FeClearPasswordButton:
            return drawn([](QPainter& p) {
                key(p);
                badge(p, "x", QColor(200, 40, 40));
            });
        case cmd::FeEncryptFileButton:
            return encryptedButton();
        case cmd::FeDecryptFileButton:
            return drawn([](QPainter& p) {
                page(p, QRectF(3, 2, 18, 24));
                padlock(p, false, QColor(200, 200, 200), QRectF(15, 19, 14, 11));
            });
        case cmd::FeShowEncryptedOnly:
            return drawn([](QPainter& p) {
                page(p, QRectF(5, 2, 18, 24));
                magnifier(p, QPointF(20, 20), 5);
            });
        case cmd::FeShowAllFiles:
            return drawn([](QPainter& p) {
                page(p, QRectF(3, 2, 14, 18));
                page(p, QRectF(9, 7, 14, 18));
                page(p, QRectF(15, 12, 14, 18));
            });
        case cmd::FeCardViewButton:
            return card();
        default:
            return drawn([](QPainter&) {});
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
