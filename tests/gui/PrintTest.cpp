// Printing from the window: Print through the print dialog to a PDF file whose text is read back,
// the dialog's "Print the selected category only", the print switches, Print Preview with the
// bars hidden meanwhile, and Print Setup choosing the paper for the prints that follow.

#include <QCheckBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "ScriptedHarness.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/print/CardPrinter.h"
#include "ui/print/PrintCommands.h"

namespace {

const QString kNote100 = QStringLiteral("Security question answer is Mrs Pemberton's maiden name; the spare key "
                                        "lives under the blue flowerpot");

QList<CardSpec> sampleCards() {
    return {
        {0, "example.org", "https://login.example.net/", "alice", "hunter2", kNote100},
        {7, "First Bank", "0042", "Alice A.", "NL91ABNA0417164300"},
        {9, "Debit card", "First Bank", "+31 20 555", "PIN 8642", "short"},
    };
}

/// Prints through the print dialog into `pdf`, ticking "Print the selected category only" when asked.
void printToPdf(Harness& h, const QString& pdf, bool selectedOnly = false) {
    h.prompter.onDialog<QPrintDialog>([&](QPrintDialog& dialog) {
        dialog.printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog.printer()->setOutputFileName(pdf);
        auto* options = dialog.findChild<PrintOptionsPage*>();
        if (!options) {
            return int(QDialog::Rejected);
        }
        options->selectedOnlyBox()->setChecked(selectedOnly);
        return int(QDialog::Accepted);
    });
    QVERIFY(h.run(cmd::FilePrint));
    QCOMPARE(h.prompter.dialogs.last(), QStringLiteral("Print"));
}

/// The PDF's text as pdftotext reads it, keeping the layout; pages are separated by form feeds.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        return QStringLiteral("pdftotext failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

int occurrences(const QString& text, const QString& what) { return static_cast<int>(text.count(what)); }

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
private slots:
    void printsEveryCardToPdf();
    void switchesAndSelectedCategory();
    void longNoteRunsOnOverPages();
    void oneTimeCodeSetupIsNeverPrinted();
    void previewHidesTheBarsUntilItCloses();
    void printSetupChoosesThePaperForLaterPrints();
    void unwritableFileIsReported();
    void pageRangeOrderAndCopies_data();
    void pageRangeOrderAndCopies();
};

void PrintTest::printsEveryCardToPdf() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), sampleCards());
    QVERIFY(h.open(h.path("cards.qvf")));
    printToPdf(h, h.path("out.pdf"));
    const QString text = pdfText(h.path("out.pdf"));

    QCOMPARE(occurrences(text, "\f"), 1);  // one page
    QVERIFY2(text.contains(QRegularExpression("Quorvane +cards.qvf")), qPrintable(text));
    QCOMPARE(occurrences(text, "Name:"), 2);  // web site and ATM card
    for (const char* expected :
         {"WWW Sites", "example.org", "https://login.example.net/", "User ID:", "alice", "Password:",
          "hunter2", "Bank Accounts", "Account Number:", "NL91ABNA0417164300", "ATM/PIN Cards", "ATM/PIN Code:",
          "PIN 8642", "short"}) {
        QVERIFY2(occurrences(text, expected) == 1, expected);
    }
    QCOMPARE(occurrences(text, "Notes"), 3);
    // The 101-character note in two lines, cut at the blank at index 70.
    QVERIFY(text.contains(QRegularExpression(
        "\n +Security question answer is Mrs Pemberton's maiden name; the spare key *\n +lives under the blue "
        "flowerpot *\n")));
    // Cards in category order: web site, bank account, ATM card; page number 1 in the footer.
    QVERIFY(text.indexOf("example.org") < text.indexOf("First Bank"));
    QVERIFY(text.indexOf("NL91ABNA0417164300") < text.indexOf("Debit card"));
    QVERIFY(text.contains(QRegularExpression("\n +1 +\\S[^\n]*\n*\f")));
}

