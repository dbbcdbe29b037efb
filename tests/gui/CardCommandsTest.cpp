// The card commands end to end on real documents in the window: New, Edit and Delete Card,
// First and Last Card, Find, the clipboard commands and the card list's double clicks, each
// followed by a save that the core reads back.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "cardstore/DateStamp.h"
#include "docview/MdiChildFrame.h"
#include "docview/MdiWindowList.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardClipboard.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/FindCardDlg.h"
#include "ui/cards/NoteDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

class SilentReader : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return false; }
};

/// Saves the active document and reads the file back with the core.
std::unique_ptr<CardStore> saveAndReload(Harness& h) {
    if (!h.run(cmd::FileSave)) {
        return nullptr;
    }
    auto store = std::make_unique<CardStore>();
    SilentReader reader;
    const LoadResult result = loadCardDocument(h.doc()->GetPathName().toStdString(), *store, reader, 0);
    return result.outcome == LoadOutcome::Loaded ? std::move(store) : nullptr;
}

QStringList namesIn(const CardStore& store, int categoryId) {
    QStringList names;
    const CardList* list = store.GetCategoryList(categoryId);
    for (int i = 0; list && i < list->GetCardCount(); ++i) {
        names.append(fromCardText(list->GetCardAt(i)->firstField));
    }
    return names;
}

QString shownName(Harness& h) {
    const Card* card = h.list()->ShownCard;
    return card ? fromCardText(card->firstField) : QString();
}

// What the card editor opened with, captured by the scripted handler.
struct EditorSeen {
    QString caption, category, second, okText;
    QStringList labels;
    bool attributesEnabled = false;
    bool urlButton = false;
};

/// Scripts the next card editor: records what it shows, then types `first` (and `password`)
/// and presses the default button, or cancels.
void scriptEditor(Harness& h, EditorSeen* seen, const QString& first, bool accept = true,
                  const QString& password = QString()) {
    h.prompter.onDialog<CCardDlg>([=](CCardDlg& dlg) {
        if (seen) {
            seen->caption = dlg.windowTitle();
            seen->category = dlg.categoryLabel()->text();
            seen->second = dlg.field(1)->text();
            seen->okText = dlg.okButton()->text();
            for (int i = 0; i < 4; ++i) {
                seen->labels.append(dlg.fieldLabel(i)->text());
            }
            seen->attributesEnabled = dlg.automaticAccessBox()->isEnabled();
            seen->urlButton = !dlg.editUrlButton()->isHidden();
        }
        if (!accept) {
            return int(QDialog::Rejected);
        }
        dlg.field(0)->setText(first);
        if (!password.isNull()) {
            dlg.field(3)->setText(password);
        }
        dlg.okButton()->click();
        return dlg.result();
    });
}

}  // namespace

class CardCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void newCardPerCategory_data();
    void newCardPerCategory();
    void newCardSelectsTheNewCard();
    void newCardWithoutCategoryDoesNothing();
    void editCard();
    void deleteCardKeepsItHidden();
    void firstAndLastCard();
    void find();
    void copyPasswordIsMarkedSecretAndCleared();
    void listRowsReachedByKeyboardAndCardChanges();
    void copyCutPasteCardsBetweenDocuments();
    void cutAndPasteFieldsInTheList();
    void doubleClickEditsFromTheList();

private:
    void openCards(Harness& h, const QString& name, const QList<CardSpec>& cards);
};

void CardCommandsTest::openCards(Harness& h, const QString& name, const QList<CardSpec>& cards) {
    writeCardFile(h.path(name), cards);
    QVERIFY(h.open(h.path(name)));
}

