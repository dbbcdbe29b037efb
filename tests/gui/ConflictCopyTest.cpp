// A sync program's conflict copy beside a card document: merged when the window opens the document or
// when the copy arrives while it is open, the merge saved and the copy moved to the desktop's trash
// (the test's own, see run-gui-test.sh); a copy that does not read stays and the status bar says so.
// syncthingConflictCopy runs only from syncthing-conflict.sh, on a copy a real Syncthing made.

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "cardstore/ConflictCopies.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusDialogBar.h"

namespace {

const QString kPassword = QStringLiteral("correct horse");
const QString kSyncthingCopy = QStringLiteral("cards.sync-conflict-20261211-115603-BQGXALA.qve");

QString statusText(Harness& h) {
    return h.frame()->messagePane()->text();
}

QString trashed(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files/") +
           name;
}

/// quorvane-cli changing a document (under its own key, with the password from a file).
int cli(Harness& h, QStringList args) {
    const QString passwordFile = h.path(QStringLiteral("password"));
    QFile file(passwordFile);
    if (!file.exists() && file.open(QIODevice::WriteOnly)) {
        file.write(kPassword.toUtf8() + '\n');
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    QProcess process;
    process.start(QStringLiteral(QUORVANE_CLI_PATH), args << QStringLiteral("--password-file") << passwordFile);
    process.waitForFinished(30000);
    return process.exitCode();
}

QStringList deletedOnDisk(const QString& path, const QString& password) {
    CardStore store;
    FileReader reader(password);
    loadCardDocument(QFile::encodeName(path).toStdString(), store, reader, 0);
    QStringList names;
    const CardList& list = *store.GetCategoryList(kDeletedCategoryId);
    for (int i = 0; i < list.GetCardCount(); ++i)
        names << QString::fromStdString(list.GetCardAt(i)->firstField);
    return names;
}

}  // namespace

class ConflictCopyTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mergedAtOpenUnderTheDocumentsKey();
    void aCopyThatDoesNotOpenStays_data();
    void aCopyThatDoesNotOpenStays();
    void aCopyArrivingWhileOpenWaitsForUnsavedChanges();
    void syncthingConflictCopy();

private:
    QTemporaryDir m_home;
};

// The trash the window uses is the test's own: the home trash in a data folder of its own, in a home
// on the same file system as the documents (a file elsewhere would go to that file system's trash).
void ConflictCopyTest::initTestCase() {
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
}

