// Card documents in the window: opening plain and encrypted files, the type switch of Encrypt On
// Save with its file deletions, saving, closing and the recent-file list.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

#include "ScriptedHarness.h"
#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "cardstore/CardFile.h"
#include "common/SafeFile.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/frame/CommandIds.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/frame/MainFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

const QString kPassword = QStringLiteral("correct horse");

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Encrypted in either form: body kind 1 (old) or 3 (strong).
bool encryptedOnDisk(const QString& path) {
    return contents(path).size() > 12 && (contents(path).at(12) == 1 || contents(path).at(12) == 3);
}

// Takes the core's messages of a check load without a window.
class ScriptedCoreUi : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return false; }
};

QString statusText(Harness& h) { return h.frame()->GetStatusDialogBarItem(StatusDialogBar::kSaveStatusText)->text(); }

FileEncryptionInput encryptWith(const QString& password, const QString& confirmation) {
    return {true, password, confirmation};
}

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void open_data();
    void open();
    void encryptedFileNameIsNeverParsed();
    void fileNewAndFileOpen();
    void encryptOnSaveRefusals();
    void switchToEncryptedAndBack();
    void failedSaveDeletesNothing();
    void saveAsOntoTheOldNameKeepsIt();
    void typeChangeDoesNotOverwriteAnotherFile();
    void switchThereAndBackLeavesOtherFilesAlone();
    void fileThatWasNoCardDocumentIsNotOverwrittenWithoutAsking();
    void oldDocumentOpenedWithoutItsPasswordIsNeverWrittenOver();
    void specialFilesAndLinksOpenSafely();
    void cardsOfUnknownCategoriesAreToldAndKept();
    void untitledDocumentStaysUntitled();
    void closeAndExitAskToSave();
    void recentFiles();
    void fileEncryptionDialogCollapses();
};

void DocumentTest::open_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("typed");  // passwords given at the prompt, in order
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("cards");          // -1: the document is closed again
    QTest::addColumn<QStringList>("messages");  // "%1": the test's folder
    QTest::addColumn<QString>("status");

    const QString wrong = QStringLiteral("Password not correct,try again.");
    QTest::newRow("plain") << "plain.qvf" << QStringList() << false << 3 << QStringList() << "(Not Encrypted)";
    QTest::newRow("encrypted, right password") << "secret.qve" << QStringList{kPassword} << false << 2
                                               << QStringList() << "(Encrypted)";
    QTest::newRow("encrypted, wrong case") << "secret.qve" << QStringList{"Correct horse"} << false << -1
                                           << QStringList{wrong} << "";
    QTest::newRow("encrypted, cancelled") << "secret.qve" << QStringList() << true << -1 << QStringList() << "";
    QTest::newRow("encrypted, empty") << "secret.qve" << QStringList{""} << false << -1
                                      << QStringList{"You must enter a password!", wrong} << "";
    QTest::newRow("password Windows-1252 cannot hold, then right one")
        << "secret.qve" << QStringList{QStringLiteral("pass\u03A9word"), kPassword} << false << 2
        << QStringList{QStringLiteral("The character \u201C\u03A9\u201D (U+03A9) cannot be stored: Quorvane keeps "
                                      "texts in the Windows-1252 character set.")}
        << "(Encrypted)";
    QTest::newRow("encrypted content under .qvf") << "secret-as-plain.qvf" << QStringList{kPassword} << false << 2
                                                  << QStringList() << "(Encrypted)";
    QTest::newRow("not a card document") << "junk.qvf" << QStringList() << false << 0
                                         << QStringList{"Not a Quorvane file"} << "(Not Encrypted)";
    QTest::newRow("missing file") << "missing.qvf" << QStringList() << false << -1
                                  << QStringList{"Unable to open missing.qvf.\nCannot open %1/missing.qvf: No such "
                                                 "file or directory"}
                                  << "";
}