void CardCommandsTest::newCardPerCategory_data() {
    QTest::addColumn<int>("categoryId");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("attributes");
    QTest::addColumn<bool>("urlButton");
    QTest::addColumn<QString>("firstLabel");
    QTest::newRow("WWW Sites") << 0 << "http://" << true << true << "Name:";
    QTest::newRow("WWW Forms") << 1 << "" << true << false << "Name:";
    QTest::newRow("FTP Servers") << 2 << "ftp://" << true << true << "Name:";
    QTest::newRow("Newsgroups") << 3 << "ftp://" << false << true << "Name:";
    QTest::newRow("Login Accounts") << 5 << "telnet://" << false << true << "Name:";
    QTest::newRow("Credit Cards") << 8 << "" << false << false << "Name/Type:";
    QTest::newRow("Miscellaneous") << 14 << "http://" << true << false << "Name:";
}

void CardCommandsTest::newCardPerCategory() {
    QFETCH(int, categoryId);
    QFETCH(QString, prefix);
    QFETCH(bool, attributes);
    QFETCH(bool, urlButton);
    QFETCH(QString, firstLabel);

    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kDateFormat, 4); });
    openCards(h, "cards.qvf", {{categoryId, "existing"}});
    h.tree()->SelectItem(h.cardItem(categoryId, "existing"));
    EditorSeen seen;
    scriptEditor(h, &seen, "added", true, "pw");
    QVERIFY(h.run(cmd::NewCard));

    QCOMPARE(seen.caption, QStringLiteral("Add New Card"));
    QCOMPARE(seen.okText, QStringLiteral("Add Card"));
    QCOMPARE(seen.category, CMainFrame::CategoryNameFromId(categoryId));
    QCOMPARE(seen.second, prefix);
    QCOMPARE(seen.attributesEnabled, attributes);
    QCOMPARE(seen.urlButton, urlButton);
    QCOMPARE(seen.labels.first(), firstLabel);

    const CardList* list = h.doc()->GetCategoryList(categoryId);
    QCOMPARE(list->GetCardCount(), 2);
    const Card* card = list->GetCardAt(1);
    QCOMPARE(card->fourthField, std::string("pw"));
    QCOMPARE(card->secondField, prefix.toStdString());
    QCOMPARE(card->dateText, FormatDateStamp(card->dateStamp, 4));
    QVERIFY(h.doc()->IsModified());
    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(namesIn(*saved, categoryId), (QStringList{"existing", "added"}));
}

void CardCommandsTest::newCardSelectsTheNewCard() {
    // List order b, a (positions 0 and 1) with a selected: the new card "c" is shown afterwards,
    // not the second item from the top.
    Harness h;
    openCards(h, "cards.qvf", {{0, "b"}, {0, "a"}});
    h.tree()->SelectItem(h.cardItem(0, "a"));
    scriptEditor(h, nullptr, "c");
    QVERIFY(h.run(cmd::NewCardButton));
    QCOMPARE(shownName(h), QStringLiteral("c"));
    QCOMPARE(h.frame()->GetCurrentCardPosition(), 2);
    QVERIFY(h.tree()->hasFocus() || !h.frame()->isActiveWindow());

    // Cancel adds nothing.
    scriptEditor(h, nullptr, "d", false);
    QVERIFY(h.run(cmd::NewCard));
    QCOMPARE(h.doc()->GetCategoryList(0)->GetCardCount(), 3);
}

void CardCommandsTest::newCardWithoutCategoryDoesNothing() {
    Harness h;
    openCards(h, "cards.qvf", {{0, "a"}});
    h.tree()->SelectItem(QModelIndex());
    QVERIFY(h.run(cmd::NewCard));  // no editor comes up: the prompter would fail the test
    QCOMPARE(h.doc()->store().shownCardCount(), 1);
    QVERIFY(!h.doc()->IsModified());
}

