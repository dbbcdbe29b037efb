#include "ui/print/PrintLayout.h"

#include <algorithm>

#include "cardstore/CardStore.h"
#include "cardstore/Categories.h"
#include "otp/OneTimeCode.h"
#include "ui/common/QtText.h"

namespace {

constexpr int kNoteLimit = 70;       // note lines are cut near this many characters
constexpr int kFooterRise = 210;     // the footer line sits this many device units above the bottom margin
constexpr int kBlockLines = 5;       // name and four fields
constexpr int kNoteBlockLines = 8;   // ... and "Notes" with two note lines
const QString kProductName = QStringLiteral("Quorvane");
const QString kNotesLabel = QStringLiteral("Notes");

// Where a note line of 70 characters or more is cut: at 70 or 69 when that is a blank, else at the
// last blank before, else at 70.
int noteCut(const QString& text) {
    if (text.size() > kNoteLimit && text[kNoteLimit] == QLatin1Char(' ')) {
        return kNoteLimit;
    }
    if (text[kNoteLimit - 1] == QLatin1Char(' ')) {
        return kNoteLimit - 1;
    }
    for (int i = kNoteLimit - 2; i >= 1; --i) {
        if (text[i] == QLatin1Char(' ')) {
            return i;
        }
    }
    return kNoteLimit;
}

QString withoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' ')) {
        ++i;
    }
    return text.mid(i);
}

