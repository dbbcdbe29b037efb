#pragma once
// Printing the cards: Print, Print Preview and Print Setup. One printer serves the whole session,
// so the printer and paper chosen once stay chosen.

#include <QWidget>

class CMainFrame;
class QCheckBox;
class QPrinter;

void installPrintCommands(CMainFrame& frame);

/// Print: the print dialog, then the active document's cards on the printer chosen.
void OnFilePrint(CMainFrame& frame, QPrinter& printer);
/// Print Preview: the printout on screen, with the window's bars hidden meanwhile.
void OnPrintPreview(CMainFrame& frame, QPrinter& printer);
/// Print Setup: the printer's page settings.
void OnPrintSetup(QPrinter& printer);

/// The print dialog's page of our own: "Print the selected category only", off until ticked.
class PrintOptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit PrintOptionsPage(const QString& selectedCategory, QWidget* parent = nullptr);
    /// Ticked, with a category selected.
    bool selectedOnly() const;
    QCheckBox* selectedOnlyBox() const { return m_selectedOnly; }

private:
    QCheckBox* m_selectedOnly;
};