// Both sides of a strong document changed it under the same key (as two machines sharing it do): the
// copy opens without a question, its added card comes in, its deletion of an unchanged card stays.
void ConflictCopyTest::mergedAtOpenUnderTheDocumentsKey() {
    Harness h;
    const QString path = h.path(QStringLiteral("cards.qve"));
    const QString copy = h.path(kSyncthingCopy);
    writeCardFile(path, {{0, "Alpha"}, {0, "Beta"}, {0, "Gamma"}}, kPassword, true);
    QVERIFY(QFile::copy(path, copy));
    QCOMPARE(cli(h, {"add", path, "--category", "WWW Sites", "--name", "Local"}), 0);
    QCOMPARE(cli(h, {"add", copy, "--category", "WWW Sites", "--name", "Remote"}), 0);
    QCOMPARE(cli(h, {"rm", copy, "--category", "WWW Sites", "--card", "Beta"}), 0);
    const QByteArray copyBytes = [&] {
        QFile f(copy);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    h.prompter.passwords = {kPassword};
    h.open(path);
    QTRY_COMPARE(statusText(h),
                 QStringLiteral("2 cards from %1 merged; the copy is in the trash.").arg(kSyncthingCopy));
    QCOMPARE(h.prompter.passwordTitles.size(), 1);  // the document's own, at open
    QVERIFY(h.prompter.questions.isEmpty());
    const QStringList merged{"Alpha", "Gamma", "Local", "Remote"};
    QCOMPARE(h.namesInWindow(), merged);
    QCOMPARE(namesOnDisk(path, kPassword), merged);
    QCOMPARE(deletedOnDisk(path, kPassword), QStringList{"Beta"});
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(!QFile::exists(copy));
    QFile inTrash(trashed(kSyncthingCopy));
    QVERIFY(inTrash.open(QIODevice::ReadOnly));
    QCOMPARE(inTrash.readAll(), copyBytes);
}

void ConflictCopyTest::aCopyThatDoesNotOpenStays_data() {
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QList<std::optional<QString>>>("typed");  // after the document's own password
    QTest::addColumn<QString>("status");
    const QString copy = QStringLiteral("cards (conflicted copy 2026-12-11 115603).qve");
    QTest::newRow("its own password typed")
        << false << QList<std::optional<QString>>{QStringLiteral("other password")}
        << QStringLiteral("1 card from %1 merged; the copy is in the trash.").arg(copy);
    QTest::newRow("Cancel") << false << QList<std::optional<QString>>{std::nullopt}
                            << QStringLiteral(
                                   "%1 was not merged: its password was not given. It stays beside "
                                   "cards.qve.")
                                   .arg(copy);
    QTest::newRow("damaged")
        << true << QList<std::optional<QString>>{}
        << QStringLiteral("%1 could not be read as a card document; it stays beside cards.qve.").arg(copy);
}

// A copy under another password asks for it (never merged unasked); Cancel or a damaged copy leaves
// the copy where it is and the document as it was, and the same copy is not asked about again.
void ConflictCopyTest::aCopyThatDoesNotOpenStays() {
    QFETCH(bool, damaged);
    QFETCH(QList<std::optional<QString>>, typed);
    QFETCH(QString, status);
    Harness h;
    const QString path = h.path(QStringLiteral("cards.qve"));
    const QString copy = h.path(QStringLiteral("cards (conflicted copy 2026-12-11 115603).qve"));
    writeCardFile(path, {{0, "Alpha"}}, kPassword, true);
    if (damaged) {
        QFile f(copy);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a card document at all");
    } else {
        writeCardFile(copy, {{0, "Alpha"}, {0, "Theirs"}}, QStringLiteral("other password"), true);
    }
    h.prompter.passwords = {kPassword};
    h.prompter.passwords += typed;
    h.open(path);
    QTRY_COMPARE(statusText(h), status);
    QCOMPARE(h.prompter.passwordTitles.size(), 1 + typed.size());
    const bool merged = status.contains(QStringLiteral("merged;"));
    QCOMPARE(QFile::exists(copy), !merged);
    QCOMPARE(namesOnDisk(path, kPassword), (merged ? QStringList{"Alpha", "Theirs"} : QStringList{"Alpha"}));
    // The next look at the folder passes over a copy that stayed unchanged.
    h.doc()->checkFileOnDisk();
    QCOMPARE(h.prompter.passwordTitles.size(), 1 + typed.size());
    QCOMPARE(statusText(h), status);
}

// A copy that arrives while the window has unsaved changes waits for them to be saved, then comes in;
// one that arrives while it has none comes in at once.
void ConflictCopyTest::aCopyArrivingWhileOpenWaitsForUnsavedChanges() {
    Harness h;
    const QString path = h.path(QStringLiteral("cards.qvf"));
    const QString copyName = QStringLiteral("cards (Ann's conflicted copy 2026-12-11).qvf");
    writeCardFile(path, {{0, "Alpha"}, {0, "Beta"}});
    h.open(path);
    h.doc()->SetModifiedFlag();
    writeCardFile(h.path(copyName), {{0, "Alpha"}, {0, "Beta"}, {0, "Theirs"}});
    QTRY_COMPARE(
        statusText(h),
        QStringLiteral("%1 is beside cards.qvf; it is merged once the window's cards are saved.").arg(copyName));
    QVERIFY(QFile::exists(h.path(copyName)));
    QVERIFY(h.run(cmd::FileSave));
    QTRY_COMPARE(statusText(h), QStringLiteral("1 card from %1 merged; the copy is in the trash.").arg(copyName));
    QCOMPARE(namesOnDisk(path), (QStringList{"Alpha", "Beta", "Theirs"}));
    QCOMPARE(h.namesInWindow(), (QStringList{"Alpha", "Beta", "Theirs"}));
    QVERIFY(QFile::exists(trashed(copyName)));

    // Without unsaved changes the next copy comes in as soon as it is there, and the bar counts its card.
    const QString next = QStringLiteral("cards.sync-conflict-20261211-120000-BQGXALA.qvf");
    writeCardFile(h.path(next), {{0, "Alpha"}, {0, "Beta"}, {0, "Later"}});
    QTRY_COMPARE(statusText(h), QStringLiteral("1 card from %1 merged; the copy is in the trash.").arg(next));
    QCOMPARE(h.namesInWindow(), (QStringList{"Alpha", "Beta", "Theirs", "Later"}));
    QCOMPARE(h.frame()->GetStatusDialogBarItem(StatusDialogBar::kTotalCards)->text(), QStringLiteral("4"));
    QCOMPARE(namesOnDisk(path), (QStringList{"Alpha", "Beta", "Theirs", "Later"}));
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(h.prompter.questions.isEmpty());
}

// The document of syncthing-conflict.sh, beside the conflict copy Syncthing made of it.
void ConflictCopyTest::syncthingConflictCopy() {
    const QString path = qEnvironmentVariable("QUORVANE_SYNC_DOC");
    if (path.isEmpty()) {
        QSKIP("run by syncthing-conflict.sh");
    }
    const std::vector<std::string> copies = findConflictCopies(QFile::encodeName(path).toStdString());
    QCOMPARE(copies.size(), std::size_t{1});
    const QString copyName = QFileInfo(QFile::decodeName(QByteArray::fromStdString(copies[0]))).fileName();
    Harness h;
    h.prompter.passwords = {qEnvironmentVariable("QUORVANE_SYNC_PASSWORD")};
    h.open(path);
    QTRY_VERIFY_WITH_TIMEOUT(
        statusText(h).endsWith(QStringLiteral("from %1 merged; the copy is in the trash.").arg(copyName)), 10000);
    QCOMPARE(h.prompter.passwordTitles.size(), 1);
    QStringList names = h.namesInWindow();
    names.sort();
    QCOMPARE(names, (QStringList{"Alpha", "From A", "From B", "Gamma"}));
    QVERIFY(QFile::exists(trashed(copyName)));
    QVERIFY(findConflictCopies(QFile::encodeName(path).toStdString()).empty());
}

QTEST_MAIN(ConflictCopyTest)
#include "ConflictCopyTest.moc"
