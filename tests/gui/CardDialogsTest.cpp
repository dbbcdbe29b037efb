// The card dialogs: the card editor with its password pop-up, long-URL editor and checks at OK, the
// note editor, and the modeless Find Card box with its search positions.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "ScriptedPrompter.h"
#include "cardstore/Categories.h"
#include "ui/cards/CardDlg.h"
#include "ui/common/StrengthLabel.h"
#include "ui/cards/EditUrlDlg.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/cards/FindCardDlg.h"
#include "ui/cards/NoteDlg.h"
#include "ui/common/RevealButton.h"
#include "ui/fileenc/FilePasswordDlg.h"

namespace {

CardDlgData cardData(int categoryId) {
    const CategoryInfo* info = findCategory(categoryId);
    CardDlgData data;
    data.category = QString::fromUtf8(info->displayName);
    for (int i = 0; i < 4; ++i) {
        data.labels[i] = QString::fromUtf8(info->labels[i]);
    }
    return data;
}

bool showActive(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowActive(&dialog);
}

/// Also records where each pop-up menu would open.
class PopupPrompter : public ScriptedPrompter {
public:
    QList<QPoint> positions;
    void popupText(const QString& text, const QPoint& globalPos) override {
        ScriptedPrompter::popupText(text, globalPos);
        positions.append(globalPos);
    }
};

constexpr int kOpen = -1;  // a result no button gives: the dialog is still open

const QString kNotWindows1252 =
    QStringLiteral(" cannot be stored: Quorvane keeps texts in the Windows-1252 character set.");

}  // namespace

class CardDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void cardEditorOpens_data();
    void cardEditorOpens();
    void cardEditorReturnsItsControls();
    void showPassword_data();
    void showPassword();
    void editUrl_data();
    void editUrl();
    void textsCheckedAtOk_data();
    void textsCheckedAtOk();
    void cardEditorTabOrder_data();
    void cardEditorTabOrder();
    void generateFillsThePasswordAndStrengthFollows();
    void strengthLineCountsAtTheCostThatGuardsThePassword();
    void passwordDialogsTabFromPasswordToConfirmation();
    void keys_data();
    void keys();
    void findCardSearchPositions();
    void findCardIsDeletedWhenClosed_data();
    void findCardIsDeletedWhenClosed();
};

void CardDialogsTest::cardEditorOpens_data() {
    QTest::addColumn<int>("categoryId");
    QTest::addColumn<bool>("attributesEnabled");
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<bool>("maskPassword");
    QTest::addColumn<bool>("urlButton");
    QTest::addColumn<QStringList>("labels");

    const QStringList web = {"Name:", "URL:", "User ID:", "Password:"};
    QTest::newRow("Credit Cards") << 8 << false << false << true << false
                                  << QStringList{"Name/Type:", "Exp. Date:", "Number:", "PIN Code:"};
    QTest::newRow("Login Accounts") << 5 << false << false << true << true
                                    << QStringList{"Name:", "Host:", "Login:", "Password:"};
    QTest::newRow("WWW Sites, attributes on") << 0 << true << false << true << true << web;
    QTest::newRow("FTP Servers") << 2 << true << false << true << true << web;
    QTest::newRow("Newsgroups") << 3 << true << false << true << true << web;
    QTest::newRow("E-Mail Contacts") << 4 << true << false << true << true
                                     << QStringList{"Name:", "URL:", "N/A:", "N/A:"};
    QTest::newRow("WWW Forms") << 1 << false << false << true << false << web;
    QTest::newRow("Miscellaneous") << 14 << false << false << true << false
                                   << QStringList{"Name:", "Home Page:", "Description:", "Password:"};
    QTest::newRow("edit mode") << 0 << true << true << true << true << web;
    QTest::newRow("password not masked") << 0 << true << false << false << true << web;
}

