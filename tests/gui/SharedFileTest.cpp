// A card file shared with other programs: a change made elsewhere between open and save is merged
// with the window's, or, when the other copy cannot be read, never written over unasked (the
// automatic save leaves it alone); a file renamed over the open one (as a sync program writes) is
// offered for reloading, and the lock file makes a second window read-only.

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardOperations.h"
#include "cardstore/DocumentGuard.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kPassword = QStringLiteral("correct horse");
const QStringList kChangedButtons{"Overwrite", "Save As\u2026", "Cancel [default] [Esc]"};

void addCard(Harness& h, const QString& name) {
    auto card = std::make_unique<Card>();
    card->firstField = *toCardText(name);
    h.frame()->AddCardToCategory(h.doc(), 0, std::move(card));
    h.doc()->SetModifiedFlag();
}

/// Writes the file the way a sync program does: a temporary file renamed over it.
void syncWrite(Harness& h, const QString& path, const QList<CardSpec>& cards, const QString& password = {}) {
    const QString temporary = h.path(QStringLiteral(".sync-tmp.qvf"));
    writeCardFile(temporary, cards, password);
    QVERIFY(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0);
}

QString statusText(Harness& h) { return h.frame()->messagePane()->text(); }

/// What another program might leave: bytes that are no card document this program reads.
const QByteArray kUnreadable("written by something else entirely");

void writeUnreadable(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(kUnreadable);
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString thisHost() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

void writeLock(const QString& path, const QString& host, long pid) {
    QFile lock(QString::fromStdString(DocumentLock::lockPathFor(QFile::encodeName(path).toStdString())));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write((host + '\n' + QString::number(pid) + '\n').toUtf8());
}

QByteArray lockContents(const QString& path) {
    QFile lock(QString::fromStdString(DocumentLock::lockPathFor(QFile::encodeName(path).toStdString())));
    return lock.open(QIODevice::ReadOnly) ? lock.readAll() : QByteArray();
}

}  // namespace

class SharedFileTest : public QObject {
    Q_OBJECT
private slots:
    void unreadableChangeElsewhereIsNeverLostOnSave();
    void automaticSaveMergesOrSkipsAChangedFile();
    void syncRenameOverOffersReload_data();
    void syncRenameOverOffersReload();
    void secondWindowOpensReadOnly();
    void staleLockIsTakenOverAndReleasedAtClose();
    void windowAndCommandLineOnOneFile();
};

// The other copy cannot be merged when it cannot be read: Save asks, as it always did.
void SharedFileTest::unreadableChangeElsewhereIsNeverLostOnSave() {
    Harness h;
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "a"}});
    h.open(path);
    addCard(h, "mine");
    writeUnreadable(path);
    // Both changed: the window keeps its cards until the save.
    QTRY_COMPARE(statusText(h), QStringLiteral("cards.qvf was changed by another program; saving will merge its "
                                               "cards with the window's."));
    QVERIFY(h.doc()->IsModified());

    // Cancel (the default and Escape) keeps the other program's file.
    h.prompter.choices = {2};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions,
             QStringList{"cards.qvf was changed by another program since it was opened. Overwrite it, save under "
                         "another name, or cancel?"});
    QCOMPARE(h.prompter.choiceButtons, QList<QStringList>{kChangedButtons});
    QCOMPARE(bytesOf(path), kUnreadable);
    QVERIFY(h.doc()->IsModified());

    // Save As… writes elsewhere and leaves the changed file alone.
    h.prompter.choices = {1};
    h.prompter.saveNames = {h.path("mine.qvf")};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(bytesOf(path), kUnreadable);
    QCOMPARE(namesOnDisk(h.path("mine.qvf")), (QStringList{"a", "mine"}));
    QCOMPARE(h.doc()->GetPathName(), h.path("mine.qvf"));

    // Back on the first name, chosen in the Save As dialog.
    addCard(h, "more");
    h.prompter.saveNames = {path};
    QVERIFY(h.run(cmd::FileSaveAs));
    QCOMPARE(namesOnDisk(path), (QStringList{"a", "mine", "more"}));

    // Our own saves raise no question about a change made elsewhere. The check is the one the
    // file's watch runs once its events settle, run here at once rather than waited for.
    h.prompter.questions.clear();
    addCard(h, "last");
    QVERIFY(h.run(cmd::FileSave));
    h.doc()->checkFileOnDisk();
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(namesOnDisk(path), (QStringList{"a", "mine", "more", "last"}));

    // Overwrite from the question itself.
    addCard(h, "final");
    writeUnreadable(path);
    h.prompter.choices = {0};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions.size(), 1);
    QCOMPARE(namesOnDisk(path), (QStringList{"a", "mine", "more", "last", "final"}));
    QVERIFY(!h.doc()->IsModified());
    h.doc()->checkFileOnDisk();
    QCOMPARE(h.prompter.questions.size(), 1);

    // Save As over the same name checks as Save does.
    addCard(h, "after");
    writeUnreadable(path);
    h.prompter.saveNames = {path};
    h.prompter.choices = {2};
    QVERIFY(h.run(cmd::FileSaveAs));
    QCOMPARE(h.prompter.questions.size(), 2);
    QCOMPARE(bytesOf(path), kUnreadable);
}