void CardCommandsTest::editCard() {
    Harness h;
    openCards(h, "cards.qvf", {{8, "Visa", "04/29", "Ann", "1234"}});
    h.tree()->SelectItem(h.cardItem(8, "Visa"));
    const std::string dateText = h.list()->ShownCard->dateText;

    scriptEditor(h, nullptr, "Old", false);  // Cancel leaves it alone
    QVERIFY(h.run(cmd::EditCard));
    QCOMPARE(h.doc()->GetCategoryList(8)->GetCardAt(0)->firstField, std::string("Visa"));
    QVERIFY(!h.doc()->IsModified());

    EditorSeen seen;
    scriptEditor(h, &seen, "Mastercard");
    QVERIFY(h.run(cmd::UpdateCardButton));
    QCOMPARE(seen.caption, QStringLiteral("Edit Card"));
    QCOMPARE(seen.okText, QStringLiteral("OK"));
    QCOMPARE(seen.labels, (QStringList{"Name/Type:", "Exp. Date:", "Number:", "PIN Code:"}));
    QVERIFY(!seen.attributesEnabled);
    const Card* card = h.doc()->GetCategoryList(8)->GetCardAt(0);
    QCOMPARE(card->firstField, std::string("Mastercard"));
    QCOMPARE(card->fourthField, std::string("1234"));
    QCOMPARE(card->dateText, dateText);
    QVERIFY(card->stateFlags & kStateEdited);
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("Mastercard"));
    QCOMPARE(shownName(h), QStringLiteral("Mastercard"));
    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(namesIn(*saved, 8), QStringList{"Mastercard"});
    QVERIFY(saved->GetCategoryList(8)->GetCardAt(0)->stateFlags & kStateEdited);
}

void CardCommandsTest::deleteCardKeepsItHidden() {
    Harness h;
    openCards(h, "cards.qvf", {{7, "Savings"}, {7, "Current"}, {0, "web"}});
    h.tree()->SelectItem(h.cardItem(7, "Savings"));

    h.prompter.answers = {GuiPrompter::Answer::No};  // Cancel
    QVERIFY(h.run(cmd::DeleteCard));
    QCOMPARE(h.prompter.questions, QStringList{"Are you sure you want to delete this card?"});
    QCOMPARE(h.prompter.confirmCaptions, QStringList{"Warning"});
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardCount(), 2);

    h.prompter.answers = {GuiPrompter::Answer::Yes};  // OK
    QVERIFY(h.run(cmd::DeleteCardButton));
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardCount(), 1);
    QVERIFY(!h.frame()->CardSelected());
    QCOMPARE(h.tree()->currentIndex(), h.tree()->GetCategoryItemAt(7));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(1023)->text(), QStringLiteral("2"));
    QVERIFY(!h.enabled(cmd::DeleteCard));

    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(namesIn(*saved, 7), QStringList{"Current"});
    QCOMPARE(namesIn(*saved, kDeletedCategoryId), QStringList{"Savings"});
    QVERIFY(saved->GetCategoryList(kDeletedCategoryId)->GetCardAt(0)->stateFlags & kStateDeleted);
}

void CardCommandsTest::firstAndLastCard() {
    Harness h;
    openCards(h, "cards.qvf", {{0, "m"}, {0, "z"}, {0, "a"}});
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(0));
    QVERIFY(h.run(cmd::LastCard));
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("z"));
    QVERIFY(h.run(cmd::FirstCard));
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("a"));
    // An empty category: nothing happens.
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(3));
    QVERIFY(h.run(cmd::LastCard));
    QCOMPARE(h.tree()->currentIndex(), h.tree()->GetCategoryItemAt(3));
    // With the card list as the active pane the commands leave the selection alone.
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    QVERIFY(h.run(cmd::FirstCard));
    QCOMPARE(h.tree()->currentIndex(), h.tree()->GetCategoryItemAt(3));
}

