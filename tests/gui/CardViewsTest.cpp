// The two panes of a card window: the category tree with its sorted cards, pictures, selection
// and counts, and the card list with its rows, masking, note short form and web switches.

#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QSignalSpy>
#include <QTest>

#include "ScriptedHarness.h"
#include "docview/MdiChildFrame.h"
#include "cardstore/DateStamp.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardRows.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

QStringList rows(const QTreeWidget* list) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        out.append(list->topLevelItem(i)->text(0) + '|' + list->topLevelItem(i)->text(1));
    }
    return out;
}

QString counts(Harness& h) {
    return h.frame()->GetStatusDialogBarItem(StatusDialogBar::kCardsInCategory)->text() + '/' +
           h.frame()->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text();
}

const QString kDate = QString::fromStdString(FormatDateStamp(3'786'825'600u, 0));

}  // namespace

class CardViewsTest : public QObject {
    Q_OBJECT
private slots:
    void noteShortForm_data();
    void noteShortForm();
    void newDocumentTree();
    void cardsSortWithoutRegardToCase();
    void selectionShowsCardAndCounts();
    void passwordStaysMasked();
    void clickOnDataRecordsRowAndKeepsLabelsInView();
    void fieldLabelsAreShownWhole();
    void doubleClickFlipsWebSwitches();
    void pictureSwapsOnExpandAndCollapse();
    void selectionByPosition();
    void dateFollowsDateFormat();
    void closingWindowClearsCounts();
};

void CardViewsTest::noteShortForm_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("shown");
    const QString sixty = QString(60, 'x');
    const QString blankAt40 = QString(40, 'a') + ' ' + QString(20, 'b');  // 61 characters
    QTest::newRow("first line of CR LF note") << "first line\r\nsecond line" << "first line...";
    QTest::newRow("bare line feed keeps the line whole") << "abc\ndef" << "abc...";
    QTest::newRow("line feed first") << "\nrest" << "...";
    QTest::newRow("exactly 60") << sixty << sixty;
    QTest::newRow("61, last blank at 40") << blankAt40 << QString(40, 'a') + "...";
    QTest::newRow("blank at 60") << sixty + " tail" << sixty + "...";
    QTest::newRow("blank at 59") << QString(59, 'x') + " yz" << QString(59, 'x') + "...";
    QTest::newRow("no blank at all") << QString(70, 'x') << sixty + "...";
    QTest::newRow("only blank at 0") << ' ' + QString(69, 'x') << ' ' + QString(59, 'x') + "...";
}

void CardViewsTest::noteShortForm() {
    QFETCH(QString, note);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(::noteShortForm(note.toStdString())), shown);
}

void CardViewsTest::newDocumentTree() {
    Harness h;
    QVERIFY(h.run(cmd::FileNew));
    CQuorvaneView* tree = h.tree();
    QStringList names;
    for (int i = 0; i < tree->childCount(QModelIndex()); ++i) {
        const QModelIndex item = tree->child(QModelIndex(), i);
        names.append(tree->itemText(item));
        QVERIFY(!tree->isExpanded(item));
        QCOMPARE(CQuorvaneView::picture(item), int(CQuorvaneView::ClosedPicture));
    }
    QCOMPARE(names, (QStringList{"WWW Sites", "WWW Forms", "FTP Servers", "Newsgroups", "E-Mail Contacts",
                                 "Login Accounts", "POP Accounts", "Bank Accounts", "Credit Cards", "ATM/PIN Cards",
                                 "Personal Data", "Software Keys", "Serial Numbers", "Membership Numbers",
                                 "Miscellaneous"}));
    QCOMPARE(tree->currentIndex(), tree->GetCategoryItemAt(0));
    QCOMPARE(counts(h), QStringLiteral("0/0"));
}

void CardViewsTest::cardsSortWithoutRegardToCase() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{0, "b"}, {0, "A"}, {0, "c"}, {0, "a"}});
    h.open(h.path("c.qvf"));
    const QModelIndex www = h.tree()->GetCategoryItemAt(0);
    QStringList order;
    QList<int> data;
    for (int i = 0; i < h.tree()->childCount(www); ++i) {
        const QModelIndex card = h.tree()->child(www, i);
        order.append(h.tree()->itemText(card));
        data.append(card.data(CQuorvaneView::kPositionRole).toInt());
        QCOMPARE(CQuorvaneView::picture(card), int(CQuorvaneView::CardPicture));
    }
    QCOMPARE(order, (QStringList{"A", "a", "b", "c"}));
    QCOMPARE(data, (QList<int>{1, 3, 0, 2}));
    QCOMPARE(h.doc()->GetCategoryList(0)->GetCardAt(3)->listPosition, 3);
}