void SharedFileTest::automaticSaveMergesOrSkipsAChangedFile() {
    Harness h({}, [](MemorySettings& s) {
        writeSetting(s, settings::kAutomaticSaveCheck, 1);
        writeSetting(s, settings::kAutomaticSave, std::string("1"));
    });
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "a"}});
    h.open(path);
    addCard(h, "mine");
    writeUnreadable(path);
    for (int i = 0; i < 2; ++i) {
        h.frame()->OnAutosaveTick();
    }
    QCOMPARE(bytesOf(path), kUnreadable);
    QCOMPARE(statusText(h),
             QStringLiteral("cards.qvf was changed by another program; the automatic save left it alone."));
    QVERIFY(h.doc()->IsModified());
    QVERIFY(h.prompter.questions.isEmpty());

    // A copy it reads is merged.
    writeCardFile(path, {{0, "a"}, {0, "theirs"}});
    for (int i = 0; i < 2; ++i) {
        h.frame()->OnAutosaveTick();
    }
    QCOMPARE(namesOnDisk(path), (QStringList{"a", "mine", "theirs"}));
    QCOMPARE(h.namesInWindow(), (QStringList{"a", "mine", "theirs"}));
    QCOMPARE(statusText(h),
             QStringLiteral("cards.qvf was also changed by another program; its cards and the window's are merged."));
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(h.prompter.questions.isEmpty());

    // Unchanged elsewhere, the automatic save writes as before.
    addCard(h, "later");
    for (int i = 0; i < 2; ++i) {
        h.frame()->OnAutosaveTick();
    }
    QCOMPARE(namesOnDisk(path), (QStringList{"a", "mine", "theirs", "later"}));
    QVERIFY(!h.doc()->IsModified());
}

void SharedFileTest::syncRenameOverOffersReload_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    QTest::newRow("encrypted") << kPassword;
}