void CardCommandsTest::find() {
    Harness h;
    openCards(h, "cards.qvf",
              {{5, "login one", "", "", "", "NOTE"}, {6, "pop note"}, {0, "web note"}, {14, "misc"}});
    QVERIFY(h.run(cmd::EditFind));
    QCOMPARE(h.prompter.shown.size(), 1);
    auto* dialog = qobject_cast<CFindCardDlg*>(h.prompter.shown.first());
    QVERIFY(dialog);
    QVERIFY(h.run(cmd::FindButton));  // open already: no second one
    QCOMPARE(h.prompter.shown.size(), 1);

    dialog->findButton()->click();  // empty keyword
    QCOMPARE(h.prompter.messages(), QStringList{"Please enter a string."});

    // Find's order: WWW Sites, ..., POP Accounts before Login Accounts, ..., Miscellaneous.
    dialog->keywordField()->setText("note");
    dialog->findButton()->click();
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("web note"));
    dialog->findAgainButton()->click();
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("pop note"));
    dialog->findAgainButton()->click();  // "NOTE" in upper case does not match without Ignore Case
    QCOMPARE(h.prompter.messages(), (QStringList{"Please enter a string.", "Card not found, try again."}));
    QVERIFY(h.run(cmd::FindAgain));  // Ctrl+G in the main window; after a failed search from the start
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("web note"));

    dialog->ignoreCaseBox()->setChecked(true);
    dialog->findAgainButton()->click();
    dialog->findAgainButton()->click();
    QCOMPARE(h.tree()->itemText(h.tree()->currentIndex()), QStringLiteral("login one"));
    QCOMPARE(h.prompter.messages().size(), 2);  // no further "Card not found"

    dialog->cancelButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!h.frame()->FindDialog);
    QVERIFY(!h.enabled(cmd::FindAgain));
    QVERIFY(h.run(cmd::EditFind));  // a new one
    QCOMPARE(h.prompter.shown.size(), 2);
}

void CardCommandsTest::copyPasswordIsMarkedSecretAndCleared() {
    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kClearClipboardSeconds, 1); });
    openCards(h, "cards.qvf", {{0, "site", "", "", "p\u00E4ss"}, {0, "empty"}});
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");

    // While the card list is the active pane the command does nothing.
    h.tree()->SelectItem(h.cardItem(0, "site"));
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    QVERIFY(h.run(cmd::CopyPassword));
    QCOMPARE(clipboard->text(), QStringLiteral("before"));

    h.frame()->activeChildFrame()->SetActiveView(h.tree());
    QVERIFY(h.run(cmd::CopyPassword));
    QCOMPARE(clipboard->text(), QStringLiteral("p\u00E4ss"));
    QCOMPARE(clipboard->mimeData()->data(CardClipboard::kSecretHintType), QByteArray("secret"));
    QTRY_COMPARE_WITH_TIMEOUT(clipboard->text(), QString(), 3000);

    // An empty password is an empty text; something copied meanwhile is never cleared.
    h.tree()->SelectItem(h.cardItem(0, "empty"));
    QVERIFY(h.run(cmd::CopyPassword));
    QVERIFY(clipboard->mimeData()->hasText());
    QCOMPARE(clipboard->text(), QString());
    auto* clearTimer = h.frame()->findChild<QTimer*>(QStringLiteral("passwordClearTimer"));
    QVERIFY(clearTimer && clearTimer->isActive());
    QSignalSpy clearDue(clearTimer, &QTimer::timeout);
    clipboard->setText("mine");
    QVERIFY(clearDue.wait(10000));  // the clipboard's own handler ran before the spy's
    QCOMPARE(clipboard->text(), QStringLiteral("mine"));

    // At exit a copied password goes too, also when it is never cleared by time; anything else stays.
    for (const bool replaced : {false, true}) {
        {
            Harness never({}, [](MemorySettings& s) { writeSetting(s, settings::kClearClipboardSeconds, 0); });
            openCards(never, "cards.qvf", {{0, "site", "", "", "secret"}});
            never.tree()->SelectItem(never.cardItem(0, "site"));
            QVERIFY(never.run(cmd::CopyPassword));
            QCOMPARE(clipboard->text(), QStringLiteral("secret"));
            if (replaced) {
                clipboard->setText("mine");
            }
        }
        QCOMPARE(clipboard->text(), replaced ? QStringLiteral("mine") : QString());
    }
}