void CardDialogsTest::cardEditorOpens() {
    QFETCH(int, categoryId);
    QFETCH(bool, attributesEnabled);
    QFETCH(bool, editMode);
    QFETCH(bool, maskPassword);
    QFETCH(bool, urlButton);
    QFETCH(QStringList, labels);

    CardDlgData data = cardData(categoryId);
    data.attributesEnabled = attributesEnabled;
    data.editMode = editMode;
    data.maskPassword = maskPassword;
    CCardDlg dlg(data);

    QCOMPARE(dlg.windowTitle(), editMode ? QStringLiteral("Edit Card") : QStringLiteral("Add New Card"));
    QCOMPARE(dlg.okButton()->text(), editMode ? QStringLiteral("OK") : QStringLiteral("Add Card"));
    QVERIFY(dlg.okButton()->isDefault());
    QCOMPARE(dlg.categoryLabel()->text(), data.category);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(dlg.fieldLabel(i)->text(), labels[i]);
        QCOMPARE(dlg.field(i)->maxLength(), 32766);
    }
    QCOMPARE(dlg.field(0)->text(), QStringLiteral("Untitled"));
    QCOMPARE(dlg.field(3)->echoMode(), maskPassword ? QLineEdit::Password : QLineEdit::Normal);
    QCOMPARE(dlg.field(0)->echoMode(), QLineEdit::Normal);
    QCOMPARE(dlg.newBrowserWindowBox()->isEnabled(), attributesEnabled);
    QCOMPARE(dlg.automaticAccessBox()->isEnabled(), attributesEnabled);
    QCOMPARE(!dlg.editUrlButton()->isHidden(), urlButton);
    QVERIFY(!dlg.showPasswordButton()->isHidden());
}

void CardDialogsTest::cardEditorReturnsItsControls() {
    ScriptedPrompter prompter;
    CardDlgData data = cardData(0);
    data.firstField = QStringLiteral("Bank");
    data.secondField = QStringLiteral("https://bank.example");
    data.thirdField = QStringLiteral("jo");
    data.fourthField = QStringLiteral("s\u00e9cret");
    data.note = QStringLiteral("line one\nline two");
    data.newBrowserWindow = true;
    data.attributesEnabled = true;
    data.editMode = true;
    CCardDlg dlg(data);
    QCOMPARE(dlg.field(1)->text(), data.secondField);
    QCOMPARE(dlg.field(3)->text(), data.fourthField);
    QCOMPARE(dlg.noteEdit()->toPlainText(), data.note);
    QVERIFY(dlg.newBrowserWindowBox()->isChecked());
    QVERIFY(!dlg.automaticAccessBox()->isChecked());

    // No field is required: emptied texts are taken as they are.
    dlg.show();
    dlg.field(0)->clear();
    dlg.field(2)->setText(QStringLiteral("jo2"));
    dlg.noteEdit()->clear();
    dlg.newBrowserWindowBox()->setChecked(false);
    dlg.automaticAccessBox()->setChecked(true);
    dlg.okButton()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));

    const CardDlgData out = dlg.data();
    QCOMPARE(out.firstField, QString());
    QCOMPARE(out.secondField, data.secondField);
    QCOMPARE(out.thirdField, QStringLiteral("jo2"));
    QCOMPARE(out.fourthField, data.fourthField);
    QCOMPARE(out.note, QString());
    QVERIFY(!out.newBrowserWindow);
    QVERIFY(out.automaticAccess);
    QCOMPARE(out.category, data.category);
    QCOMPARE(out.labels, data.labels);
    QVERIFY(out.editMode);
}

void CardDialogsTest::showPassword_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    QTest::newRow("typed") << QStringLiteral("p\u00e4ss & word") << QStringLiteral("p\u00e4ss & word");
    QTest::newRow("empty") << QString() << QStringLiteral("Empty");
}