void CardViewsTest::selectionShowsCardAndCounts() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{8, "Visa", "04/29", "4111", "12345", "line one\r\nline two"},
                                    {8, "Amex"}, {8, "Diners"}, {0, "Bank", "https://b.example", "ann", "pw", ""},
                                    {0, "Mail"}, {3, "News"}, {14, "Misc"}});
    // A deleted card counts nowhere.
    auto deleted = std::make_unique<Card>();
    deleted->firstField = "gone";
    h.open(h.path("c.qvf"));
    h.doc()->GetCategoryList(100)->AddCard(std::move(deleted));
    h.doc()->UpdateAllViews(nullptr);

    CQuorvaneView* tree = h.tree();
    CQuorvaneListView* list = h.list();
    tree->SelectItem(h.cardItem(8, "Visa"));
    QCOMPARE(counts(h), QStringLiteral("3/7"));
    QVERIFY(h.frame()->CardSelected());
    QCOMPARE(h.frame()->GetCurrentCardPosition(), 0);
    QCOMPARE(rows(list), (QStringList{"Name/Type:|Visa", "Exp. Date:|04/29", "Number:|4111", "PIN Code:|*****",
                                      "Note:|line one...", "Date:|" + kDate}));
    QCOMPARE(list->topLevelItem(0)->foreground(1).color(), QColor(0, 0, 255));

    tree->SelectItem(h.cardItem(0, "Bank"));
    QCOMPARE(counts(h), QStringLiteral("2/7"));
    QCOMPARE(rows(list), (QStringList{"Name:|Bank", "URL:|https://b.example", "User ID:|ann", "Password:|**",
                                      "Note:|", "Automatic Access:|Off", "New Browser Window:|Off", "Date:|" + kDate}));
    QCOMPARE(tree->GetSelectedCard()->firstField, std::string("Bank"));
    QCOMPARE(tree->GetSelectedCategoryName(), QStringLiteral("WWW Sites"));

    // The current row gives its full text to the clipboard commands: the password in clear, a web
    // switch as shown, the date from the date row wherever it sits.
    list->OnRowClicked(3);
    QCOMPARE(list->SelectedRowText(), std::string("pw"));
    list->OnRowClicked(5);
    QCOMPARE(list->SelectedRowText(), std::string("Off"));
    list->OnRowClicked(7);
    QCOMPARE(list->SelectedRowText(), std::string(kDate.toStdString()));
    QCOMPARE(list->SelectedRow(), 7);

    // A category: its count, an empty list, no card selected.
    tree->SelectItem(tree->GetCategoryItemAt(8));
    QCOMPARE(counts(h), QStringLiteral("3/7"));
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!list->ShownCard);
    QVERIFY(!h.frame()->CardSelected());
    QCOMPARE(tree->GetSelectedCard(), nullptr);
}

void CardViewsTest::passwordStaysMasked() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{0, "Site", "", "", QStringLiteral("p\u00E4ss&1")}});
    h.open(h.path("c.qvf"));
    h.tree()->SelectItem(h.cardItem(0, "Site"));
    QCOMPARE(h.list()->topLevelItem(3)->text(1), QStringLiteral("******"));
    h.list()->OnRowRightClicked(2);
    QVERIFY(h.prompter.popups.isEmpty());
    h.list()->OnRowRightClicked(3);
    QCOMPARE(h.prompter.popups, QStringList{QStringLiteral("p\u00E4ss&1")});
}

