#pragma once
// Where every text of a card printout goes: the cards in print order, the page's margins, and the
// lines of each page with their device positions. Nothing here touches a printer; the printing
// code measures the page and the font, asks for the lines and draws them.
//
// A page has a header (the product name at the left margin, the document's title ending near the
// right margin), a footer (page number and today's date) and below the header the cards as
// blocks: the category name, the four labels with their fields, and with notes on, "Notes" and the
// note's lines. Blocks start 3 character widths below the top margin, one line apart.
//
// Cards per page: a page holds as many blocks as fit between the top margin and the footer line;
// for blocks of the usual size (8 lines with notes, 5 without) that is cardsPerPage(). A block is
// taller when its note needs more than two lines or a field is wider than the page: it then goes
// to the next page if the rest of this one cannot hold it, and a block taller than a whole page
// runs on over the pages that follow. No text is ever drawn below the footer line or beyond the
// right margin, and no text is left out.

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class CardStore;

/// One card as it is printed.
struct PrintCard {
    QString categoryName;
    std::array<QString, 4> labels;
    int labelWidth = 0;  // characters in the longest label
    std::array<QString, 4> fields;
    QString note;
};

/// The cards of categories 0-14 in that order, each category's cards in list order; the "ATM/PIN
/// Cards" only with `printAtm`. With `onlyCategoryId` 0-14 just that category's cards.
QList<PrintCard> buildPrintList(const CardStore& store, bool printAtm, int onlyCategoryId = -1);

/// What the printing code measured.
struct PageMetrics {
    int pageWidth = 0;   // the printable page, device pixels
    int pageHeight = 0;
    int dpiX = 0;
    int dpiY = 0;
    int lineHeight = 0;  // the font's height
    int charWidth = 0;   // the font's widest character
};

/// The page's frame derived from the metrics.
struct PageFrame {
    int leftMargin = 0;
    int topMargin = 0;
    int rightMargin = 0;
    int bottomMargin = 0;
    int firstCardY = 0;  // where the first block of a page starts
    int footerY = 0;     // the footer line; every block line ends above it
    int rows = 0;        // lines that fit from firstCardY down to the footer line (at least 1)
};

PageFrame pageFrameFor(const PageMetrics& metrics);

/// Blocks of the usual size that fit on a page: 8 lines every 9 with notes, 5 every 6 without.
int cardsPerPage(const PageMetrics& metrics, bool printNotes);

/// The lines a note prints as: cut at a blank near 70 characters (the first line ends before index
/// 70 at the last blank, or at 70 when there is none), again and again, each following line
/// without its leading blanks. Line breaks in the note start a new line. At least two lines.
QStringList noteLines(const QString& note);

/// One text at a device position; `y` is the top of its line.
struct PrintLine {
    int x = 0;
    int y = 0;
    QString text;
    bool operator==(const PrintLine&) const = default;
};
using PrintPage = QList<PrintLine>;

/// The device width of a text; without one, every character counts as `charWidth`.
using TextWidth = std::function<int(const QString&)>;

/// The pages of the printout (at least one: with no cards, a page with header and footer only).
QList<PrintPage> layoutPrintPages(const QList<PrintCard>& cards, const PageMetrics& metrics, bool printNotes,
                                  const QString& title, const QString& date, const TextWidth& width = {});