void CardDialogsTest::showPassword() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    PopupPrompter prompter;
    CCardDlg dlg(cardData(5));
    dlg.move(140, 90);
    QVERIFY(showActive(dlg));
    dlg.field(3)->setText(typed);
    RevealButton* button = dlg.showPasswordButton();
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(prompter.popups, QStringList{shown});
    QCOMPARE(prompter.positions.first(),
             button->mapToGlobal(QPoint(0, 0)) + QPoint(button->width() + 5, button->height()));
    QVERIFY(!button->toolTip().isEmpty());
    QVERIFY(!button->accessibleName().isEmpty());
    // The pop-up leaves the field and its mask alone.
    QCOMPARE(dlg.field(3)->text(), typed);
    QCOMPARE(dlg.field(3)->echoMode(), QLineEdit::Password);

    dlg.okButton()->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.data().fourthField, typed);
}

void CardDialogsTest::editUrl_data() {
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");  // null: the URL editor is left as it opened
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result");

    const QString longUrl = QStringLiteral("https://example.org/path?q=") + QString(473, QLatin1Char('a'));
    Q_ASSERT(longUrl.size() == 500);
    QTest::newRow("500 characters come back whole") << longUrl << QString() << true << longUrl;
    QTest::newRow("500 characters typed") << QString() << longUrl << true << longUrl;
    QTest::newRow("line breaks removed") << QStringLiteral("x") << QStringLiteral("https://a/\nb\r\nc\n") << true
                                         << QStringLiteral("https://a/bc");
    QTest::newRow("cancel") << longUrl << QStringLiteral("changed") << false << longUrl;
}

void CardDialogsTest::editUrl() {
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QString, result);

    ScriptedPrompter prompter;
    CardDlgData data = cardData(0);
    data.secondField = initial;
    CCardDlg dlg(data);
    QVERIFY(!dlg.editUrlButton()->toolTip().isEmpty());
    QVERIFY(!dlg.editUrlButton()->accessibleName().isEmpty());
    QString opened;
    prompter.onDialog<CEditUrlDlg>([&](CEditUrlDlg& d) {
        opened = d.url();
        if (!typed.isNull()) {
            d.urlEdit()->setPlainText(typed);
        }
        return int(ok ? QDialog::Accepted : QDialog::Rejected);
    });
    dlg.editUrlButton()->click();

    QCOMPARE(prompter.dialogs, QStringList{"Edit URL"});
    QCOMPARE(opened, initial);
    QCOMPARE(dlg.field(1)->text(), result);
}

void CardDialogsTest::textsCheckedAtOk_data() {
    QTest::addColumn<bool>("noteDialog");  // the Note dialog instead of the card editor
    QTest::addColumn<int>("control");      // 0-3: a card field, 4: the note
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");  // empty: the dialog closes with OK

    const QString omega = QStringLiteral("The character \u201C\u03A9\u201D (U+03A9)") + kNotWindows1252;
    QTest::newRow("PIN Code, Greek letter")
        << false << 3 << QStringLiteral("12\u03A934") << "Please change the PIN Code field. " + omega;
    QTest::newRow("Name/Type, emoji")
        << false << 0 << QStringLiteral("Visa \U0001F600")
        << "Please change the Name/Type field. The character \u201C\U0001F600\u201D (U+1F600)" + kNotWindows1252;
    QTest::newRow("Exp. Date, NUL") << false << 1 << QStringLiteral("12") + QChar(0) + QStringLiteral("25")
                                    << "Please change the Exp. Date field. It holds a NUL character, which a card "
                                       "cannot keep.";
    QTest::newRow("note, Greek letter") << false << 4 << QStringLiteral("a\n\u03A9")
                                        << "Please change the Note field. " + omega;
    QTest::newRow("note, 32,767 characters")
        << false << 4 << QString(32767, QLatin1Char('x'))
        << "Please shorten the Note field. It holds 32,767 characters; a card keeps at most 32,766.";
    QTest::newRow("note dialog, Greek letter")
        << true << 4 << QStringLiteral("\u03A9") << "Please change the Note field. " + omega;
    QTest::newRow("note dialog, 32,767 characters")
        << true << 4 << QString(32767, QChar(0x20AC))
        << "Please shorten the Note field. It holds 32,767 characters; a card keeps at most 32,766.";

    // The limit counts Windows-1252 bytes: a euro sign is one of them, though three in UTF-8.
    QTest::newRow("note, 32,766 euro signs") << false << 4 << QString(32766, QChar(0x20AC)) << QString();
    QTest::newRow("Number, 32,766 characters") << false << 2 << QString(32766, QLatin1Char('7')) << QString();
    QTest::newRow("note dialog, 32,766 euro signs") << true << 4 << QString(32766, QChar(0x20AC)) << QString();
    QTest::newRow("note dialog, empty") << true << 4 << QString() << QString();
    QTest::newRow("Windows-1252 letters") << false << 3 << QStringLiteral("\u00e9\u00df\u201C\u2122") << QString();
}