void DocumentTest::open() {
    QFETCH(QString, file);
    QFETCH(QStringList, typed);
    QFETCH(bool, cancel);
    QFETCH(int, cards);
    QFETCH(QStringList, messages);
    QFETCH(QString, status);

    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "a"}, {8, "b"}, {14, "c"}});
    writeCardFile(h.path("secret.qve"), {{0, "a"}, {7, "b"}}, kPassword);
    QFile::copy(h.path("secret.qve"), h.path("secret-as-plain.qvf"));
    QFile junk(h.path("junk.qvf"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(40, 'z'));
    junk.close();

    for (const QString& password : typed) {
        h.prompter.passwords.append(password);
    }
    if (cancel) {
        h.prompter.passwords.append(std::nullopt);
    }
    h.open(h.path(file));

    for (QString& message : messages) {
        message = message.arg(h.dir.path());
    }
    QCOMPARE(h.prompter.messages(), messages);
    QVERIFY(h.prompter.unexpected.isEmpty());
    if (!typed.isEmpty() || cancel) {
        QCOMPARE(h.prompter.passwordTitles.first(), QStringLiteral("Decryption Password for file: ") + file);
    }
    if (cards < 0) {
        QCOMPARE(h.childFrameCount(), 0);
        QCOMPARE(h.frame()->docManager()->documents().size(), 0);
        return;
    }
    QCOMPARE(h.childFrameCount(), 1);
    QCOMPARE(h.doc()->store().shownCardCount(), cards);
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(statusText(h), status);
    QCOMPARE(h.frame()->windowTitle(), QStringLiteral("Quorvane - ") + file);
}

void DocumentTest::encryptedFileNameIsNeverParsed() {
    Harness h;
    // A perfectly good card document, but its name ends in "~~~": it must not be read. It opens in
    // a file-encryption window instead, beside a new empty card document.
    writeCardFile(h.path("cards.qve~~~"), {{0, "a"}}, kPassword);
    h.prompter.answers.append(DocPrompter::Answer::No);  // set a file-encryption password?
    h.open(h.path("cards.qve~~~"));
    QVERIFY(h.prompter.passwordTitles.isEmpty());
    QVERIFY(h.prompter.messages().isEmpty());
    QCOMPARE(h.prompter.questions.size(), 1);
    QCOMPARE(h.childFrameCount(), 2);
    QCOMPARE(h.frame()->activeChildFrame()->menuId(), 155);
    const QList<Document*> documents = h.frame()->docManager()->documents();
    QCOMPARE(documents.size(), 1);
    auto* doc = qobject_cast<CQuorvaneDoc*>(documents.first());
    QCOMPARE(doc->store().shownCardCount(), 0);
    QCOMPARE(doc->GetPathName(), QString());
}

void DocumentTest::fileNewAndFileOpen() {
    Harness h;
    QVERIFY(h.run(cmd::FileNew));
    QVERIFY(h.run(cmd::FileNew));
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(h.childFrameCount(), 2);
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("Untitled2"));
    QCOMPARE(h.doc()->GetDocTemplate()->resourceId(), 129);

    h.prompter.openNames.append(QString());  // the dialog is cancelled
    QVERIFY(h.run(cmd::FileOpen));
    QCOMPARE(h.prompter.openFilters.first(),
             (QStringList{"Encrypted Quorvan. File (*.qve)", "Encrypted File (*.~~~)",
                          "Not Encrypted Quorvan. File (*.qvf)", "All Files (*)"}));
    QCOMPARE(h.childFrameCount(), 2);

    // Opening a file that is open already brings its window forward instead of a second copy.
    writeCardFile(h.path("a.qvf"), {{0, "x"}});
    h.open(h.path("a.qvf"));
    h.open(h.path("a.qvf"));
    QCOMPARE(h.childFrameCount(), 3);
}