void PrintTest::switchesAndSelectedCategory() {
    // The window's copies: no ATM cards, no notes.
    Harness h({}, [](MemorySettings& s) {
        writeSetting(s, settings::kPrintAtm, 0);
        writeSetting(s, settings::kPrintNotes, 0);
    });
    writeCardFile(h.path("cards.qvf"), sampleCards());
    QVERIFY(h.open(h.path("cards.qvf")));
    printToPdf(h, h.path("all.pdf"));
    QString text = pdfText(h.path("all.pdf"));
    QVERIFY2(text.contains("example.org") && text.contains("NL91ABNA0417164300"), qPrintable(text));
    for (const char* absent : {"ATM/PIN", "PIN 8642", "Notes", "Pemberton", "short"}) {
        QVERIFY2(!text.contains(absent), absent);
    }

    // With a card of "Bank Accounts" selected, the dialog can print that category alone.
    h.tree()->SelectItem(h.cardItem(7, "First Bank"));
    printToPdf(h, h.path("bank.pdf"), true);
    text = pdfText(h.path("bank.pdf"));
    QVERIFY2(text.contains("NL91ABNA0417164300") && !text.contains("example.org"), qPrintable(text));
    // Unticked (the default) it prints everything again.
    printToPdf(h, h.path("again.pdf"));
    QVERIFY(pdfText(h.path("again.pdf")).contains("example.org"));
}

void PrintTest::longNoteRunsOnOverPages() {
    Harness h;
    QStringList words;
    for (int i = 0; i < 2500; ++i) {
        words << QStringLiteral("w%1x").arg(i);
    }
    QList<CardSpec> cards = sampleCards();
    cards.append({14, "Long one", "a", "b", QString(300, 'k') + "Z", words.join(' ')});
    writeCardFile(h.path("long.qvf"), cards);
    QVERIFY(h.open(h.path("long.qvf")));
    printToPdf(h, h.path("long.pdf"));
    const QString text = pdfText(h.path("long.pdf"));
    QVERIFY2(occurrences(text, "\f") > 1, qPrintable(text));
    // Every word of the note once, and the 301-character field whole, across the lines it takes.
    for (const QString& word : words) {
        QVERIFY2(occurrences(text, ' ' + word + ' ') + occurrences(text, ' ' + word + '\n') == 1, qPrintable(word));
    }
    QString fourth;
    for (const QString& line : text.split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.contains(QRegularExpression("^(Password:\\s+)?k+Z?$"))) {
            fourth += trimmed.section(QRegularExpression("\\s+"), -1);
        }
    }
    QCOMPARE(fourth, QString(300, 'k') + "Z");
}

void PrintTest::oneTimeCodeSetupIsNeverPrinted() {
    Harness h;
    writeCardFile(h.path("cards.qvf"),
                  {{0, "bank", "https://bank.example/", "alice", "pw",
                    "PIN 1234\r\n otpauth://totp/Bank:alice?secret=JBSWY3DPEHPK3PXP&issuer=Bank\r\nbranch 7"}});
    QVERIFY(h.open(h.path("cards.qvf")));
    printToPdf(h, h.path("out.pdf"));
    const QString text = pdfText(h.path("out.pdf"));
    QVERIFY2(text.contains(QRegularExpression("\n +PIN 1234 *\n +\\(one-time code set up\\) *\n +branch 7 *\n")),
             qPrintable(text));
    QVERIFY2(!text.contains("JBSWY3DP") && !text.contains("otpauth"), qPrintable(text));
}