void CardDialogsTest::textsCheckedAtOk() {
    QFETCH(bool, noteDialog);
    QFETCH(int, control);
    QFETCH(QString, text);
    QFETCH(QString, message);

    ScriptedPrompter prompter;
    std::unique_ptr<QDialog> dlg;
    QWidget* edit = nullptr;
    QPushButton* ok = nullptr;
    if (noteDialog) {
        auto* note = new CNoteDlg(QStringLiteral("old note"));
        dlg.reset(note);
        QCOMPARE(note->windowTitle(), QStringLiteral("Note "));
        QCOMPARE(note->note(), QStringLiteral("old note"));
        note->noteEdit()->setPlainText(text);
        edit = note->noteEdit();
        ok = note->okButton();
    } else {
        auto* card = new CCardDlg(cardData(8));
        dlg.reset(card);
        if (control < 4) {
            card->field(control)->setText(text);
            edit = card->field(control);
        } else {
            card->noteEdit()->setPlainText(text);
            edit = card->noteEdit();
        }
        ok = card->okButton();
    }
    QVERIFY(showActive(*dlg));
    dlg->setResult(-1);
    ok->setFocus();
    ok->click();

    if (message.isEmpty()) {
        QVERIFY(prompter.messages().isEmpty());
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QVERIFY(!dlg->isVisible());
        if (noteDialog) {
            QCOMPARE(static_cast<CNoteDlg*>(dlg.get())->note(), text);
        } else {
            const CardDlgData data = static_cast<CCardDlg*>(dlg.get())->data();
            const QString texts[] = {data.firstField, data.secondField, data.thirdField, data.fourthField, data.note};
            QCOMPARE(texts[control], text);
        }
        return;
    }
    QCOMPARE(prompter.messages(), QStringList{message});
    QCOMPARE(dlg->result(), -1);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->focusWidget(), edit);
}

void CardDialogsTest::cardEditorTabOrder_data() {
    QTest::addColumn<int>("categoryId");
    QTest::addColumn<bool>("attributesEnabled");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("WWW Sites, attributes on")
        << 0 << true << QStringList{"first", "second", "url",       "third", "fourth", "show",
                                    "generate", "note", "newWindow", "auto",  "ok",     "cancel"};
    // Hidden and disabled controls drop out of the order.
    QTest::newRow("Credit Cards") << 8 << false
                                  << QStringList{"first", "second", "third", "fourth", "show", "generate", "note",
                                                 "ok",    "cancel"};
}