// The lines of a text with line breaks (LF or CR LF); trailing empty lines are dropped.
QStringList paragraphs(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    while (lines.size() > 1 && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// Cuts a text into pieces no wider than `available`, each at least one character. With `atBlanks`
// a piece ends before the last blank that lets it fit, and the next starts after the blanks;
// otherwise (or without such a blank) the text is cut where the width runs out, dropping nothing.
QStringList fitWidth(const QString& text, int available, const TextWidth& width, bool atBlanks) {
    if (text.isEmpty() || width(text) <= available) {
        return {text};
    }
    auto fits = [&](const QString& rest, qsizetype length) { return width(rest.left(length)) <= available; };
    QStringList pieces;
    QString rest = text;
    while (!rest.isEmpty()) {
        // The longest start of the rest that fits (widths grow with the length): doubling, then
        // halving the gap, so a long text costs a few measurements of about one line each.
        qsizetype fit = 0;
        qsizetype over = 0;
        for (qsizetype probe = 1;; probe = std::min(probe * 2, rest.size())) {
            if (!fits(rest, probe)) {
                over = probe;
                break;
            }
            fit = probe;
            if (probe == rest.size()) {
                break;
            }
        }
        if (fit == rest.size()) {
            pieces << rest;
            break;
        }
        while (over - fit > 1) {
            const qsizetype mid = fit + (over - fit) / 2;
            (fits(rest, mid) ? fit : over) = mid;
        }
        fit = std::max<qsizetype>(fit, 1);
        const qsizetype blank = atBlanks ? rest.lastIndexOf(QLatin1Char(' '), fit) : -1;
        if (blank >= 1) {
            pieces << rest.left(blank);
            rest = withoutLeadingBlanks(rest.mid(blank));
        } else {
            pieces << rest.left(fit);
            rest = rest.mid(fit);
        }
    }
    return pieces;
}

struct Row {
    QList<PrintLine> texts;  // y left at 0: the row's place on the page is decided later
};

void addText(Row& row, int x, const QString& text) {
    if (!text.isEmpty()) {
        row.texts.append({x, 0, text});
    }
}

QList<Row> cardRows(const PrintCard& card, const PageFrame& frame, const PageMetrics& m, bool printNotes,
                    const TextWidth& width) {
    QList<Row> rows;
    Row name;
    addText(name, frame.leftMargin, card.categoryName);
    rows << name;

    const int x0 = frame.leftMargin + 2 * m.charWidth;
    const int valueX = x0 + card.labelWidth * m.charWidth;
    for (int i = 0; i < 4; ++i) {
        QStringList pieces;
        for (const QString& line : paragraphs(card.fields[i])) {
            pieces << fitWidth(line, frame.rightMargin - valueX, width, false);
        }
        for (qsizetype p = 0; p < pieces.size(); ++p) {
            Row row;
            if (p == 0) {
                addText(row, x0, card.labels[i]);
            }
            addText(row, valueX, pieces[p]);
            rows << row;
        }
    }
    if (printNotes) {
        Row notes;
        addText(notes, x0, kNotesLabel);
        rows << notes;
        for (const QString& line : noteLines(card.note)) {
            for (const QString& piece : fitWidth(line, frame.rightMargin - x0, width, true)) {
                Row row;
                addText(row, x0, piece);
                rows << row;
            }
        }
    }
    return rows;
}

PrintPage headerAndFooter(int pageNumber, const PageFrame& frame, const PageMetrics& m, const QString& title,
                          const QString& date, const TextWidth& width) {
    PrintPage page;
    // The title ends near the right margin, but never starts over the product name.
    const int titleX = std::max(frame.rightMargin - m.charWidth * static_cast<int>(title.size()),
                                frame.leftMargin + width(kProductName) + m.charWidth);
    page.append({titleX, frame.topMargin, title});
    page.append({frame.leftMargin, frame.topMargin, kProductName});
    page.append({(frame.rightMargin - frame.leftMargin) / 2, frame.footerY, QString::number(pageNumber)});
    page.append({frame.rightMargin - m.charWidth * static_cast<int>(date.size()), frame.footerY, date});
    return page;
}

PageMetrics usable(PageMetrics m) {
    m.lineHeight = std::max(m.lineHeight, 1);
    m.charWidth = std::max(m.charWidth, 1);
    return m;
}

}  // namespace

QList<PrintCard> buildPrintList(const CardStore& store, bool printAtm, int onlyCategoryId) {
    const int atmId = categoryIdForDisplayName("ATM/PIN Cards");
    QList<PrintCard> cards;
    for (int id = 0; id < kCategoryCount; ++id) {
        if ((id == atmId && !printAtm) || (onlyCategoryId >= 0 && id != onlyCategoryId)) {
            continue;
        }
        const CardList* list = store.GetCategoryList(id);
        Labels labels;
        const int labelWidth = store.GetLabelsForCategoryId(id, labels);
        for (int i = 0; list && i < list->GetCardCount(); ++i) {
            const Card* card = list->GetCardAt(i);
            PrintCard printed;
            printed.categoryName = QString::fromStdString(categoryDisplayName(id));
            printed.labelWidth = labelWidth;
            for (int f = 0; f < 4; ++f) {
                printed.labels[f] = fromCardText(labels[f]);
            }
            printed.fields = {fromCardText(card->firstField), fromCardText(card->secondField),
                              fromCardText(card->thirdField), fromCardText(card->fourthField)};
            printed.note = fromCardText(otp::noteForDisplay(card->note));  // never a code's secret
            cards << printed;
        }
    }
    return cards;
}

PageFrame pageFrameFor(const PageMetrics& metrics) {
    const PageMetrics m = usable(metrics);
    PageFrame f;
    f.leftMargin = m.dpiX / 2;
    f.topMargin = m.dpiY / 3;
    f.rightMargin = m.pageWidth - m.dpiX / 2;
    f.bottomMargin = m.pageHeight - m.dpiY / 2;
    f.firstCardY = f.topMargin + 3 * m.charWidth;
    f.footerY = f.bottomMargin - kFooterRise;
    f.rows = std::max(1, (f.footerY - f.firstCardY) / m.lineHeight);
    return f;
}

int cardsPerPage(const PageMetrics& metrics, bool printNotes) {
    const PageMetrics m = usable(metrics);
    const int rows = std::max(0, (pageFrameFor(m).footerY - pageFrameFor(m).firstCardY) / m.lineHeight);
    const int blockLines = printNotes ? kNoteBlockLines : kBlockLines;
    return rows < blockLines ? 0 : (rows - blockLines) / (blockLines + 1) + 1;
}

QStringList noteLines(const QString& note) {
    QStringList lines;
    for (const QString& paragraph : paragraphs(note)) {
        QString rest = paragraph;
        while (rest.size() >= kNoteLimit) {
            const int cut = noteCut(rest);
            lines << rest.left(cut);
            rest = withoutLeadingBlanks(rest.mid(cut));
            if (rest.isEmpty()) {
                break;
            }
        }
        if (!rest.isEmpty() || lines.isEmpty() || paragraph.isEmpty()) {
            lines << rest;
        }
    }
    while (lines.size() < 2) {
        lines << QString();
    }
    return lines;
}

QList<PrintPage> layoutPrintPages(const QList<PrintCard>& cards, const PageMetrics& metrics, bool printNotes,
                                  const QString& title, const QString& date, const TextWidth& width) {
    const PageMetrics m = usable(metrics);
    const TextWidth measure =
        width ? width : [&m](const QString& text) { return m.charWidth * static_cast<int>(text.size()); };
    const PageFrame frame = pageFrameFor(m);

    QList<PrintPage> pages;
    PrintPage page = headerAndFooter(1, frame, m, title, date, measure);
    int row = 0;
    auto nextPage = [&] {
        pages << page;
        page = headerAndFooter(static_cast<int>(pages.size()) + 1, frame, m, title, date, measure);
        row = 0;
    };
    for (const PrintCard& card : cards) {
        const QList<Row> rows = cardRows(card, frame, m, printNotes, measure);
        // A block that the rest of the page cannot hold starts on the next one.
        if (row > 0 && row + rows.size() > frame.rows) {
            nextPage();
        }
        for (const Row& r : rows) {
            if (row >= frame.rows) {
                nextPage();
            }
            for (PrintLine line : r.texts) {
                line.y = frame.firstCardY + row * m.lineHeight;
                page.append(line);
            }
            ++row;
        }
        ++row;  // a blank line between blocks
    }
    pages << page;
    return pages;
}