void SharedFileTest::syncRenameOverOffersReload() {
    QFETCH(QString, password);
    Harness h;
    const QString path = h.path(password.isEmpty() ? "cards.qvf" : "cards.qve");
    const QString name = password.isEmpty() ? "cards.qvf" : "cards.qve";
    writeCardFile(path, {{0, "a"}}, password);
    if (!password.isEmpty()) {
        h.prompter.passwords.append(password);
    }
    h.open(path);
    QCOMPARE(h.namesInWindow(), QStringList{"a"});

    // Reload: the new cards show (the password is asked again for an encrypted file).
    h.prompter.answers = {GuiPrompter::Answer::Yes};
    if (!password.isEmpty()) {
        h.prompter.passwords.append(password);
    }
    syncWrite(h, path, {{0, "b"}, {0, "c"}}, password);
    QTRY_COMPARE(h.prompter.questions.size(), 1);
    QCOMPARE(h.prompter.questions.first(), name + " was changed by another program. Reload it?");
    QCOMPARE(h.namesInWindow(), (QStringList{"b", "c"}));
    QVERIFY(h.cardItem(0, "c").isValid());
    QVERIFY(!h.cardItem(0, "a").isValid());
    QVERIFY(!h.doc()->IsModified());
    QCOMPARE(h.prompter.passwordTitles.size(), password.isEmpty() ? 0 : 2);

    // The password prompt cancelled: the window keeps its cards and says so.
    if (!password.isEmpty()) {
        h.prompter.answers = {GuiPrompter::Answer::Yes};
        h.prompter.passwords = {std::nullopt};
        syncWrite(h, path, {{0, "x"}}, password);
        QTRY_COMPARE(h.prompter.questions.size(), 2);
        QCOMPARE(statusText(h), QStringLiteral("cards.qve was not read again; the window keeps its cards."));
        QCOMPARE(h.namesInWindow(), (QStringList{"b", "c"}));
    }
    const qsizetype asked = h.prompter.questions.size();

    // The watch follows the rename: a second one is noticed too. Declined, the window keeps its
    // cards; a later save, having no change of its own to add, keeps the other program's cards.
    h.prompter.answers = {GuiPrompter::Answer::No};
    syncWrite(h, path, {{0, "d"}}, password);
    QTRY_COMPARE(h.prompter.questions.size(), asked + 1);
    h.doc()->checkFileOnDisk();  // as the watch does on any later event: the change was dealt with
    QCOMPARE(h.prompter.questions.size(), asked + 1);  // asked once per change
    QCOMPARE(h.namesInWindow(), (QStringList{"b", "c"}));
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.questions.size(), asked + 1);
    QCOMPARE(namesOnDisk(path, password), QStringList{"d"});
    QCOMPARE(h.namesInWindow(), QStringList{"d"});
    QCOMPARE(h.prompter.passwordTitles.size(), password.isEmpty() ? 0 : 3);  // the window's password opened it
}

void SharedFileTest::secondWindowOpensReadOnly() {
    Harness h;
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "a"}});
    writeLock(path, thisHost(), 1);  // process 1 is alive
    const QByteArray lock = lockContents(path);
    h.open(path);
    QCOMPARE(h.prompter.messages(),
             QStringList{"cards.qvf is open for changes in process 1 on " + thisHost() +
                         ".\nIt opens read-only: Save writes the cards under another name."});
    QVERIFY(h.doc()->isReadOnly());
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("cards.qvf (read-only)"));

    // Save goes to Save As; the locked name itself is refused; nothing touches the file or its lock.
    addCard(h, "mine");
    h.prompter.saveNames = {path};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(h.prompter.messages().mid(1), QStringList{"cards.qvf is open for changes in process 1 on " + thisHost() +
                                                       "; save the cards under another name."});
    QCOMPARE(namesOnDisk(path), QStringList{"a"});
    h.prompter.saveNames = {h.path("copy.qvf")};
    QVERIFY(h.run(cmd::FileSave));
    QCOMPARE(namesOnDisk(h.path("copy.qvf")), (QStringList{"a", "mine"}));
    QCOMPARE(namesOnDisk(path), QStringList{"a"});
    QCOMPARE(lockContents(path), lock);
    // The copy is this window's own file now.
    QVERIFY(!h.doc()->isReadOnly());
    QCOMPARE(h.doc()->GetTitle(), QStringLiteral("copy.qvf"));
    QVERIFY(lockContents(h.path("copy.qvf")).endsWith('\n' + QByteArray::number(::getpid()) + '\n'));
    QVERIFY(h.run(cmd::FileClose));
    QVERIFY(lockContents(h.path("copy.qvf")).isEmpty());
    QCOMPARE(lockContents(path), lock);  // the other program's lock stays
}