void CardDialogsTest::cardEditorTabOrder() {
    QFETCH(int, categoryId);
    QFETCH(bool, attributesEnabled);
    QFETCH(QStringList, order);

    CardDlgData data = cardData(categoryId);
    data.attributesEnabled = attributesEnabled;
    data.note = QStringLiteral("note");
    CCardDlg dlg(data);
    const QHash<QWidget*, QString> names = {
        {dlg.field(0), "first"},
        {dlg.field(1), "second"},
        {dlg.editUrlButton(), "url"},
        {dlg.field(2), "third"},
        {dlg.field(3), "fourth"},
        {dlg.showPasswordButton(), "show"},
        {dlg.generateButton(), "generate"},
        {dlg.noteEdit(), "note"},
        {dlg.newBrowserWindowBox(), "newWindow"},
        {dlg.automaticAccessBox(), "auto"},
        {dlg.okButton(), "ok"},
        {dlg.cancelButton(), "cancel"},
    };
    QVERIFY(showActive(dlg));
    QCOMPARE(QApplication::focusWidget(), dlg.field(0));

    auto walk = [&](Qt::KeyboardModifiers modifiers) {
        QStringList seen;
        for (qsizetype i = 0; i < order.size(); ++i) {
            seen.append(names.value(QApplication::focusWidget(), QStringLiteral("?")));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        }
        return seen;
    };
    QCOMPARE(walk(Qt::NoModifier), order);
    QCOMPARE(QApplication::focusWidget(), dlg.field(0));              // round again
    QCOMPARE(dlg.noteEdit()->toPlainText(), QStringLiteral("note"));  // Tab moved on, wrote nothing

    QStringList backwards = walk(Qt::ShiftModifier);
    std::reverse(backwards.begin() + 1, backwards.end());
    QCOMPARE(backwards, order);
}

// A new password is typed twice: Tab leads from the first field to the second, not to the eye button
// beside it.
void CardDialogsTest::generateFillsThePasswordAndStrengthFollows() {
    CardDlgData data = cardData(0);
    data.generator.length = 32;
    CCardDlg dlg(data);
    QVERIFY(showActive(dlg));
    QCOMPARE(dlg.strengthLabel()->text(), QString());
    dlg.field(3)->setText(QStringLiteral("password"));
    QVERIFY(dlg.strengthLabel()->text().startsWith(QStringLiteral("Very weak: guessed offline in")));

    // The button, then Ctrl+G from the note: a new password each time, by the recipe.
    dlg.generateButton()->click();
    const QString first = dlg.field(3)->text();
    QCOMPARE(first.size(), 32);
    QCOMPARE(dlg.strengthLabel()->text(), QStringLiteral("Very strong: guessed offline in centuries"));
    dlg.noteEdit()->setFocus();
    QTest::keyClick(dlg.noteEdit(), Qt::Key_G, Qt::ControlModifier);
    QVERIFY(dlg.field(3)->text() != first);
    QCOMPARE(dlg.field(3)->text().size(), 32);
    QCOMPARE(dlg.noteEdit()->toPlainText(), QString());  // the key wrote nothing into the note
    QCOMPARE(dlg.data().fourthField, dlg.field(3)->text());

    CardDlgData words = cardData(0);
    words.generator.words = 5;
    CCardDlg phrase(words);
    phrase.generateButton()->click();
    QCOMPARE(phrase.field(3)->text().count(QLatin1Char('-')) >= 4, true);
}

// A card's password guards another party's site: its line counts at the fast hash. The passwords of
// our own files (Encrypt On Save, the file-encryption password) cost each guess a key derivation at
// the cost the file is written with, unless "Old format", which has none, is ticked.
void CardDialogsTest::strengthLineCountsAtTheCostThatGuardsThePassword() {
    const QString password = QStringLiteral("Tr0ub4dor&3");
    const QString fast = StrengthLabel::textFor(password);
    const QString slow = StrengthLabel::textFor(password, StrengthLabel::newKeySecondsHere());
    QVERIFY2(fast.contains(QStringLiteral("guessed offline in")), qPrintable(fast));
    QVERIFY2(slow.endsWith(QStringLiteral("per core at this file's cost")), qPrintable(slow));
    QVERIFY(slow.section(QLatin1Char(':'), 1) != fast.section(QLatin1Char(':'), 1));

    CCardDlg card(cardData(0));
    card.field(3)->setText(password);
    QCOMPARE(card.strengthLabel()->text(), fast);

    FileEncryptionInput on;
    on.encryptOnSave = true;
    FileEncryptionDlg encryptOnSave(on);
    FilePasswordDlg fileEncryption{QString()};
    const QList<std::pair<QLineEdit*, QCheckBox*>> ours = {
        {encryptOnSave.passwordField(), encryptOnSave.oldFormatBox()},
        {fileEncryption.passwordField(), fileEncryption.oldFormatBox()},
    };
    for (const auto& [field, oldFormat] : ours) {
        auto* strength = field->window()->findChild<StrengthLabel*>();
        QVERIFY(strength);
        field->setText(password);
        QCOMPARE(strength->text(), slow);
        oldFormat->setChecked(true);
        QCOMPARE(strength->text(), fast);
        oldFormat->setChecked(false);
        QCOMPARE(strength->text(), slow);
        field->setText(QStringLiteral("123456"));
        QVERIFY2(strength->text().startsWith(QStringLiteral("Very weak")), qPrintable(strength->text()));
    }
    // Opened with "Old format" on, the line starts at the fast figure.
    FilePasswordDlg oldFiles(password, nullptr, true);
    QCOMPARE(oldFiles.findChild<StrengthLabel*>()->text(), fast);
}

