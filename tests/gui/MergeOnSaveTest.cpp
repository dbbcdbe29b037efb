// Saving over a copy another program changed meanwhile: the two copies are merged card by card and
// nothing is asked, the window shows the merge with its selection kept; an encrypted copy under
// another password is opened with the password the person gives for it, and without one Save asks
// as it always did.

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kOurs = QStringLiteral("correct horse");
const QString kTheirs = QStringLiteral("battery staple");

void addCard(Harness& h, const QString& name) {
    auto card = std::make_unique<Card>();
    card->firstField = *toCardText(name);
    h.frame()->AddCardToCategory(h.doc(), 0, std::move(card));
    h.doc()->SetModifiedFlag();
}

QString statusText(Harness& h) { return h.frame()->messagePane()->text(); }

/// quorvane-cli as the other program, changing the file the window holds open (--force).
int cli(QStringList args) {
    QProcess process;
    process.start(QStringLiteral(QUORVANE_CLI_PATH), args << QStringLiteral("--force"));
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return process.exitCode();
}

}  // namespace

class MergeOnSaveTest : public QObject {
    Q_OBJECT
private slots:
    void mergedWithoutAQuestionAndTheSelectionStays();
    void strongCopyChangedUnderTheSameKey();
    void copyUnderAnotherPassword_data();
    void copyUnderAnotherPassword();
    void theBaseOutlivesALock_data();
    void theBaseOutlivesALock();
};

void MergeOnSaveTest::mergedWithoutAQuestionAndTheSelectionStays() {
    Harness h;
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "Alpha"}, {0, "Beta"}, {0, "Gamma"}});
    h.open(path);
    addCard(h, "Local");
    h.tree()->SelectCardInCategory(h.tree()->GetCategoryItemAt(0), 2);
    QCOMPARE(h.tree()->GetSelectedCard()->firstField, "Gamma");
    QCOMPARE(cli({"rm", path, "--category", "WWW Sites", "--card", "Alpha"}), 0);
    QCOMPARE(cli({"add", path, "--category", "WWW Sites", "--name", "Remote"}), 0);
    QVERIFY(h.run(cmd::FileSave));

    const QStringList merged{"Beta", "Gamma", "Local", "Remote"};
    QCOMPARE(namesOnDisk(path), merged);
    QCOMPARE(h.namesInWindow(), merged);
    QVERIFY(h.prompter.questions.isEmpty());
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(statusText(h),
             QStringLiteral("cards.qvf was also changed by another program; its cards and the window's are merged."));
    // The tree shows the merge, still on Gamma (now second), and the card list shows Gamma.
    QVERIFY(h.cardItem(0, "Remote").isValid());
    QVERIFY(!h.cardItem(0, "Alpha").isValid());
    QVERIFY(h.tree()->GetSelectedCard());
    QCOMPARE(h.tree()->GetSelectedCard()->firstField, "Gamma");
    QCOMPARE(h.list()->ShownCard, h.tree()->GetSelectedCard());

    // The merge is the new base: the next change elsewhere merges against it.
    addCard(h, "Later");
    QCOMPARE(cli({"rm", path, "--category", "WWW Sites", "--card", "Remote"}), 0);
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(namesOnDisk(path), (QStringList{"Beta", "Gamma", "Local", "Later"}));
    QVERIFY(h.prompter.questions.isEmpty());
}

// quorvane-cli changes a strong document under the key it read it with: the window's key opens the
// copy, nothing is asked.
void MergeOnSaveTest::strongCopyChangedUnderTheSameKey() {
    Harness h;
    const QString path = h.path("cards.qve");
    writeCardFile(path, {{0, "Alpha"}}, kOurs, true);
    h.prompter.passwords = {kOurs};
    h.open(path);
    const QString passwordFile = h.path("password");
    {
        QFile file(passwordFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kOurs.toUtf8() + '\n');
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QCOMPARE(cli({"add", path, "--category", "WWW Sites", "--name", "Remote", "--password-file", passwordFile}), 0);
    addCard(h, "Local");
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.passwordTitles.size(), 1);  // at open only
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(namesOnDisk(path, kOurs), (QStringList{"Alpha", "Local", "Remote"}));
}

