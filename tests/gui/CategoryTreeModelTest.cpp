// The category tree's model: after any sequence of single-card changes its rows are exactly what a
// full rebuild from the lists shows (same names, order and positions), so touching single rows
// never shows a tree the classic rebuild would not.

#include <QAbstractItemModelTester>
#include <QTest>
#include <functional>
#include <random>

#include "cardstore/CardStore.h"
#include "ui/cards/CategoryTreeModel.h"
#include "ui/common/QtText.h"

namespace {

QStringList rows(const CategoryTreeModel& model) {
    QStringList out;
    for (int c = 0; c < model.rowCount(); ++c) {
        const QModelIndex category = model.index(c, 0);
        for (int r = 0; r < model.rowCount(category); ++r) {
            const QModelIndex card = model.index(r, 0, category);
            out.append(QStringLiteral("%1/%2/%3")
                           .arg(c)
                           .arg(card.data().toString())
                           .arg(card.data(CategoryTreeModel::kPositionRole).toInt()));
        }
    }
    return out;
}

/// One edit of a card in `category`, told to the model as the window tells it: action 0 adds a card,
/// 1 removes one, 2 renames one, each card and name drawn by `pick`. Returns the removed position, or -1.
int editCard(CardStore& store, CategoryTreeModel& model, int category, int action,
             const std::vector<std::string>& names, const std::function<int(std::size_t)>& pick) {
    CardList* list = store.GetCategoryList(category);
    if (action == 0) {
        auto card = std::make_unique<Card>();
        card->firstField = names[static_cast<std::size_t>(pick(names.size()))];
        list->AddCard(std::move(card));
        model.cardAppended(category, list->GetCardCount() - 1);
        return -1;
    }
    const int position = pick(static_cast<std::size_t>(list->GetCardCount()));
    if (action == 1) {
        list->RemoveCardAt(position);
        model.cardRemoved(category, position);
        return position;
    }
    list->GetCardAt(position)->firstField = names[static_cast<std::size_t>(pick(names.size()))];
    model.cardChanged(category, position);
    return -1;
}

}  // namespace

class CategoryTreeModelTest : public QObject {
    Q_OBJECT
private slots:
    void singleRowChangesMatchARebuild();
    void changesBeforeTheRowsAreReadMatchARebuild();
};