void CardViewsTest::clickOnDataRecordsRowAndKeepsLabelsInView() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{0, "Site", "https://example.com", "ann", "secret"}});
    h.open(h.path("c.qvf"));
    h.tree()->SelectItem(h.cardItem(0, "Site"));
    CQuorvaneListView* list = h.list();
    QVERIFY(QTest::qWaitForWindowExposed(h.frame()));
    QVERIFY(list->viewport()->width() < list->columnWidth(0) + list->columnWidth(1));
    const QRect url = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(list->columnWidth(0) + 20, url.center().y()));
    QCOMPARE(list->SelectedRow(), 1);
    QCOMPARE(QString::fromStdString(list->SelectedRowText()), QStringLiteral("https://example.com"));
    // Bringing the clicked Data cell into view (as focus changes do) must not hide the labels.
    QCOMPARE(list->currentIndex().column(), 1);
    list->scrollTo(list->currentIndex());
    QCOMPARE(list->horizontalScrollBar()->value(), 0);
}

// At the first window size every label of the Field column shows whole: a web card's longest
// ("New Browser Window:") and a bank card's.
void CardViewsTest::fieldLabelsAreShownWhole() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{0, "Site", "https://example.com", "ann", "secret"}, {7, "Savings", "1", "2", "3"}});
    h.open(h.path("c.qvf"));
    QVERIFY(QTest::qWaitForWindowExposed(h.frame()));
    CQuorvaneListView* list = h.list();
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    QStringList seen;
    for (const auto& [category, name] : {std::pair{0, "Site"}, std::pair{7, "Savings"}}) {
        h.tree()->SelectItem(h.cardItem(category, QString::fromLatin1(name)));
        QVERIFY(list->topLevelItemCount() >= 5);
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            const QString label = list->topLevelItem(row)->text(0);
            seen.append(label);
            const QRect cell = list->visualRect(list->model()->index(row, 0));
            QVERIFY2(list->fontMetrics().horizontalAdvance(label) <= cell.width() - margins, qPrintable(label));
        }
    }
    QVERIFY(seen.contains(QStringLiteral("New Browser Window:")));
    QVERIFY(seen.contains(QStringLiteral("Automatic Access:")));
}

void CardViewsTest::doubleClickFlipsWebSwitches() {
    Harness h;
    // List order differs from the sorted order, so reselecting by place would show another card.
    writeCardFile(h.path("c.qvf"), {{0, "zeta"}, {0, "alpha"}, {7, "Savings", "1", "2", "3"}});
    h.open(h.path("c.qvf"));
    h.tree()->SelectItem(h.cardItem(0, "zeta"));
    h.list()->OnRowDoubleClicked(5);
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("zeta"));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QStringLiteral("On"));
    h.list()->OnRowDoubleClicked(6);
    QCOMPARE(h.list()->topLevelItem(6)->text(1), QStringLiteral("On"));
    h.list()->OnRowDoubleClicked(5);
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QStringLiteral("Off"));
    QCOMPARE(h.doc()->GetCategoryList(0)->GetCardAt(0)->newBrowserWindow, 1);
    // The switches are kept in the file: a flip is a change, and comes back when the file is opened
    // again (zeta's Automatic Access turned on, off and on again; its New Browser Window on).
    QVERIFY(h.doc()->IsModified());
    h.list()->OnRowDoubleClicked(5);
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(h.run(cmd::FileClose));
    h.open(h.path("c.qvf"));
    h.tree()->SelectItem(h.cardItem(0, "zeta"));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QStringLiteral("On"));
    QCOMPARE(h.list()->topLevelItem(6)->text(1), QStringLiteral("On"));
    h.tree()->SelectItem(h.cardItem(0, "alpha"));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QStringLiteral("Off"));
    QCOMPARE(h.list()->topLevelItem(6)->text(1), QStringLiteral("Off"));

    // Row 5 of a bank card is its date: nothing flips, the card is shown again.
    h.tree()->SelectItem(h.cardItem(7, "Savings"));
    const QStringList before = rows(h.list());
    h.list()->OnRowDoubleClicked(5);
    QCOMPARE(rows(h.list()), before);
    QCOMPARE(h.frame()->activeChildFrame()->GetActiveView(), static_cast<View*>(h.tree()));
}