void DocumentTest::encryptOnSaveRefusals() {
    Harness h;
    writeCardFile(h.path("plain.qvf"), {{0, "a"}});
    const QByteArray before = contents(h.path("plain.qvf"));
    h.open(h.path("plain.qvf"));

    // Seven characters: refused, the switch stays on without a password, so Save is refused too.
    h.prompter.encryptionAnswers.append(encryptWith("1234567", "1234567"));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.messages(), QStringList{"Password to short, please use more characters!"});
    QCOMPARE(h.doc()->store().encryptOnSave, 1);
    QVERIFY(h.doc()->store().encryptionPassword.empty());
    QCOMPARE(h.doc()->GetPathName(), h.path("plain.qvf"));
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.messages(),
             (QStringList{"Password to short, please use more characters!", "The encryption password is not set."}));
    QCOMPARE(contents(h.path("plain.qvf")), before);

    // Two different texts: the message, and nothing changes.
    h.prompter.encryptionAnswers.append(encryptWith("abcdefgh", "abcdefgX"));
    QVERIFY(h.run(cmd::EncryptOnSaveButton));
    QCOMPARE(h.prompter.messages().mid(2), QStringList{"Password not correct, try again!"});
    QCOMPARE(h.doc()->store().encryptOnSave, 1);
    QVERIFY(h.doc()->store().encryptionPassword.empty());
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(statusText(h), QStringLiteral("(Not Encrypted)"));

    // Cancel changes nothing; the dialog opened with the switch as it was and empty fields.
    h.prompter.encryptionAnswers.append(std::nullopt);
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.encryptionDialogs.last().encryptOnSave, true);
    QCOMPARE(h.prompter.encryptionDialogs.last().password, QString());
    QCOMPARE(h.doc()->GetDocTemplate()->resourceId(), 129);
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void DocumentTest::switchToEncryptedAndBack() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "a"}, {8, "b"}});
    h.open(h.path("cards.qvf"));
    MdiChildFrame* plainWindow = h.frame()->activeChildFrame();

    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QVERIFY(h.prompter.messages().isEmpty());
    QCOMPARE(h.doc()->GetPathName(), h.path("cards.qve"));
    QCOMPARE(h.doc()->GetDocTemplate()->resourceId(), 200);
    QVERIFY(h.doc()->IsModified());
    QCOMPARE(h.childFrameCount(), 1);
    QVERIFY(h.frame()->activeChildFrame() != plainWindow);
    QCOMPARE(h.frame()->activeMenuId(), 200);
    QCOMPARE(statusText(h), QStringLiteral("(Encrypted)"));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text(), QStringLiteral("2"));
    QCOMPARE(h.frame()->windowTitle(), QStringLiteral("Quorvane - cards.qve"));
    // Nothing is deleted before the new file is on disk.
    QVERIFY(QFile::exists(h.path("cards.qvf")));
    QVERIFY(!QFile::exists(h.path("cards.qve")));

    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(encryptedOnDisk(h.path("cards.qve")));
    QVERIFY(!QFile::exists(h.path("cards.qvf")));

    // And back: the dialog opens checked (with empty fields: the strong form keeps its key, not the
    // password); clearing the box returns to .qvf.
    h.prompter.encryptionAnswers.append(FileEncryptionInput{false, QString(), QString()});
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.prompter.encryptionDialogs.last().encryptOnSave, true);
    QCOMPARE(h.prompter.encryptionDialogs.last().password, QString());
    QCOMPARE(h.doc()->GetPathName(), h.path("cards.qvf"));
    QCOMPARE(h.doc()->GetDocTemplate()->resourceId(), 129);
    QCOMPARE(statusText(h), QStringLiteral("(Not Encrypted)"));
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(!encryptedOnDisk(h.path("cards.qvf")));
    QVERIFY(!QFile::exists(h.path("cards.qve")));
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void DocumentTest::failedSaveDeletesNothing() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "a"}});
    h.open(h.path("cards.qvf"));
    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    QVERIFY(h.run(cmd::EncryptOnSave));

    setWriteFailureAfterBytes(0);
    QVERIFY(h.run(cmd::FileSave));
    setWriteFailureAfterBytes(std::nullopt);
    QCOMPARE(h.prompter.messages(), QStringList{"Unable to save cards.qve.\nCannot write " + h.path("cards.qve") +
                                                ": No space left on device"});
    QVERIFY(h.doc()->IsModified());
    QVERIFY(QFile::exists(h.path("cards.qvf")));
    QVERIFY(!QFile::exists(h.path("cards.qve")));

    // The next save succeeds and only then removes the plain file.
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(encryptedOnDisk(h.path("cards.qve")));
    QVERIFY(!QFile::exists(h.path("cards.qvf")));
}

