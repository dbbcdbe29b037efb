// The printout's layout, computed without a printer: the print list, the note's lines, where each
// text goes, how many cards a page takes, and that nothing runs past the footer or the right
// margin or goes missing, whatever the page, the font or the length of a text.

#include <QTest>
#include <memory>

#include "cardstore/CardStore.h"
#include "cardstore/Categories.h"
#include "ui/print/PrintLayout.h"

namespace {

void addCard(CardStore& store, int categoryId, const std::string& first, const std::string& note = {},
             const std::string& fourth = "secret") {
    auto card = std::make_unique<Card>();
    card->categoryId = static_cast<std::uint8_t>(categoryId);
    card->firstField = first;
    card->secondField = "second " + first;
    card->thirdField = "third " + first;
    card->fourthField = fourth;
    card->note = note;
    store.GetCategoryList(categoryId)->AddCard(std::move(card));
}

PrintCard card(const QString& name, const QString& note = {}, const QString& password = QStringLiteral("pw")) {
    PrintCard c;
    c.categoryName = QStringLiteral("WWW Sites");
    c.labels = {QStringLiteral("Name:"), QStringLiteral("URL:"), QStringLiteral("User ID:"), QStringLiteral("Password:")};
    c.labelWidth = 9;
    c.fields = {name, QStringLiteral("http://") + name, QStringLiteral("user"), password};
    c.note = note;
    return c;
}

// A4 at 600 dots per inch, with a font 100 high and 80 at its widest.
PageMetrics a4() { return {4960, 7016, 600, 600, 100, 80}; }

QString repeatWords(int words) {
    QStringList list;
    for (int i = 0; i < words; ++i) {
        list << QStringLiteral("word%1").arg(i);
    }
    return list.join(QLatin1Char(' '));
}

// The card texts of a printout (everything below the header and above the footer), page by page,
// top to bottom and left to right.
QStringList cardTexts(const QList<PrintPage>& pages, const PageFrame& frame) {
    QStringList texts;
    for (const PrintPage& page : pages) {
        QList<PrintLine> lines;
        for (const PrintLine& line : page) {
            if (line.y >= frame.firstCardY && line.y < frame.footerY) {
                lines << line;
            }
        }
        std::stable_sort(lines.begin(), lines.end(), [](const PrintLine& a, const PrintLine& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        for (const PrintLine& line : lines) {
            texts << line.text;
        }
    }
    return texts;
}

}  // namespace

class PrintLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void printListFollowsCategoryAndListOrder();
    void noteLines_data();
    void noteLines();
    void blockAndPagePositions();
    void withoutNotesSixLinesACard();
    void everyBlockFitsAboveTheFooter_data();
    void everyBlockFitsAboveTheFooter();
    void longTextsContinueAndNothingIsLost();
};

void PrintLayoutTest::printListFollowsCategoryAndListOrder() {
    CardStore store;
    addCard(store, 14, "misc");
    addCard(store, 9, "atm");
    addCard(store, 0, "site b");
    addCard(store, 0, "site a");  // list order, not sorted by name
    addCard(store, 7, "bank");
    auto deleted = std::make_unique<Card>();
    deleted->categoryId = kDeletedCategoryId;
    deleted->firstField = "gone";
    store.GetCategoryList(kDeletedCategoryId)->AddCard(std::move(deleted));

    auto names = [](const QList<PrintCard>& cards) {
        QStringList list;
        for (const PrintCard& c : cards) {
            list << c.categoryName + '/' + c.fields[0];
        }
        return list;
    };
    QCOMPARE(names(buildPrintList(store, true)),
             QStringList({"WWW Sites/site b", "WWW Sites/site a", "Bank Accounts/bank", "ATM/PIN Cards/atm",
                          "Miscellaneous/misc"}));
    QCOMPARE(names(buildPrintList(store, false)),
             QStringList({"WWW Sites/site b", "WWW Sites/site a", "Bank Accounts/bank", "Miscellaneous/misc"}));
    QCOMPARE(names(buildPrintList(store, true, 7)), QStringList{"Bank Accounts/bank"});
    QCOMPARE(names(buildPrintList(store, false, 9)), QStringList{});

    const PrintCard atm = buildPrintList(store, true, 9).first();
    QCOMPARE(atm.labels[2], QStringLiteral("Telephone Number:"));
    QCOMPARE(atm.labelWidth, 17);
    QCOMPARE(atm.fields[3], QStringLiteral("secret"));  // in clear
}

void PrintLayoutTest::noteLines_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QStringList>("lines");
    const QString x69(69, 'x');
    const QString a40(40, 'a');
    const QString b59(59, 'b');
    QTest::newRow("empty") << QString() << QStringList({"", ""});
    QTest::newRow("69 characters: one line") << x69 << QStringList({x69, ""});
    // 100 characters: cut at the last blank before index 70.
    QTest::newRow("100 at last blank") << a40 + ' ' + QString(20, 'c') + ' ' + QString(38, 'd')
                                       << QStringList({a40 + ' ' + QString(20, 'c'), QString(38, 'd')});
    QTest::newRow("blank at 70") << QString(70, 'e') + "   tail" << QStringList({QString(70, 'e'), "tail"});
    QTest::newRow("blank at 69") << QString(69, 'f') + " g" + QString(30, 'h')
                                 << QStringList({QString(69, 'f'), "g" + QString(30, 'h')});
    QTest::newRow("no blank: cut at 70") << QString(75, 'i') << QStringList({QString(70, 'i'), QString(5, 'i')});
    QTest::newRow("blank at 0 only counts from 1") << ' ' + QString(80, 'j')
                                                   << QStringList({' ' + QString(69, 'j'), QString(11, 'j')});
    // Beyond two lines the note goes on, cut the same way.
    QTest::newRow("three lines") << b59 + ' ' + b59 + ' ' + b59 << QStringList({b59, b59, b59});
    QTest::newRow("line breaks") << "one\r\ntwo\n\nfour\n" << QStringList({"one", "two", "", "four"});
}

