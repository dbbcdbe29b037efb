#include "ui/common/QtText.h"

#include "common/Win1252.h"

QString fromCardText(const std::string& bytes) { return QString::fromStdString(win1252ToUtf8(bytes)); }

std::optional<std::string> toCardText(const QString& text, QString* error) {
    std::string out;
    std::string why;
    if (!utf8ToWin1252(text.toStdString(), out, &why)) {
        if (error) {
            *error = QString::fromStdString(why);
        }
        return std::nullopt;
    }
    return out;
}