void DocumentTest::saveAsOntoTheOldNameKeepsIt() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "a"}});
    h.open(h.path("cards.qvf"));
    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    QVERIFY(h.run(cmd::EncryptOnSave));
    h.prompter.saveNames.append(h.path("cards.qvf"));
    QVERIFY(h.run(cmd::FileSaveAs));
    QCOMPARE(h.prompter.saveSuggestions.first(), h.path("cards.qve"));
    QVERIFY(encryptedOnDisk(h.path("cards.qvf")));
    QCOMPARE(h.doc()->GetPathName(), h.path("cards.qvf"));
}

void DocumentTest::typeChangeDoesNotOverwriteAnotherFile() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "a"}});
    writeCardFile(h.path("cards.qve"), {{0, "someone else's"}}, kPassword);
    const QByteArray other = contents(h.path("cards.qve"));
    h.open(h.path("cards.qvf"));
    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    QVERIFY(h.run(cmd::EncryptOnSave));
    h.prompter.answers.append(GuiPrompter::Answer::No);
    h.prompter.saveNames.append(h.path("mine.qve"));
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions.size(), 1);
    QVERIFY(h.prompter.questions.first().endsWith("already exists. Do you want to replace it?"));
    QCOMPARE(contents(h.path("cards.qve")), other);
    QVERIFY(encryptedOnDisk(h.path("mine.qve")));
    QCOMPARE(h.doc()->GetPathName(), h.path("mine.qve"));
    QVERIFY(!QFile::exists(h.path("cards.qvf")));
}

void DocumentTest::switchThereAndBackLeavesOtherFilesAlone() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{0, "a"}});
    writeCardFile(h.path("cards.qve"), {{0, "someone else's"}}, kPassword);
    const QByteArray other = contents(h.path("cards.qve"));
    h.open(h.path("cards.qvf"));
    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    h.prompter.encryptionAnswers.append(FileEncryptionInput{false, QString(), QString()});
    QVERIFY(h.run(cmd::EncryptOnSave));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.doc()->GetPathName(), h.path("cards.qvf"));
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(h.prompter.questions.isEmpty());  // its own file: no question
    QVERIFY(!encryptedOnDisk(h.path("cards.qvf")));
    QCOMPARE(contents(h.path("cards.qve")), other);
}

void DocumentTest::fileThatWasNoCardDocumentIsNotOverwrittenWithoutAsking() {
    Harness h;
    {
        QFile f(h.path("notes.qvf"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("my notes, not a card document at all\n");
    }
    const QByteArray original = contents(h.path("notes.qvf"));
    h.open(h.path("notes.qvf"));
    QCOMPARE(h.prompter.messages(), QStringList{"Not a Quorvane file"});
    h.doc()->GetCategoryList(0)->AddCard(std::make_unique<Card>());
    h.doc()->SetModifiedFlag();
    h.prompter.answers.append(GuiPrompter::Answer::No);
    h.prompter.saveNames.append(QString());  // and then cancels Save As
    h.run(cmd::FileSave);
    QCOMPARE(h.prompter.questions.size(), 1);
    QCOMPARE(contents(h.path("notes.qvf")), original);
}

// Cancel at the password prompt of an old 1.001 document opens it empty; its file still holds the
// cards, so neither the automatic save nor Save writes the empty document over it unasked.
void DocumentTest::oldDocumentOpenedWithoutItsPasswordIsNeverWrittenOver() {
    Harness h({}, [](MemorySettings& s) {
        writeSetting(s, settings::kAutomaticSaveCheck, 1);
        writeSetting(s, settings::kAutomaticSave, std::string("1"));
    });
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_TEST_DATA "/old-1001-enc.qve"), h.path("old.qve")));
    const QByteArray original = contents(h.path("old.qve"));
    h.prompter.passwords.append(std::nullopt);
    h.open(h.path("old.qve"));
    QCOMPARE(h.childFrameCount(), 1);
    QCOMPARE(h.doc()->store().shownCardCount(), 0);
    QVERIFY(!h.doc()->savesToItsOwnFile());

    h.frame()->AddCardToCategory(h.doc(), 0, std::make_unique<Card>());
    h.doc()->SetModifiedFlag();
    for (int i = 0; i < 3; ++i) {
        h.frame()->OnAutosaveTick();
    }
    QCOMPARE(contents(h.path("old.qve")), original);
    QVERIFY(h.doc()->IsModified());

    h.prompter.answers.append(GuiPrompter::Answer::No);  // not over old.qve
    h.prompter.saveNames.append(h.path("new.qvf"));    // Save As instead
    h.run(cmd::FileSave);
    QCOMPARE(h.prompter.questions.size(), 1);
    QVERIFY(h.prompter.questions.first().startsWith(h.path("old.qve")));
    QCOMPARE(contents(h.path("old.qve")), original);
    QCOMPARE(h.doc()->GetPathName(), h.path("new.qvf"));
    QVERIFY(!h.doc()->IsModified());
}