void SharedFileTest::staleLockIsTakenOverAndReleasedAtClose() {
    Harness h;
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "a"}});
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);  // a process of this host that no longer runs
    writeLock(path, thisHost(), child);
    h.open(path);
    QVERIFY(!h.doc()->isReadOnly());
    QCOMPARE(lockContents(path), (thisHost() + '\n' + QString::number(::getpid()) + '\n').toUtf8());
    QVERIFY(h.run(cmd::FileClose));
    QVERIFY(lockContents(path).isEmpty());
    QVERIFY(!QFile::exists(QString::fromStdString(DocumentLock::lockPathFor(QFile::encodeName(path).toStdString()))));

    // A folder without room for a lock is no error: the document opens for changes.
    if (::geteuid() != 0) {
        QFile::setPermissions(h.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        h.open(path);
        QVERIFY(!h.doc()->isReadOnly());
        QVERIFY(h.prompter.messages().isEmpty());
        QVERIFY(h.run(cmd::FileClose));
        QFile::setPermissions(h.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}


// The window and quorvane-cli on one file: while the window has the document open, the command
// line refuses to change it (naming this process); what it changes with --force is merged with the
// window's unsaved changes by the next Save, without a question, and a card both renamed is kept
// under both names.
void SharedFileTest::windowAndCommandLineOnOneFile() {
    Harness h;
    const QString path = h.path("cards.qvf");
    writeCardFile(path, {{0, "a"}});
    h.open(path);
    auto cli = [](const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral(QUORVANE_CLI_PATH), args);
        process.closeWriteChannel();
        process.waitForFinished(30000);
        return std::make_pair(process.exitCode(), QString::fromUtf8(process.readAllStandardError()));
    };
    const auto refused = cli({"add", path, "--category", "WWW Sites", "--name", "from the shell"});
    QCOMPARE(refused.first, 1);
    QVERIFY2(refused.second.contains("is open for changes in process " + QString::number(::getpid())),
             qPrintable(refused.second));
    QCOMPARE(namesOnDisk(path), QStringList{"a"});

    const auto forced = cli({"add", path, "--category", "WWW Sites", "--name", "from the shell", "--force"});
    QCOMPARE(forced.first, 0);
    QCOMPARE(cli({"rm", path, "--category", "WWW Sites", "--position", "1", "--force"}).first, 0);  // "a"
    addCard(h, "from the window");
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(namesOnDisk(path), (QStringList{"from the window", "from the shell"}));
    QCOMPARE(h.namesInWindow(), (QStringList{"from the window", "from the shell"}));

    // Renamed differently on both sides: both names stay, the other program's marked.
    QCOMPARE(cli({"edit", path, "--category", "WWW Sites", "--card", "from the shell", "--name", "shell's name",
                  "--force"})
                 .first,
             0);
    Card* card = h.doc()->GetCategoryList(0)->GetCardAt(1);
    editCardTexts(*card, {*toCardText("window's name"), card->secondField, card->thirdField, card->fourthField,
                          card->note});
    h.doc()->SetModifiedFlag();
    h.doc()->UpdateAllViews(nullptr);
    QVERIFY(h.run(cmd::FileSave));
    QVERIFY(h.prompter.questions.isEmpty());
    QCOMPARE(h.prompter.messages(),
             QStringList{"cards.qvf was also changed by another program; its cards and the window's are merged.\n"
                         "1 card was changed in both copies: both versions are kept, the other copy's with "
                         "\"(other copy)\" after its name."});
    QCOMPARE(statusText(h),
             QStringLiteral("cards.qvf was also changed by another program; its cards and the window's are merged."));
    const QStringList both{"from the window", "window's name", "shell's name (other copy)"};
    QCOMPARE(namesOnDisk(path), both);
    QCOMPARE(h.namesInWindow(), both);
    QVERIFY(!h.doc()->IsModified());
}

QTEST_MAIN(SharedFileTest)
#include "SharedFileTest.moc"