void CardViewsTest::pictureSwapsOnExpandAndCollapse() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{2, "ftp"}});
    h.open(h.path("c.qvf"));
    const QModelIndex ftp = h.tree()->GetCategoryItemAt(2);
    h.tree()->expand(ftp);
    QCOMPARE(CQuorvaneView::picture(ftp), int(CQuorvaneView::OpenPicture));
    h.tree()->collapse(ftp);
    QCOMPARE(CQuorvaneView::picture(ftp), int(CQuorvaneView::ClosedPicture));
    h.tree()->SetCategoryPicture(ftp, 1);
    QCOMPARE(CQuorvaneView::picture(ftp), int(CQuorvaneView::OpenPicture));
    h.tree()->SetCategoryPicture(ftp, -1);
    QCOMPARE(CQuorvaneView::picture(ftp), int(CQuorvaneView::OpenPicture));
}

void CardViewsTest::selectionByPosition() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{8, "b"}, {8, "a"}, {8, "c"}});
    h.open(h.path("c.qvf"));
    CQuorvaneView* tree = h.tree();
    const QModelIndex cards = tree->GetCategoryItemAt(8);

    tree->SelectCardAtPosition(cards, 1);
    QVERIFY(tree->isExpanded(cards));
    QCOMPARE(tree->itemText(tree->currentIndex()), QStringLiteral("b"));
    tree->SelectFirstOrLastCard(true);
    QCOMPARE(tree->itemText(tree->currentIndex()), QStringLiteral("c"));
    tree->SelectCardByListPosition(cards, 1);
    QCOMPARE(tree->itemText(tree->currentIndex()), QStringLiteral("a"));
    QCOMPARE(tree->GetSelectedPosition(), 1);

    tree->SelectCardAtPosition(cards, 5);
    QVERIFY(!tree->currentIndex().isValid());
    tree->SelectCardByListPosition(cards, 9);
    QVERIFY(!tree->currentIndex().isValid());
    // A category without cards is itself selected.
    tree->SelectCardByListPosition(tree->GetCategoryItemAt(3), 0);
    QCOMPARE(tree->currentIndex(), tree->GetCategoryItemAt(3));

    // Renaming shows the new name in place; the card items are sorted again by the next rebuild.
    tree->SelectItem(tree->child(cards, 0));
    tree->RenameSelectedItem(QStringLiteral("renamed"));
    QCOMPARE(tree->itemText(tree->child(cards, 0)), QStringLiteral("renamed"));
    tree->SelectItem(QModelIndex());
    tree->RenameSelectedItem(QStringLiteral("x"));
    QCOMPARE(h.prompter.messages(), QStringList{QString()});  // a box with a caption and no text
    QCOMPARE(h.prompter.captions(), QStringList{"GetSelectedItem() Error"});
}

void CardViewsTest::dateFollowsDateFormat() {
    Harness h;
    writeCardFile(h.path("c.qvf"), {{8, "Visa"}});
    h.open(h.path("c.qvf"));
    h.tree()->SelectItem(h.cardItem(8, "Visa"));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), kDate);
    // A format changed while the card is shown takes effect once the window re-reads its settings,
    // and any card selected afterwards shows it too.
    writeSetting(*h.settings, settings::kDateFormat, 5);
    QSignalSpy reread(h.frame(), &CMainFrame::settingsChanged);
    h.frame()->reloadSettings();
    QCOMPARE(reread.count(), 1);
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QString::fromStdString(FormatDateStamp(3'786'825'600u, 5)));
    QVERIFY(kDate != QString::fromStdString(FormatDateStamp(3'786'825'600u, 5)));
    writeSetting(*h.settings, settings::kDateFormat, 3);
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(8));
    h.tree()->SelectItem(h.cardItem(8, "Visa"));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QString::fromStdString(FormatDateStamp(3'786'825'600u, 3)));
}

void CardViewsTest::closingWindowClearsCounts() {
    Harness h;
    writeCardFile(h.path("a.qvf"), {{0, "a"}, {0, "b"}});
    writeCardFile(h.path("b.qvf"), {{0, "c"}, {1, "d"}, {2, "e"}});
    h.open(h.path("a.qvf"));
    QCOMPARE(counts(h), QStringLiteral("2/2"));
    h.open(h.path("b.qvf"));
    QCOMPARE(counts(h), QStringLiteral("1/3"));
    // Back to the first window: its own counts (WWW Sites and the total).
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(counts(h), QStringLiteral("2/2"));
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(counts(h), QStringLiteral("0/0"));
}

QTEST_MAIN(CardViewsTest)
#include "CardViewsTest.moc"