// A FIFO among the files to open is refused with a message instead of hanging the window; one
// document reached through a link and through its own name opens once.
void DocumentTest::specialFilesAndLinksOpenSafely() {
    Harness h;
    QVERIFY(::mkfifo(QFile::encodeName(h.path("pipe.qvf")).constData(), 0600) == 0);
    QVERIFY(!h.frame()->docManager()->OpenDocumentFile(h.path("pipe.qvf")));
    QCOMPARE(h.prompter.messages(), QStringList{"Unable to open pipe.qvf.\nCannot read " + h.path("pipe.qvf") +
                                                ": it is not a regular file (a device, a pipe or a socket)."});
    QCOMPARE(h.childFrameCount(), 0);

    // A name that is not UTF-8 arrives with U+FFFD in place of its odd bytes: the message says so
    // rather than calling the file missing.
    QVERIFY(!h.frame()->docManager()->OpenDocumentFile(h.path(QStringLiteral("caf\uFFFD.qvf"))));
    QCOMPARE(h.prompter.messages().mid(1),
             QStringList{QStringLiteral("Unable to open caf\uFFFD.qvf.\nIts name is not valid UTF-8, which Quorvane "
                                        "cannot handle. Rename the file and open it again.")});

    writeCardFile(h.path("real.qvf"), {{0, "a"}});
    QVERIFY(QFile::link(h.path("real.qvf"), h.path("link.qvf")));
    h.open(h.path("real.qvf"));
    QVERIFY(h.frame()->docManager()->OpenDocumentFile(h.path("link.qvf")));
    QCOMPARE(h.childFrameCount(), 1);
    QCOMPARE(h.frame()->docManager()->documents().size(), 1);
}

// A card of a number the window has no category for is never shown, said once at open, and saved.
void DocumentTest::cardsOfUnknownCategoriesAreToldAndKept() {
    Harness h;
    QVERIFY(QFile::copy(QStringLiteral(QUORVANE_TEST_DATA "/odd-cards.qvf"), h.path("odd.qvf")));
    QFile::setPermissions(h.path("odd.qvf"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    h.open(h.path("odd.qvf"));
    QCOMPARE(h.prompter.messages(), QStringList{QString::fromStdString(unshownCardsMessage(2))});
    h.doc()->SetModifiedFlag();
    QVERIFY(h.run(cmd::FileSave));
    CardStore saved;
    ScriptedCoreUi quiet;
    QCOMPARE(loadCardDocument(QFile::encodeName(h.path("odd.qvf")).toStdString(), saved, quiet, 0).outcome,
             LoadOutcome::Loaded);
    QCOMPARE(saved.unshownCards().GetCardCount(), 2);
}

void DocumentTest::untitledDocumentStaysUntitled() {
    Harness h;
    QVERIFY(h.run(cmd::FileNew));
    QVERIFY(!h.enabled(cmd::EncryptOnSave));
    h.frame()->AddCardByCategoryName(h.doc(), QStringLiteral("WWW Sites"), std::make_unique<Card>());
    QVERIFY(h.enabled(cmd::EncryptOnSave));
    h.prompter.encryptionAnswers.append(encryptWith("12345678", "12345678"));
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(h.doc()->GetDocTemplate()->resourceId(), 200);
    QCOMPARE(h.doc()->GetPathName(), QString());
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("Untitled1"));

    // Saving asks for a name, offering the encrypted type's extension.
    h.prompter.saveNames.append(h.path("new"));
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.saveSuggestions.first(), QStringLiteral("Untitled1.qve"));
    QVERIFY(encryptedOnDisk(h.path("new.qve")));
}