void CardDialogsTest::passwordDialogsTabFromPasswordToConfirmation() {
    FileEncryptionDlg onSave({true, QString(), QString()});
    FilePasswordDlg files{QString()};
    const QList<std::tuple<QDialog*, QLineEdit*, QLineEdit*>> dialogs = {
        {&onSave, onSave.passwordField(), onSave.confirmationField()},
        {&files, files.passwordField(), files.confirmationField()},
    };
    for (const auto& [dialog, password, confirmation] : dialogs) {
        QVERIFY(showActive(*dialog));
        password->setFocus();
        QTest::keyClicks(password, QStringLiteral("secret"));
        QTest::keyClick(password, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), confirmation);
        QTest::keyClick(confirmation, Qt::Key_Tab);
        QVERIFY(qobject_cast<RevealButton*>(QApplication::focusWidget()));
        dialog->reject();
    }
}

void CardDialogsTest::keys_data() {
    QTest::addColumn<QString>("where");  // the dialog and the control that has the focus
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");  // the multi-line edit's text afterwards

    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    const int accepted = QDialog::Accepted;
    const int rejected = QDialog::Rejected;
    QTest::newRow("card: Enter in a field") << "card field" << int(Qt::Key_Return) << none << accepted << "ab";
    QTest::newRow("card: keypad Enter in a field")
        << "card field" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << accepted << "ab";
    QTest::newRow("card: Escape") << "card field" << int(Qt::Key_Escape) << none << rejected << "ab";
    QTest::newRow("card: Enter in the note") << "card note" << int(Qt::Key_Return) << none << kOpen << "a\nb";
    QTest::newRow("card: Ctrl+Enter in the note") << "card note" << int(Qt::Key_Return) << ctrl << accepted << "ab";
    QTest::newRow("URL: Enter") << "URL" << int(Qt::Key_Return) << none << kOpen << "a\nb";
    QTest::newRow("URL: Ctrl+Enter") << "URL" << int(Qt::Key_Return) << ctrl << accepted << "ab";
    QTest::newRow("URL: Tab moves on") << "URL" << int(Qt::Key_Tab) << none << kOpen << "ab";
    QTest::newRow("URL: Escape") << "URL" << int(Qt::Key_Escape) << none << rejected << "ab";
    QTest::newRow("note: Enter") << "note" << int(Qt::Key_Return) << none << kOpen << "a\nb";
    QTest::newRow("note: Ctrl+Enter") << "note" << int(Qt::Key_Return) << ctrl << accepted << "ab";
    QTest::newRow("note: Tab moves on") << "note" << int(Qt::Key_Tab) << none << kOpen << "ab";
    QTest::newRow("note: Escape") << "note" << int(Qt::Key_Escape) << none << rejected << "ab";
}