void PrintTest::previewHidesTheBarsUntilItCloses() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), sampleCards());
    QVERIFY(h.open(h.path("cards.qvf")));
    QVERIFY(h.frame()->mainToolBar()->isVisibleTo(h.frame()));
    int pages = 0;
    bool barsHidden = false;
    h.prompter.onDialog<QPrintPreviewDialog>([&](QPrintPreviewDialog& dialog) {
        barsHidden = h.frame()->mainToolBar()->isHidden() && h.frame()->statusDialogBar()->isHidden();
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        preview->updatePreview();
        pages = preview->pageCount();
        return int(QDialog::Rejected);
    });
    QVERIFY(h.run(cmd::PrintPreview));
    QVERIFY(barsHidden);
    QCOMPARE(pages, 1);
    QVERIFY(!h.frame()->mainToolBar()->isHidden());
    QVERIFY(!h.frame()->statusDialogBar()->isHidden());
}

void PrintTest::printSetupChoosesThePaperForLaterPrints() {
    Harness h;
    QVERIFY(h.enabled(cmd::FilePrintSetup));  // no document: the application's Print Setup
    h.prompter.onDialog<QPageSetupDialog>([](QPageSetupDialog& dialog) {
        dialog.printer()->setPageOrientation(QPageLayout::Landscape);
        return int(QDialog::Accepted);
    });
    QVERIFY(h.run(cmd::FilePrintSetup));
    writeCardFile(h.path("cards.qvf"), sampleCards());
    QVERIFY(h.open(h.path("cards.qvf")));
    QPageLayout::Orientation seen = QPageLayout::Portrait;
    h.prompter.onDialog<QPrintDialog>([&](QPrintDialog& dialog) {
        seen = dialog.printer()->pageLayout().orientation();
        return int(QDialog::Rejected);
    });
    QVERIFY(h.run(cmd::FilePrint));
    QCOMPARE(seen, QPageLayout::Landscape);
}

void PrintTest::unwritableFileIsReported() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), sampleCards());
    QVERIFY(h.open(h.path("cards.qvf")));
    printToPdf(h, h.path("no such folder/out.pdf"));
    QCOMPARE(h.prompter.messages(), QStringList{"Could not start print job."});
}

void PrintTest::pageRangeOrderAndCopies_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<QList<int>>("sheets");  // the page number on each sheet
    QTest::newRow("all") << 0 << 0 << false << 1 << true << QList<int>{1, 2, 3};
    QTest::newRow("range") << 2 << 3 << false << 1 << true << QList<int>{2, 3};
    QTest::newRow("range beyond the end") << 3 << 9 << false << 1 << true << QList<int>{3};
    QTest::newRow("reversed, two collated copies") << 2 << 3 << true << 2 << true << QList<int>{3, 2, 3, 2};
    QTest::newRow("two copies page by page") << 1 << 2 << false << 2 << false << QList<int>{1, 1, 2, 2};
}

void PrintTest::pageRangeOrderAndCopies() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, reverse);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(QList<int>, sheets);
    ScriptedPrompter prompter;
    QTemporaryDir dir;
    QList<PrintCard> cards;
    for (int i = 0; i < 15; ++i) {  // three pages of cards with notes, on A4
        PrintCard card;
        card.categoryName = QStringLiteral("Miscellaneous");
        card.labels = {"Item:", "Field 2:", "Field 3:", "Field 4:"};
        card.labelWidth = 8;
        card.fields[0] = QStringLiteral("card%1").arg(i);
        cards << card;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("range.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    QCOMPARE(printedPageCount(printer, cards, true, "t"), 3);
    if (from > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(from, to);
    }
    printer.setPageOrder(reverse ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
    printer.setCopyCount(copies);
    printer.setCollateCopies(collate);
    QVERIFY(printCards(printer, cards, true, "t"));

    QList<int> printed;
    const QStringList pages = pdfText(dir.filePath("range.pdf")).split('\f', Qt::SkipEmptyParts);
    for (const QString& page : pages) {
        const QRegularExpressionMatch footer = QRegularExpression("\n +(\\d+) +\\S[^\n]*\\s*$").match(page);
        printed << (footer.hasMatch() ? footer.captured(1).toInt() : -1);
    }
    QCOMPARE(printed, sheets);
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
