#include "ui/print/CardPrinter.h"

#include <QDate>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"

namespace {

int widestCharacter(const QFontMetrics& font) {
    // Of the characters a card can hold: the printable ones of Windows-1252.
    int widest = 1;
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        const QString c = fromCardText(std::string(1, static_cast<char>(byte)));
        if (c.size() == 1 && c[0].isPrint()) {
            widest = std::max(widest, font.horizontalAdvance(c));
        }
    }
    return widest;
}

// The device's font as it is, but with every character drawn on its own: ligatures ("fl" drawn as
// one sign) would come back from the printout as other characters.
QFont printFont(QFont font) {
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

}  // namespace

PageMetrics measurePrinter(const QPrinter& printer, const QFontMetrics& font) {
    PageMetrics m;
    // The painter's origin is the printable area's corner, so that area is the page.
    m.pageWidth = printer.width();
    m.pageHeight = printer.height();
    m.dpiX = printer.logicalDpiX();
    m.dpiY = printer.logicalDpiY();
    m.lineHeight = font.height();
    m.charWidth = widestCharacter(font);
    return m;
}

static QString todayText() { return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat); }

int printedPageCount(const QPrinter& printer, const QList<PrintCard>& cards, bool printNotes, const QString& title) {
    // A painter on a printer starts with the application's font at the printer's resolution.
    const QFontMetrics font(printFont(QFont()), &printer);
    return static_cast<int>(layoutPrintPages(cards, measurePrinter(printer, font), printNotes, title, todayText(),
                                             [&font](const QString& text) { return font.horizontalAdvance(text); })
                                .size());
}

bool printCards(QPrinter& printer, const QList<PrintCard>& cards, bool printNotes, const QString& title,
                bool preview) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        guiPrompter().message(QStringLiteral("Could not start print job."));
        return false;
    }
    painter.setFont(printFont(painter.font()));
    const QFontMetrics font = painter.fontMetrics();
    const PageMetrics metrics = measurePrinter(printer, font);
    const QList<PrintPage> pages = layoutPrintPages(cards, metrics, printNotes, title, todayText(),
                                                    [&font](const QString& text) { return font.horizontalAdvance(text); });

    const int pageCount = static_cast<int>(pages.size());
    const bool ranged = !preview && printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int first = ranged ? std::min(printer.fromPage(), pageCount) : 1;
    const int last = ranged && printer.toPage() > 0 ? std::clamp(printer.toPage(), first, pageCount) : pageCount;
    // The sheets in the order asked for: the page range, last page first when reversed, and the
    // copies a printer cannot make itself, collated or page by page.
    QList<int> range;
    for (int k = first; k <= last; ++k) {
        range << k;
    }
    if (!preview && printer.pageOrder() == QPrinter::LastPageFirst) {
        std::reverse(range.begin(), range.end());
    }
    const int copies = preview || printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    QList<int> sheets;
    for (int i = 0; i < copies * range.size(); ++i) {
        sheets << (printer.collateCopies() ? range[i % range.size()] : range[i / copies]);
    }
    for (qsizetype s = 0; s < sheets.size(); ++s) {
        if (s > 0 && !printer.newPage()) {
            painter.end();
            guiPrompter().message(QStringLiteral("Could not start print job."));
            return false;
        }
        for (const PrintLine& line : pages[sheets[s] - 1]) {
            // A line's y is the top of its text; the painter draws from the baseline.
            painter.drawText(line.x, line.y + font.ascent(), line.text);
        }
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error) {
        guiPrompter().message(QStringLiteral("Could not start print job."));
        return false;
    }
    return true;
}