void PrintLayoutTest::noteLines() {
    QFETCH(QString, note);
    QFETCH(QStringList, lines);
    QCOMPARE(::noteLines(note), lines);
}

void PrintLayoutTest::blockAndPagePositions() {
    const PageMetrics m = a4();
    const PageFrame f = pageFrameFor(m);
    QCOMPARE(f.leftMargin, 300);
    QCOMPARE(f.topMargin, 200);
    QCOMPARE(f.rightMargin, 4660);
    QCOMPARE(f.bottomMargin, 6716);
    QCOMPARE(f.footerY, 6716 - 210);

    const QList<PrintPage> pages =
        layoutPrintPages({card("alpha", "short note"), card("beta")}, m, true, QStringLiteral("cards.qvf"),
                         QStringLiteral("31/12/2026"));
    QCOMPARE(pages.size(), 1);
    const int y0 = f.topMargin + 3 * m.charWidth;
    const int x0 = f.leftMargin + 2 * m.charWidth;
    const int valueX = x0 + 9 * m.charWidth;
    const int L = m.lineHeight;
    const PrintPage expected = {
        // header and footer
        {f.rightMargin - 80 * 9, f.topMargin, "cards.qvf"},
        {f.leftMargin, f.topMargin, "Quorvane"},
        {(f.rightMargin - f.leftMargin) / 2, f.footerY, "1"},
        {f.rightMargin - 80 * 10, f.footerY, "31/12/2026"},
        // the first card
        {f.leftMargin, y0, "WWW Sites"},
        {x0, y0 + L, "Name:"},
        {valueX, y0 + L, "alpha"},
        {x0, y0 + 2 * L, "URL:"},
        {valueX, y0 + 2 * L, "http://alpha"},
        {x0, y0 + 3 * L, "User ID:"},
        {valueX, y0 + 3 * L, "user"},
        {x0, y0 + 4 * L, "Password:"},
        {valueX, y0 + 4 * L, "pw"},
        {x0, y0 + 5 * L, "Notes"},
        {x0, y0 + 6 * L, "short note"},
        // the second, nine lines further down
        {f.leftMargin, y0 + 9 * L, "WWW Sites"},
        {x0, y0 + 10 * L, "Name:"},
        {valueX, y0 + 10 * L, "beta"},
        {x0, y0 + 11 * L, "URL:"},
        {valueX, y0 + 11 * L, "http://beta"},
        {x0, y0 + 12 * L, "User ID:"},
        {valueX, y0 + 12 * L, "user"},
        {x0, y0 + 13 * L, "Password:"},
        {valueX, y0 + 13 * L, "pw"},
        {x0, y0 + 14 * L, "Notes"},
    };
    QCOMPARE(pages.first(), expected);

    // A title too long to end at the right margin starts after the product name instead.
    const QList<PrintPage> longTitle = layoutPrintPages({}, m, true, QString(60, 't'), QString());
    QCOMPARE(longTitle.size(), 1);
    QCOMPARE(longTitle.first().first().x, f.leftMargin + 8 * 80 + 80);
}

void PrintLayoutTest::withoutNotesSixLinesACard() {
    const PageMetrics m = a4();
    const PageFrame f = pageFrameFor(m);
    const QList<PrintPage> pages = layoutPrintPages({card("a", "a note"), card("b", "b note")}, m, false, {}, {});
    QList<int> nameRows;
    for (const PrintLine& line : pages.first()) {
        QVERIFY2(line.text != "Notes" && !line.text.endsWith("note"), qPrintable(line.text));
        if (line.text == "WWW Sites") {
            nameRows << line.y;
        }
    }
    QCOMPARE(nameRows, QList<int>({f.firstCardY, f.firstCardY + 6 * m.lineHeight}));
}