void CardCommandsTest::listRowsReachedByKeyboardAndCardChanges() {
    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kClearClipboardSeconds, 30); });
    openCards(h, "cards.qvf", {{0, "site", "http://x", "ann", "p@ss"}, {0, "other", "http://y", "bob", "pw2"}});
    QClipboard* clipboard = QGuiApplication::clipboard();
    CQuorvaneListView* list = h.list();

    // Home, then Down to the password row, as the arrow keys do: Copy takes that row's text, as a password.
    h.tree()->SelectItem(h.cardItem(0, "site"));
    h.frame()->activeChildFrame()->SetActiveView(list);
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
    }
    QVERIFY(h.run(cmd::EditCopy));
    QCOMPARE(clipboard->text(), QStringLiteral("p@ss"));
    QCOMPARE(clipboard->mimeData()->data(CardClipboard::kSecretHintType), QByteArray("secret"));

    // Another card shown: no row is current until one is chosen, so nothing of the first card is copied.
    clipboard->setText("before");
    list->OnRowClicked(2);
    h.tree()->SelectItem(h.cardItem(0, "other"));
    h.frame()->activeChildFrame()->SetActiveView(list);
    QVERIFY(h.run(cmd::EditCopy));
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
    list->OnRowClicked(2);
    QVERIFY(h.run(cmd::EditCopy));
    QCOMPARE(clipboard->text(), QStringLiteral("bob"));

    // Cut on a web switch copies it and changes nothing; Paste there takes nothing.
    list->OnRowClicked(5);
    QVERIFY(h.run(cmd::EditCut));
    QCOMPARE(clipboard->text(), QStringLiteral("Off"));
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(h.run(cmd::EditPaste));
    QVERIFY(!h.doc()->IsModified());
}

void CardCommandsTest::copyCutPasteCardsBetweenDocuments() {
    Harness h;
    openCards(h, "a.qvf", {{0, "site"}, {7, "bank"}});
    openCards(h, "b.qvf", {{14, "other"}});
    CQuorvaneDoc* b = h.doc();

    // Copy in a, Paste in b: "Copy of site", then Paste is disabled.
    h.frame()->windowList()->activatePrevious();
    h.tree()->SelectItem(h.cardItem(0, "site"));
    QVERIFY(h.run(cmd::EditCopy));
    h.frame()->windowList()->activateNext();
    QCOMPARE(h.doc(), b);
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(14));
    QVERIFY(h.run(cmd::EditPaste));
    QCOMPARE(b->GetCategoryList(14)->GetCardAt(1)->firstField, std::string("Copy of site"));
    QCOMPARE(shownName(h), QStringLiteral("Copy of site"));
    QVERIFY(!h.enabled(cmd::EditPaste));

    // Cut in a, close a without saving, then Paste in b: the card arrives under its own name.
    h.frame()->windowList()->activatePrevious();
    h.tree()->SelectItem(h.cardItem(7, "bank"));
    QVERIFY(h.run(cmd::EditCut));
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardCount(), 0);
    QVERIFY(h.doc()->IsModified());
    h.prompter.answers = {GuiPrompter::Answer::No};
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.prompter.questions.last(), QStringLiteral("Save changes to a.qvf?"));
    QCOMPARE(h.doc(), b);
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(7));
    QVERIFY(h.run(cmd::EditPaste));
    QCOMPARE(b->GetCategoryList(7)->GetCardAt(0)->firstField, std::string("bank"));
    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(namesIn(*saved, 7), QStringList{"bank"});
    QCOMPARE(namesIn(*saved, 14), (QStringList{"other", "Copy of site"}));

    // The file a was left as it was: the cut was not saved.
    CardStore a;
    SilentReader reader;
    QVERIFY(loadCardDocument(h.path("a.qvf").toStdString(), a, reader, 0).outcome == LoadOutcome::Loaded);
    QCOMPARE(namesIn(a, 7), QStringList{"bank"});
}