void MergeOnSaveTest::copyUnderAnotherPassword_data() {
    QTest::addColumn<bool>("strong");
    QTest::newRow("old form") << false;
    QTest::newRow("strong form") << true;
}

// The other copy was saved under another password: that copy's password is asked for (a wrong one
// is said so and asked again) and the merge is saved under the window's password; without it, Save
// asks as it always did.
void MergeOnSaveTest::copyUnderAnotherPassword() {
    QFETCH(bool, strong);
    Harness h;
    const QString path = h.path("cards.qve");
    writeCardFile(path, {{0, "Alpha"}}, kOurs, strong);
    h.prompter.passwords = {kOurs};
    h.open(path);
    addCard(h, "Local");
    writeCardFile(path, {{0, "Alpha"}, {0, "Remote"}}, kTheirs, strong);

    h.prompter.passwords = {QStringLiteral("wrong"), kTheirs};
    QVERIFY(h.run(cmd::FileSave));
    const QString title = QStringLiteral("Decryption Password for file: cards.qve (changed by another program)");
    QCOMPARE(h.prompter.passwordTitles.mid(1), (QStringList{title, title}));
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again."});
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(namesOnDisk(path, kOurs), (QStringList{"Alpha", "Local", "Remote"}));
    QCOMPARE(h.namesInWindow(), (QStringList{"Alpha", "Local", "Remote"}));
    QVERIFY(!h.doc()->IsModified());

    // The prompt cancelled: today's question, and Cancel keeps the other copy as it is.
    addCard(h, "More");
    writeCardFile(path, {{0, "Other"}}, kTheirs, strong);
    h.prompter.passwords = {std::nullopt};
    h.prompter.choices = {2};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions,
             QStringList{"cards.qve was changed by another program since it was opened. Overwrite it, save under "
                         "another name, or cancel?"});
    QCOMPARE(namesOnDisk(path, kTheirs), QStringList{"Other"});
    QVERIFY(h.doc()->IsModified());
}

void MergeOnSaveTest::theBaseOutlivesALock_data() {
    QTest::addColumn<bool>("changedBeforeLock");
    QTest::newRow("no change when locked") << false;
    QTest::newRow("changes locked with the cards") << true;
}

// While locked, the cards a merge starts from are sealed (or dropped, when they are the cards
// themselves); unlocked, a save merges against them as before.
void MergeOnSaveTest::theBaseOutlivesALock() {
    QFETCH(bool, changedBeforeLock);
    Harness h;
    const QString path = h.path("cards.qve");
    writeCardFile(path, {{0, "Alpha"}, {0, "Beta"}}, kOurs);
    h.prompter.passwords = {kOurs};
    h.open(path);
    if (changedBeforeLock) {
        addCard(h, "Local");
    }
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(h.doc()->isLocked());
    writeCardFile(path, {{0, "Alpha"}}, kOurs);  // Beta gone: only the base tells it from one we added
    h.prompter.passwords.append(kOurs);
    if (!changedBeforeLock) {
        h.prompter.answers = {GuiPrompter::Answer::No};  // the reload offer at unlock
    }
    QVERIFY(h.run(cmd::FileLock));
    QVERIFY(!h.doc()->isLocked());
    if (!changedBeforeLock) {
        QCOMPARE(h.prompter.questions, QStringList{"cards.qve was changed by another program. Reload it?"});
        addCard(h, "Local");
    }
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions.size(), changedBeforeLock ? 0 : 1);
    QCOMPARE(namesOnDisk(path, kOurs), (QStringList{"Alpha", "Local"}));
}

QTEST_MAIN(MergeOnSaveTest)
#include "MergeOnSaveTest.moc"
