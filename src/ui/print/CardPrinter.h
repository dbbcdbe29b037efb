#pragma once
// Draws a card printout on a printer: measures the printable page and the printer's font, lays the
// pages out (PrintLayout.h) and draws the pages the printer was asked for.

#include <QList>
#include <QString>

#include "ui/print/PrintLayout.h"

class QFontMetrics;
class QPainter;
class QPrinter;

/// The page and font measurements of `printer` with the font `painter` draws in.
PageMetrics measurePrinter(const QPrinter& printer, const QFontMetrics& font);

/// The number of pages `cards` print as on `printer` in its default font.
int printedPageCount(const QPrinter& printer, const QList<PrintCard>& cards, bool printNotes, const QString& title);

/// Prints `cards` on `printer`: the pages of its page range (all when it has none), as many copies
/// as it asks for when it cannot make them itself; a preview gets every page once. False, after
/// "Could not start print job.", when the printer cannot be used.
bool printCards(QPrinter& printer, const QList<PrintCard>& cards, bool printNotes, const QString& title,
                bool preview = false);