void CardCommandsTest::cutAndPasteFieldsInTheList() {
    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kDateFormat, 4); });
    openCards(h, "cards.qvf", {{7, "bank", "", "", "", "the note"}, {7, "another"}});
    h.tree()->SelectItem(h.cardItem(7, "bank"));
    h.frame()->activeChildFrame()->SetActiveView(h.list());

    // Cut the note row: on the clipboard, gone from the card, the tree active again.
    h.list()->OnRowClicked(4);
    QVERIFY(h.run(cmd::EditCut));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the note"));
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardAt(0)->note, std::string());
    QCOMPARE(h.frame()->activeChildFrame()->GetActiveView(), static_cast<View*>(h.tree()));
    QCOMPARE(shownName(h), QStringLiteral("bank"));

    // Paste it back into the note row, then a date into the date row.
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    h.list()->OnRowClicked(4);
    QVERIFY(h.run(cmd::EditPaste));
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardAt(0)->note, std::string("the note"));
    QGuiApplication::clipboard()->setText("2031-05-17");
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    h.list()->OnRowClicked(5);
    QVERIFY(h.run(cmd::EditPaste));
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardAt(0)->dateStamp, DateStampFor(2031, 5, 17));
    QCOMPARE(h.list()->topLevelItem(5)->text(1), QStringLiteral("2031-05-17"));

    // Text a card cannot hold changes nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("\u4E2D"));
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    h.list()->OnRowClicked(0);
    QVERIFY(h.run(cmd::EditPaste));
    QCOMPARE(h.prompter.messages(),
             QStringList{QStringLiteral("The character \u201C\u4E2D\u201D (U+4E2D) cannot be stored: Quorvane keeps "
                                        "texts in the Windows-1252 character set.")});
    QCOMPARE(h.doc()->GetCategoryList(7)->GetCardAt(0)->firstField, std::string("bank"));

    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(saved->GetCategoryList(7)->GetCardAt(0)->note, std::string("the note"));
    QCOMPARE(saved->GetCategoryList(7)->GetCardAt(0)->dateStamp, DateStampFor(2031, 5, 17));
}

void CardCommandsTest::doubleClickEditsFromTheList() {
    Harness h;
    openCards(h, "cards.qvf", {{0, "site", "http://x", "ann", "pw", "short"}, {0, "another"}});
    h.tree()->SelectItem(h.cardItem(0, "site"));

    EditorSeen seen;
    scriptEditor(h, &seen, "renamed");
    h.list()->OnRowDoubleClicked(2);
    QCOMPARE(seen.caption, QStringLiteral("Edit Card"));
    QVERIFY(seen.attributesEnabled);
    QCOMPARE(shownName(h), QStringLiteral("renamed"));
    QVERIFY(h.doc()->IsModified());

    QString opened;
    h.prompter.onDialog<CNoteDlg>([&](CNoteDlg& dlg) {
        opened = dlg.noteEdit()->toPlainText();
        dlg.noteEdit()->setPlainText("line one\nline two");
        dlg.okButton()->click();
        return dlg.result();
    });
    h.list()->OnRowDoubleClicked(4);
    QCOMPARE(opened, QStringLiteral("short"));
    QCOMPARE(h.list()->topLevelItem(4)->text(1), QStringLiteral("line one..."));

    std::unique_ptr<CardStore> saved = saveAndReload(h);
    QVERIFY(saved);
    QCOMPARE(namesIn(*saved, 0), (QStringList{"renamed", "another"}));
    // Line breaks are kept as CR LF, as card files hold them.
    QCOMPARE(saved->GetCategoryList(0)->GetCardAt(0)->note, std::string("line one\r\nline two"));
}

QTEST_MAIN(CardCommandsTest)
#include "CardCommandsTest.moc"