void DocumentTest::closeAndExitAskToSave() {
    Harness h;
    writeCardFile(h.path("a.qvf"), {{0, "a"}});
    writeCardFile(h.path("b.qvf"), {{0, "b"}});
    const QByteArray before = contents(h.path("a.qvf"));
    h.open(h.path("a.qvf"));
    h.doc()->SetModifiedFlag();
    h.prompter.answers = {GuiPrompter::Answer::Cancel, GuiPrompter::Answer::No};
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.childFrameCount(), 1);
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.prompter.questions, (QStringList{"Save changes to a.qvf?", "Save changes to a.qvf?"}));
    QCOMPARE(h.childFrameCount(), 0);
    QCOMPARE(contents(h.path("a.qvf")), before);

    // At exit every modified document is offered; Cancel keeps the program running.
    h.open(h.path("a.qvf"));
    h.doc()->SetModifiedFlag();
    h.open(h.path("b.qvf"));
    h.doc()->SetModifiedFlag();
    h.prompter.questions.clear();
    h.prompter.answers = {GuiPrompter::Answer::No, GuiPrompter::Answer::Cancel};
    QVERIFY(!h.frame()->close());
    QCOMPARE(h.prompter.questions.size(), 2);
    h.prompter.answers = {GuiPrompter::Answer::Yes, GuiPrompter::Answer::No};
    QVERIFY(h.frame()->close());
    QCOMPARE(h.childFrameCount(), 0);
    QVERIFY(h.prompter.unexpected.isEmpty());
}

void DocumentTest::recentFiles() {
    Harness h;
    for (const char* name : {"1.qvf", "2.qvf", "3.qvf", "4.qvf", "5.qvf"}) {
        writeCardFile(h.path(name), {{0, "x"}});
        h.open(h.path(name));
    }
    h.open(h.path("2.qvf"));  // already open: it only comes forward
    const TextSetting first = settings::recentFileSetting(0);
    const TextSetting last = settings::recentFileSetting(3);
    QCOMPARE(QString::fromStdString(readSetting(*h.settings, first)), h.path("5.qvf"));
    QCOMPARE(QString::fromStdString(readSetting(*h.settings, last)), h.path("2.qvf"));
    QCOMPARE(h.frame()->commandAction(cmd::FileMru1)->text(), QStringLiteral("&1 ") + h.path("5.qvf"));

    // A recent file that fails to open leaves the list.
    h.frame()->docManager()->CloseAllDocuments();
    QFile::remove(h.path("4.qvf"));
    QVERIFY(h.run(cmd::FileMru1 + 1));
    QCOMPARE(h.prompter.messages(),
             QStringList{"Unable to open 4.qvf.\nCannot open " + h.path("4.qvf") + ": No such file or directory"});
    QCOMPARE(h.frame()->docManager()->recentFiles().entries(),
             (QStringList{h.path("5.qvf"), h.path("3.qvf"), h.path("2.qvf")}));
    QVERIFY(!h.enabled(cmd::FileMru1 + 3));
}

void DocumentTest::fileEncryptionDialogCollapses() {
    FileEncryptionDlg dlg({false, QStringLiteral("old"), QStringLiteral("old")});
    QCOMPARE(dlg.height(), dlg.fullHeight() - 100);
    QVERIFY(dlg.passwordField()->isReadOnly());
    dlg.checkBox()->click();
    QCOMPARE(dlg.height(), dlg.fullHeight());
    QVERIFY(!dlg.confirmationField()->isReadOnly());
    dlg.passwordField()->setText(QStringLiteral("typed"));
    dlg.checkBox()->click();
    QCOMPARE(dlg.height(), dlg.fullHeight() - 100);
    QCOMPARE(dlg.input().password, QString());
    QCOMPARE(dlg.input().confirmation, QString());
    QCOMPARE(dlg.input().encryptOnSave, false);
}

QTEST_MAIN(DocumentTest)
#include "DocumentTest.moc"