void PrintLayoutTest::everyBlockFitsAboveTheFooter_data() {
    QTest::addColumn<PageMetrics>("metrics");
    QTest::addColumn<bool>("notes");
    QTest::addColumn<int>("perPage");
    // A4 and Letter, portrait and landscape, at several resolutions and font sizes.
    QTest::newRow("A4 600 dpi notes") << a4() << true << 6;
    QTest::newRow("A4 600 dpi") << a4() << false << 10;
    QTest::newRow("A4 1200 dpi notes") << PageMetrics{9921, 14031, 1200, 1200, 194, 210} << true << 7;
    QTest::newRow("A4 landscape notes") << PageMetrics{7016, 4960, 600, 600, 100, 80} << true << 4;
    QTest::newRow("Letter 300 dpi") << PageMetrics{2550, 3300, 300, 300, 50, 40} << false << 9;
    QTest::newRow("large font notes") << PageMetrics{4960, 7016, 600, 600, 400, 300} << true << 1;
    QTest::newRow("72 dpi notes") << PageMetrics{595, 842, 72, 72, 14, 12} << true << 4;
    // So small a page that not even one block fits: every card still prints, over several pages.
    QTest::newRow("tiny page") << PageMetrics{600, 1400, 600, 600, 100, 80} << true << 0;
}

void PrintLayoutTest::everyBlockFitsAboveTheFooter() {
    QFETCH(PageMetrics, metrics);
    QFETCH(bool, notes);
    QFETCH(int, perPage);
    QCOMPARE(cardsPerPage(metrics, notes), perPage);
    const PageFrame f = pageFrameFor(metrics);
    const int step = (notes ? 9 : 6) * metrics.lineHeight;

    for (int count : {1, std::max(perPage, 1) * 3, std::max(perPage, 1) * 3 + 1}) {
        QList<PrintCard> cards;
        for (int i = 0; i < count; ++i) {
            cards << card(QStringLiteral("card%1").arg(i), QStringLiteral("note %1").arg(i));
        }
        const QList<PrintPage> pages = layoutPrintPages(cards, metrics, notes, {}, {});
        if (perPage > 0) {
            // Full pages of perPage cards at the fixed steps; an exact multiple leaves no empty page.
            QCOMPARE(pages.size(), (count + perPage - 1) / perPage);
            for (const PrintPage& page : pages) {
                int m = 0;
                for (const PrintLine& line : page) {
                    if (line.text == "WWW Sites") {
                        QCOMPARE(line.y, f.firstCardY + m++ * step);
                    }
                }
                QVERIFY(m == perPage || &page == &pages.last());
            }
        }
        for (const PrintPage& page : pages) {
            for (const PrintLine& line : page) {
                if (line.y != f.topMargin && line.y != f.footerY) {
                    QVERIFY(line.y >= f.firstCardY);
                    QVERIFY2(line.y + metrics.lineHeight <= f.footerY || perPage == 0, qPrintable(line.text));
                }
            }
        }
        // Every card is there, once, in order (a first field wider than the page comes in pieces).
        const QStringList texts = cardTexts(pages, f);
        QCOMPARE(texts.count(QStringLiteral("WWW Sites")), count);
        QCOMPARE(texts.count(QStringLiteral("Notes")), notes ? count : 0);
    }
}

void PrintLayoutTest::longTextsContinueAndNothingIsLost() {
    const PageMetrics m = a4();
    const PageFrame f = pageFrameFor(m);
    const QString longNote = repeatWords(2000);  // about 20,000 characters: several pages of note
    const QString longPassword = QString(3000, 'p') + QStringLiteral("END");
    const QList<PrintCard> cards = {card("before", "n1"), card("long", longNote, longPassword), card("after", "n3")};
    const QList<PrintPage> pages = layoutPrintPages(cards, m, true, {}, {});
    QVERIFY(pages.size() > 3);

    for (int p = 0; p < pages.size(); ++p) {
        for (const PrintLine& line : pages[p]) {
            if (line.y == f.topMargin || line.y == f.footerY) {
                continue;
            }
            QVERIFY2(line.y + m.lineHeight <= f.footerY, qPrintable(line.text));
            QVERIFY2(line.x + m.charWidth * line.text.size() <= f.rightMargin, qPrintable(line.text.left(20)));
        }
    }
    // Read back in order, the texts hold every card, the password whole and every word of the note.
    const QStringList texts = cardTexts(pages, f);
    const int password = texts.indexOf("Password:", texts.indexOf("long")) + 1;
    QString joined;
    int i = password;
    while (texts[i] != "Notes") {
        joined += texts[i++];
    }
    QCOMPARE(joined, longPassword);
    QString note;
    for (++i; texts[i] != "WWW Sites"; ++i) {
        note += (note.isEmpty() ? "" : " ") + texts[i];
    }
    QCOMPARE(note, longNote);
    QCOMPARE(texts.mid(i, 3), QStringList({"WWW Sites", "Name:", "after"}));
    QCOMPARE(texts.first(), QStringLiteral("WWW Sites"));
    QCOMPARE(texts[2], QStringLiteral("before"));
}

QTEST_MAIN(PrintLayoutTest)
#include "PrintLayoutTest.moc"