void CardDialogsTest::keys() {
    QFETCH(QString, where);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, result);
    QFETCH(QString, text);

    ScriptedPrompter prompter;
    std::unique_ptr<QDialog> dlg;
    QPlainTextEdit* edit = nullptr;
    QWidget* receiver = nullptr;
    if (where.startsWith("card")) {
        CardDlgData data = cardData(0);
        data.note = QStringLiteral("ab");
        auto* card = new CCardDlg(data);
        dlg.reset(card);
        edit = card->noteEdit();
        receiver = where == "card field" ? static_cast<QWidget*>(card->field(0)) : edit;
    } else if (where == "URL") {
        auto* url = new CEditUrlDlg(QStringLiteral("ab"));
        dlg.reset(url);
        edit = url->urlEdit();
        receiver = edit;
    } else {
        auto* note = new CNoteDlg(QStringLiteral("ab"));
        dlg.reset(note);
        edit = note->noteEdit();
        receiver = edit;
    }
    QVERIFY(showActive(*dlg));
    dlg->setResult(kOpen);
    receiver->setFocus();
    if (receiver == edit) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(1);
        edit->setTextCursor(cursor);
    }
    QTest::keyClick(receiver, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(dlg->result(), result);
    QCOMPARE(dlg->isVisible(), result == kOpen);
    QCOMPARE(edit->toPlainText(), text);
    if (key == Qt::Key_Tab) {
        QVERIFY(QApplication::focusWidget() != edit);
    }
}

void CardDialogsTest::findCardSearchPositions() {
    QStringList calls;  // start|keyword|ignore case
    QList<int> answers = {4, -1, 2, 7, 3};
    ScriptedPrompter prompter;
    auto dlg = std::make_unique<CFindCardDlg>([&](int start, const QString& keyword, bool ignoreCase) {
        calls.append(QStringLiteral("%1|%2|%3").arg(start).arg(keyword, ignoreCase ? "yes" : "no"));
        return answers.takeFirst();
    });
    guiPrompter().show(*dlg);
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Find Card"));
    QVERIFY(!dlg->isModal());
    QVERIFY(dlg->findButton()->isDefault());
    QCOMPARE(dlg->lastIndex(), -1);
    dlg->keywordField()->setText(QStringLiteral("bank"));

    // Find Again first searches from the start, then on from the last find, and after a miss
    // from the start again; Find always starts at the top.
    QList<int> last;
    dlg->findAgainButton()->click();
    last.append(dlg->lastIndex());
    dlg->findAgainButton()->click();
    last.append(dlg->lastIndex());
    dlg->findAgainButton()->click();
    last.append(dlg->lastIndex());
    dlg->ignoreCaseBox()->setChecked(true);
    dlg->findButton()->click();
    last.append(dlg->lastIndex());
    // Enter in the keyword field is Find.
    QVERIFY(showActive(*dlg));
    dlg->keywordField()->setText(QStringLiteral("Visa"));
    QTest::keyClick(dlg->keywordField(), Qt::Key_Return);
    last.append(dlg->lastIndex());

    QCOMPARE(calls, (QStringList{"0|bank|no", "5|bank|no", "0|bank|no", "0|bank|yes", "0|Visa|yes"}));
    QCOMPARE(last, (QList<int>{4, -1, 2, 7, 3}));
    QVERIFY(dlg->isVisible());
}

void CardDialogsTest::findCardIsDeletedWhenClosed_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("window closed") << "close";
}

void CardDialogsTest::findCardIsDeletedWhenClosed() {
    QFETCH(QString, how);

    int searches = 0;
    QPointer<QDialog> owner = new CFindCardDlg([&](int, const QString&, bool) {
        ++searches;
        return 0;
    });
    auto* dlg = qobject_cast<CFindCardDlg*>(owner.data());
    QVERIFY(showActive(*dlg));
    if (how == "Cancel") {
        dlg->cancelButton()->click();
    } else if (how == "Escape") {
        QTest::keyClick(dlg->keywordField(), Qt::Key_Escape);
    } else {
        dlg->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(owner.isNull());
    QCOMPARE(searches, 0);
}

QTEST_MAIN(CardDialogsTest)
#include "CardDialogsTest.moc"
