#include "ui/frame/WindowPlacement.h"

#include <QByteArray>
#include <QWidget>

#include "prefs/SettingKeys.h"

namespace placement {

QRect firstStartGeometry(const QRect& available, const QSize& smallest) {
    const QSize share(qRound(available.width() * kFirstStartShare), qRound(available.height() * kFirstStartShare));
    QRect r(QPoint(0, 0), share.expandedTo(smallest).boundedTo(available.size()));
    r.moveCenter(available.center());
    return r;
}

void restoreWindowGeometry(QWidget& window, const SettingsStore& settings) {
    const std::string text = readSetting(settings, settings::kWindowGeometry);
    if (text.empty()) {
        return;
    }
    const QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(text));
    // The toolkit refuses what is no saved geometry (the window keeps its first-start size), and
    // moves a window its screen would no longer show (a second screen gone, a smaller one) back
    // onto the screen, the primary one when its own is gone.
    window.restoreGeometry(geometry);
}

void saveWindowGeometry(const QWidget& window, SettingsStore& settings) {
    writeSetting(settings, settings::kWindowGeometry, window.saveGeometry().toBase64().toStdString());
}

}  // namespace placement