void CategoryTreeModelTest::singleRowChangesMatchARebuild() {
    // Names chosen to collide: equal names, names differing only in case, accented letters.
    const std::vector<std::string> names = {"a",
                                            "A",
                                            "b",
                                            "B",
                                            "\xE9t\xE9",
                                            "\xC9T\xC9",
                                            "zeta",
                                            "",
                                            "a",
                                            "Zeta",
                                            "a very long card name one",
                                            "A VERY LONG CARD NAME TWO",
                                            "a very long card name",
                                            "\x80 euro",
                                            "\x9A"
                                            "a\x8A"};
    std::mt19937 random(7);
    auto pick = [&](std::size_t n) { return static_cast<int>(random() % n); };

    CardStore store;
    CategoryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setStore(&store);
    for (int step = 0; step < 600; ++step) {
        const int category = pick(3);  // few categories, so they grow and shrink
        CardList* list = store.GetCategoryList(category);
        const int action = list->GetCardCount() == 0 ? 0 : pick(3);
        // Rows the view holds on to must follow their cards: that checks what the model announces.
        QList<QPersistentModelIndex> held;
        QList<int> heldPositions;
        const QModelIndex parent = model.index(category, 0);
        for (int r = 0; r < model.rowCount(parent); ++r) {
            held.append(QPersistentModelIndex(model.index(r, 0, parent)));
            heldPositions.append(model.index(r, 0, parent).data(CategoryTreeModel::kPositionRole).toInt());
        }
        const int removed = editCard(store, model, category, action, names, pick);
        for (int k = 0; k < held.size(); ++k) {
            const int was = heldPositions[k];
            if (was == removed) {
                QVERIFY(!held[k].isValid());
                continue;
            }
            QVERIFY(held[k].isValid());
            QCOMPARE(held[k].data(CategoryTreeModel::kPositionRole).toInt(),
                     removed >= 0 && was > removed ? was - 1 : was);
        }
        CategoryTreeModel rebuilt;
        rebuilt.setStore(&store);
        QCOMPARE(rows(model), rows(rebuilt));
        if (QTest::currentTestFailed()) {
            return;
        }
    }
    // The rows stand as sorting the names as texts without regard to case would put them.
    for (int c = 0; c < 3; ++c) {
        const CardList* list = store.GetCategoryList(c);
        QList<int> expected;
        for (int i = 0; i < list->GetCardCount(); ++i) {
            expected.append(i);
        }
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return QString::compare(fromCardText(list->GetCardAt(a)->firstField),
                                    fromCardText(list->GetCardAt(b)->firstField), Qt::CaseInsensitive) < 0;
        });
        QList<int> shown;
        for (int r = 0; r < model.rowCount(model.index(c, 0)); ++r) {
            shown.append(model.index(r, 0, model.index(c, 0)).data(CategoryTreeModel::kPositionRole).toInt());
        }
        QCOMPARE(shown, expected);
    }
    // Every card knows its row's position (Find reselects by it).
    for (int c = 0; c < 3; ++c) {
        const CardList* list = store.GetCategoryList(c);
        for (int i = 0; i < list->GetCardCount(); ++i) {
            QCOMPARE(list->GetCardAt(i)->listPosition, i);
        }
    }
}

void CategoryTreeModelTest::changesBeforeTheRowsAreReadMatchARebuild() {
    // A category's order is made when its rows are first read: cards added, removed or renamed
    // before that must show as a rebuild would, and the row counts must follow every change.
    const std::vector<std::string> names = {"b", "A", "a", "c", "B", "", "zeta", "a very long card name one"};
    std::mt19937 random(11);
    auto pick = [&](std::size_t n) { return static_cast<int>(random() % n); };
    CardStore store;
    for (int i = 0; i < 40; ++i) {
        auto card = std::make_unique<Card>();
        card->firstField = names[static_cast<std::size_t>(pick(names.size()))];
        store.GetCategoryList(i % 3)->AddCard(std::move(card));
    }
    CategoryTreeModel model;
    model.setStore(&store);
    int announced = 0;  // rows announced inserted minus rows announced removed
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex&, int first, int last) { announced += last - first + 1; });
    connect(&model, &QAbstractItemModel::rowsRemoved, this,
            [&](const QModelIndex&, int first, int last) { announced -= last - first + 1; });
    for (int round = 0; round < 30; ++round) {
        model.rebuildAll();  // every category unread again
        for (int step = 0; step < 8; ++step) {
            const int category = pick(3);
            CardList* list = store.GetCategoryList(category);
            const int before = model.rowCount(model.index(category, 0));
            const int action = list->GetCardCount() == 0 ? 0 : pick(3);
            announced = 0;
            editCard(store, model, category, action, names, pick);
            QCOMPARE(model.rowCount(model.index(category, 0)), list->GetCardCount());
            QCOMPARE(before + announced, list->GetCardCount());
            if (pick(4) == 0) {
                model.index(0, 0, model.index(category, 0)).data();  // now and then a category gets read
            }
        }
        CategoryTreeModel rebuilt;
        rebuilt.setStore(&store);
        QCOMPARE(rows(model), rows(rebuilt));
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < store.GetCategoryList(c)->GetCardCount(); ++i) {
                QCOMPARE(store.GetCategoryList(c)->GetCardAt(i)->listPosition, i);
            }
        }
    }
}

QTEST_MAIN(CategoryTreeModelTest)
#include "CategoryTreeModelTest.moc"
