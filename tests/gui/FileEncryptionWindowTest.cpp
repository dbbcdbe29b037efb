// The file-encryption window: its password, the window beside card windows, the folder tree and
// file list, classifying rows, encrypting and decrypting files from the list (with the progress
// dialog and its Cancel), and "~~~" files opened as documents.

#include <QAction>
#include <QDateTime>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <random>

#include "ScriptedHarness.h"
#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "fileenc/FileBodyStream.h"
#include "fileenc/FileEncryption.h"
#include "ui/cards/FileEncryptionDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/fileenc/FileEncryptionCommands.h"
#include "ui/fileenc/FileListModel.h"
#include "ui/fileenc/FileOperation.h"
#include "ui/fileenc/FilePasswordDlg.h"
#include "ui/fileenc/FileViewFrame.h"
#include "ui/fileenc/FolderTreeModel.h"
#include "ui/fileenc/ShellListView.h"
#include "ui/fileenc/ShellTreeView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kPassword = QStringLiteral("file secret");
const QString kPasswordQuestion =
    QStringLiteral("Password for file encryption is not set, would you like to set the Password ?");

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray randomBytes(int size, unsigned seed) {
    std::mt19937 rng(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(rng());
    }
    return bytes;
}

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

/// Encrypts `path` with the core alone, as a reference for what the window writes.
QString encryptWithCore(const QString& path, const QString& password = kPassword) {
    FileEncryptionState state;
    state.FileEncryptionPassword = password.toStdString();
    state.PasswordIsSet = true;
    state.SelectedFile = native(path);
    state.EncryptInOldForm = true;  // the old form's bytes are the same each time, so they can be compared
    struct Quiet : Prompter {
        void showMessage(const std::string&) override {}
        std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
        bool confirmReplace(const std::string&) override { return false; }
    } quiet;
    const FileOpResult result = EncryptSelectedFile(state, quiet);
    return result.status == FileOpStatus::Done ? QFile::decodeName(QByteArray::fromStdString(result.outputPath))
                                               : QString();
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

/// Answers the next "Set File Encryption Password" dialog; `openedWith` gets what its fields held. The
/// old format is chosen, whose bytes these tests compare with the core's (StrongFormWindowTest has
/// the strong one).
void typePassword(ScriptedPrompter& p, const QString& first, const QString& second, QStringList* openedWith = nullptr) {
    p.onDialog<FilePasswordDlg>([=](FilePasswordDlg& dlg) {
        if (openedWith) {
            openedWith->append(dlg.password() + '|' + dlg.confirmation());
        }
        dlg.passwordField()->setText(first);
        dlg.confirmationField()->setText(second);
        dlg.oldFormatBox()->setChecked(true);
        return static_cast<int>(QDialog::Accepted);
    });
}

void setPassword(Harness& h, const QString& password) {
    typePassword(h.prompter, password, password);
    QVERIFY(h.run(cmd::FeSetPassword));
}

CChildFrmFileView* activeFileWindow(Harness& h) {
    return qobject_cast<CChildFrmFileView*>(h.frame()->activeChildFrame());
}

/// File View, declining to set a password when asked.
CChildFrmFileView* openFileView(Harness& h) {
    const bool asks = h.frame()->FileEncryption.FileEncryptionPassword.empty();
    if (asks) {
        h.prompter.answers.append(GuiPrompter::Answer::No);
    }
    if (!h.run(cmd::FileView)) {
        return nullptr;
    }
    if (asks && h.prompter.questions.value(h.prompter.questions.size() - 1) != kPasswordQuestion) {
        return nullptr;
    }
    return activeFileWindow(h);
}

FileListModel* model(CChildFrmFileView* w) { return w->list()->fileModel(); }

/// Whether the list shows `folder` with every row's facts in.
bool listed(CChildFrmFileView* w, const QString& folder) {
    const FileListModel* m = model(w);
    if (w->currentFolder() != folder || m->folder() != folder || m->isReading()) {
        return false;
    }
    for (int i = 0; i < m->rowCount(); ++i) {
        if (!m->row(i).isFolder && !m->row(i).factsKnown) {
            return false;
        }
    }
    return true;
}

bool showFolder(CChildFrmFileView* w, const QString& folder) {
    w->tree()->revealFolder(folder);
    return QTest::qWaitFor([&] { return listed(w, folder); }, 10000);
}

QStringList column(CChildFrmFileView* w, int col) {
    QStringList texts;
    for (int i = 0; i < model(w)->rowCount(); ++i) {
        texts.append(model(w)->index(i, col).data().toString());
    }
    return texts;
}

void selectRow(CChildFrmFileView* w, const QString& name) {
    const int row = model(w)->rowOfPath(QDir(w->currentFolder()).filePath(name));
    QVERIFY2(row >= 0, qPrintable(name));
    w->list()->setCurrentIndex(model(w)->index(row, 0));
}

QString selectedName(CChildFrmFileView* w) {
    const int row = w->list()->selectedRow();
    return row < 0 ? QString() : model(w)->row(row).name;
}

QString selectedFile(Harness& h) {
    return QFile::decodeName(QByteArray::fromStdString(h.frame()->FileEncryption.SelectedFile));
}

}  // namespace

class FileEncryptionWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void passwordRules();
    void windowsBesideCardWindows();
    void folderTreeAndFileList();
    void classifyingRows();
    void encryptAndDecryptFromTheList_data();
    void encryptAndDecryptFromTheList();
    void wrongPasswordAndExistingOutput();
    void strongFormUnlessTheOldFormatIsChosen();
    void cancelKeepsTheSource();
    void encryptedFileOpenedAsDocument();
    void encryptedFileOnTheCommandLine();
};

void FileEncryptionWindowTest::cleanup() {
    setFileChunkBytes(std::nullopt);
    setProgressDialogDelay(500);
}

void FileEncryptionWindowTest::passwordRules() {
    Harness h;
    FileEncryptionState& fe = h.frame()->FileEncryption;
    QAction* button = h.frame()->commandAction(cmd::FeSetPasswordButton);

    // Refused entries come back with the state's texts (empty: none is set) until one is valid;
    // "Clear Password" empties the fields, so OK after it is too short.
    QStringList opened;
    typePassword(h.prompter, "1234567", "1234567", &opened);
    typePassword(h.prompter, "abcdefgh", "abcdefgH", &opened);
    h.prompter.onDialog<FilePasswordDlg>([&opened](FilePasswordDlg& dlg) {
        opened.append(dlg.password() + '|' + dlg.confirmation());
        dlg.passwordField()->setText("typed in vain");
        dlg.confirmationField()->setText("typed in vain");
        dlg.clearButton()->click();
        return static_cast<int>(QDialog::Accepted);
    });
    typePassword(h.prompter, "12345678", "12345678", &opened);
    QVERIFY(h.run(cmd::FeSetPassword));
    QCOMPARE(h.prompter.messages(),
             (QStringList{"Password to short, please use more characters!", "Password not correct, try again!",
                          "Password to short, please use more characters!"}));
    QCOMPARE(opened, (QStringList{"|", "|", "|", "|"}));
    QCOMPARE(h.prompter.dialogs.first(), QStringLiteral("Set File Encryption Password"));
    QCOMPARE(fe.FileEncryptionPassword, std::string("12345678"));
    QVERIFY(fe.PasswordIsSet);
    QVERIFY(button->property("passwordSet").toBool());

    // With a password set the fields start with it; another one needs a Yes to the change question.
    struct Step {
        QString typed;
        QList<GuiPrompter::Answer> answers;
        std::string inForce;
    };
    const QList<Step> steps = {
        {"another one", {GuiPrompter::Answer::No}, "12345678"},
        {"12345678", {}, "12345678"},
        {"another one", {GuiPrompter::Answer::Yes}, "another one"},
    };
    for (const Step& step : steps) {
        h.prompter.reset();
        opened.clear();
        const QString before = QString::fromStdString(fe.FileEncryptionPassword);
        typePassword(h.prompter, step.typed, step.typed, &opened);
        h.prompter.answers = step.answers;
        QVERIFY(h.run(cmd::FeSetPasswordButton));
        QCOMPARE(opened, QStringList{before + '|' + before});
        QCOMPARE(h.prompter.questions,
                 step.answers.isEmpty() ? QStringList() : QStringList{"Change File Encryption Password ?"});
        QCOMPARE(fe.FileEncryptionPassword, step.inForce);
    }

    // Cancel changes nothing.
    h.prompter.reset();
    h.prompter.onDialog<FilePasswordDlg>([](FilePasswordDlg& dlg) {
        dlg.passwordField()->setText("never stored");
        return static_cast<int>(QDialog::Rejected);
    });
    QVERIFY(h.run(cmd::FeSetPassword));
    QCOMPARE(fe.FileEncryptionPassword, std::string("another one"));

    // Clear Password forgets it, turns its picture back and disables itself.
    QVERIFY(h.enabled(cmd::FeClearPassword));
    QVERIFY(h.run(cmd::FeClearPasswordButton));
    QVERIFY(fe.FileEncryptionPassword.empty());
    QVERIFY(!fe.PasswordIsSet);
    QVERIFY(!button->property("passwordSet").toBool());
    for (int id : {cmd::FeClearPassword, cmd::FeClearPasswordButton, cmd::FeEncryptFile, cmd::FeDecryptFile}) {
        QVERIFY2(!h.enabled(id), qPrintable(QString::number(id)));
    }
}

void FileEncryptionWindowTest::windowsBesideCardWindows() {
    Harness h;
    writeCardFile(h.path("cards.qvf"), {{8, "Visa"}});
    CQuorvaneDoc* doc = h.open(h.path("cards.qvf"));
    QVERIFY(doc);
    MdiChildFrame* cardWindow = h.frame()->activeChildFrame();
    QVERIFY(!h.enabled(cmd::FeCardView));

    // File Encryption: a window of its own size with the file-encryption bars and menu; no password
    // yet, so it asks, and with No the file commands stay off.
    h.prompter.answers.append(GuiPrompter::Answer::No);
    QVERIFY(h.run(cmd::FileEncryptionButton));
    QCOMPARE(h.prompter.questions, QStringList{kPasswordQuestion});
    CChildFrmFileView* first = activeFileWindow(h);
    QVERIFY(first);
    QCOMPARE(first->windowTitle(), QStringLiteral("File Encryption"));
    QCOMPARE(first->size(), QSize(750, 480));
    QVERIFY(!first->isMaximized());
    QCOMPARE(h.frame()->activeMenuId(), 155);
    QVERIFY(h.frame()->mainToolBar()->isHidden());
    QVERIFY(h.frame()->statusDialogBar()->isHidden());
    QVERIFY(!h.frame()->fileViewToolBar()->isHidden());
    QVERIFY(!h.frame()->foldersBar()->isHidden());
    QVERIFY(!h.enabled(cmd::FeEncryptFile));
    QVERIFY(!h.enabled(cmd::FeDecryptFile));
    // It belongs to the card document but is no card window: no card document is active, and the
    // document's refresh requests do not reach its views.
    QCOMPARE(first->GetActiveDocument(), doc);
    QCOMPARE(h.frame()->activeCardDocument(), nullptr);
    QCOMPARE(doc->views().size(), 2);
    QVERIFY(!h.enabled(cmd::FileSave));

    // Every use opens a further window.
    CChildFrmFileView* second = openFileView(h);
    QVERIFY(second && second != first);
    QCOMPARE(fileEncryptionWindows(*h.frame()), (QList<CChildFrmFileView*>{first, second}));
    QCOMPARE(second->GetActiveDocument(), doc);

    // From a card window, Card View closes the file-encryption window opened last; the bars stay
    // while one is open.
    h.frame()->mdiArea()->setActiveSubWindow(cardWindow);
    QCOMPARE(h.frame()->activeCardDocument(), doc);
    QVERIFY(cardWindow->isMaximized());
    QVERIFY(h.run(cmd::FeCardViewButton));
    QCOMPARE(fileEncryptionWindows(*h.frame()), QList<CChildFrmFileView*>{first});
    QCOMPARE(h.frame()->activeChildFrame(), cardWindow);
    QVERIFY(!h.frame()->fileViewToolBar()->isHidden());

    // The card document changing type remakes its card window only.
    h.prompter.reset();
    h.prompter.encryptionAnswers.append(FileEncryptionInput{true, "card password", "card password"});
    QVERIFY(h.run(cmd::EncryptOnSave));
    QCOMPARE(doc->GetDocTemplate()->resourceId(), 200);
    QCOMPARE(fileEncryptionWindows(*h.frame()), QList<CChildFrmFileView*>{first});
    QCOMPARE(doc->frames().size(), 2);

    // Closing the document takes its file-encryption window with it, and the card bars come back.
    h.prompter.answers.append(GuiPrompter::Answer::No);  // save changes?
    QVERIFY(h.run(cmd::FileClose));
    QCOMPARE(h.prompter.questions.size(), 1);
    QVERIFY(fileEncryptionWindows(*h.frame()).isEmpty());
    QCOMPARE(h.childFrameCount(), 0);
    QVERIFY(!h.frame()->mainToolBar()->isHidden());
    QVERIFY(!h.frame()->statusDialogBar()->isHidden());
    QVERIFY(h.frame()->fileViewToolBar()->isHidden());
    QVERIFY(h.frame()->foldersBar()->isHidden());
    QVERIFY(!h.enabled(cmd::FeCardView));

    // Card View from the file-encryption window itself closes it and goes back to the cards; a
    // file-encryption window closed on its own leaves its document open.
    h.prompter.reset();
    doc = h.open(h.path("cards.qvf"));
    cardWindow = h.frame()->activeChildFrame();
    QVERIFY(openFileView(h));
    QVERIFY(h.run(cmd::FeCardView));
    QCOMPARE(h.frame()->activeChildFrame(), cardWindow);
    QVERIFY(h.frame()->fileViewToolBar()->isHidden());
    QVERIFY(openFileView(h));
    QVERIFY(h.run(cmd::FileClose));
    QVERIFY(fileEncryptionWindows(*h.frame()).isEmpty());
    QCOMPARE(h.frame()->docManager()->documents(), QList<Document*>{doc});
}

void FileEncryptionWindowTest::folderTreeAndFileList() {
    Harness h;
    const QString dir = QFileInfo(h.path("list")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir + "/B/deeper"));
    QVERIFY(QDir().mkpath(dir + "/A"));
    QVERIFY(QDir().mkpath(dir + "/.hidden folder"));
    writeFile(dir + "/.hidden file", "h");
    writeFile(dir + "/x.txt", "123");
    writeFile(dir + "/y.txt", QByteArray(1234, 'y'));
    writeFile(dir + "/z.txt", "");
    writeFile(dir + "/one.~~~", QByteArray(60, 'e'));
    writeFile(dir + "/REA~~~", QByteArray(60, 'e'));
    {
        QFile x(dir + "/x.txt");
        QVERIFY(x.open(QIODevice::ReadWrite));
        QVERIFY(x.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(17, 7, 42), Qt::UTC), QFileDevice::FileModificationTime));
    }

    CChildFrmFileView* w = openFileView(h);
    QVERIFY(w);
    // The tree starts at the home folder and the root.
    const FolderTreeModel* tree = w->tree()->folderModel();
    QCOMPARE(tree->rowCount(), 2);
    QCOMPARE(tree->pathOf(tree->index(0, 0)), QDir::homePath());
    QCOMPARE(tree->pathOf(tree->index(1, 0)), QStringLiteral("/"));

    // Folders first in name order, then files in reverse name order; hidden entries left out.
    QVERIFY(showFolder(w, dir));
    QCOMPARE(column(w, FileListModel::NameColumn), (QStringList{"A", "B", "z.txt", "y.txt", "x.txt", "REA~~~", "one.~~~"}));
    const QString text = QMimeDatabase().mimeTypeForFile("x.txt", QMimeDatabase::MatchExtension).comment();
    QCOMPARE(column(w, FileListModel::TypeColumn), (QStringList{"File Folder", "File Folder", text, text, text,
                                                                 "Encrypted File", "Encrypted File"}));
    QCOMPARE(column(w, FileListModel::SizeColumn),
             (QStringList{"", "", "0 Bytes", "1234 Bytes", "3 Bytes", "60 Bytes", "60 Bytes"}));
    QCOMPARE(column(w, FileListModel::ModifiedColumn).at(4), QStringLiteral("24/03/05 17:07 PM"));
    QCOMPARE(column(w, FileListModel::ModifiedColumn).at(0), QString());

    // The folder's item in the tree holds its subfolders, hidden ones left out, with an expand
    // button only where there is something below.
    const QModelIndex item = w->tree()->currentIndex();
    QCOMPARE(tree->pathOf(item), dir);
    w->tree()->expand(item);
    QTRY_VERIFY(tree->isRead(item));
    QCOMPARE(tree->rowCount(item), 2);
    QCOMPARE(tree->index(0, 0, item).data().toString(), QStringLiteral("A"));
    QCOMPARE(tree->index(1, 0, item).data().toString(), QStringLiteral("B"));
    w->tree()->expand(tree->index(0, 0, item));
    QTRY_VERIFY(tree->isRead(tree->index(0, 0, item)));
    QVERIFY(!tree->hasChildren(tree->index(0, 0, item)));
    QVERIFY(tree->hasChildren(tree->index(1, 0, item)));

    // The filters: encrypted files alone (by name, in reverse name order), then everything again.
    struct Filter {
        int command;
        QStringList names;
    };
    for (const Filter& filter : {Filter{cmd::FeShowEncryptedOnly, {"REA~~~", "one.~~~"}},
                                 Filter{cmd::FeAllFiles, {"A", "B", "z.txt", "y.txt", "x.txt", "REA~~~", "one.~~~"}},
                                 Filter{cmd::FeEncryptedFiles, {"REA~~~", "one.~~~"}},
                                 Filter{cmd::FeShowAllFiles, {"A", "B", "z.txt", "y.txt", "x.txt", "REA~~~", "one.~~~"}}}) {
        QVERIFY(h.run(filter.command));
        QTRY_VERIFY(listed(w, dir));
        QCOMPARE(column(w, FileListModel::NameColumn), filter.names);
        const bool encryptedOnly = filter.names.size() == 2;
        QCOMPARE(h.frame()->FileEncryption.ShowEncryptedOnly, encryptedOnly);
        QCOMPARE(h.enabled(cmd::FeShowEncryptedOnly), !encryptedOnly);
        QCOMPARE(h.enabled(cmd::FeShowAllFiles), encryptedOnly);
        QCOMPARE(h.frame()->commandAction(cmd::FeEncryptedFiles)->isChecked(), encryptedOnly);
        QCOMPARE(h.frame()->commandAction(cmd::FeAllFiles)->isChecked(), !encryptedOnly);
    }

    // A hidden folder on the way to a file asked for is shown all the same.
    writeFile(dir + "/.hidden folder/inner.~~~", QByteArray(60, 'e'));
    w->showFile(dir + "/.hidden folder/inner.~~~");
    QTRY_VERIFY(listed(w, dir + "/.hidden folder"));
    QCOMPARE(selectedName(w), QStringLiteral("inner.~~~"));
}

void FileEncryptionWindowTest::classifyingRows() {
    Harness h;
    const QString dir = QFileInfo(h.path("rows")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir + "/sub"));
    writeFile(dir + "/empty.txt", "");
    writeFile(dir + "/data.txt", "thirteen byte");
    writeFile(dir + "/secret.txt", "hidden words");
    QVERIFY(!encryptWithCore(dir + "/secret.txt").isEmpty());
    writeFile(dir + "/fake.~~~", "no trailer here, only a name");
    setPassword(h, kPassword);
    CChildFrmFileView* w = openFileView(h);
    QVERIFY(showFolder(w, dir));

    struct Case {
        const char* row;
        QStringList messages;
        bool canEncrypt;
        bool isEncrypted;
        bool selected;  // SelectedFile names the row
    };
    const QList<Case> cases = {
        {"empty.txt", {"File is empty, can not encrypt"}, false, false, true},
        {"data.txt", {}, true, false, true},
        {"secret.~~~", {}, false, true, true},
        {"sub", {}, false, false, false},
        // The name alone does not make an encrypted file: the content decides what can be done.
        {"fake.~~~", {}, true, false, true},
    };
    for (const Case& c : cases) {
        h.prompter.reset();
        selectRow(w, c.row);
        QVERIFY2(h.prompter.messages() == c.messages, qPrintable(QString(c.row) + ": " + h.prompter.messages().join(";")));
        QCOMPARE(h.enabled(cmd::FeEncryptFile), c.canEncrypt);
        QCOMPARE(h.enabled(cmd::FeEncryptFileButton), c.canEncrypt);
        QCOMPARE(h.enabled(cmd::FeDecryptFile), c.isEncrypted);
        QCOMPARE(h.enabled(cmd::FeDecryptFileButton), c.isEncrypted);
        QCOMPARE(selectedFile(h), c.selected ? dir + '/' + c.row : QString());
    }

    // The focus moving to the tree clears the flags; coming back to the row classifies it again.
    selectRow(w, "data.txt");
    QVERIFY(h.enabled(cmd::FeEncryptFile));
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(w->list(), &out);
    QVERIFY(!h.enabled(cmd::FeEncryptFile));
    QVERIFY(!h.enabled(cmd::FeDecryptFile));
    // A menu opening takes the focus without clearing anything.
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w->list(), &in);
    QVERIFY(h.enabled(cmd::FeEncryptFile));
    QFocusEvent toMenu(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(w->list(), &toMenu);
    QVERIFY(h.enabled(cmd::FeEncryptFile));
}

void FileEncryptionWindowTest::encryptAndDecryptFromTheList_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunk");  // bytes per chunk; 0 for the default
    QTest::newRow("3 bytes") << 3 << 0;
    QTest::newRow("13 bytes") << 13 << 0;
    QTest::newRow("1024 bytes") << 1024 << 0;
    QTest::newRow("many chunks, a partial block at the end") << 100'005 << 4096;
}

void FileEncryptionWindowTest::encryptAndDecryptFromTheList() {
    QFETCH(int, size);
    QFETCH(int, chunk);
    if (chunk) {
        setFileChunkBytes(static_cast<std::size_t>(chunk));
    }
    Harness h;
    const QString dir = QFileInfo(h.path("work")).absoluteFilePath();
    const QString ref = QFileInfo(h.path("reference")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir) && QDir().mkpath(ref));
    const QByteArray plain = randomBytes(size, static_cast<unsigned>(size));
    writeFile(dir + "/report.txt", plain);
    writeFile(ref + "/report.txt", plain);
    const QByteArray expected = contents(encryptWithCore(ref + "/report.txt"));
    QCOMPARE(expected.size(), size + 52);

    setPassword(h, kPassword);
    CChildFrmFileView* w = openFileView(h);
    QVERIFY(showFolder(w, dir));
    selectRow(w, "report.txt");
    QVERIFY(h.run(cmd::FeEncryptFileButton));
    QCOMPARE(entries(dir), QStringList{"report.~~~"});
    QCOMPARE(contents(dir + "/report.~~~"), expected);
    // The list is read again and the encrypted file is the selection, ready to be decrypted.
    QTRY_COMPARE(selectedName(w), QStringLiteral("report.~~~"));
    QCOMPARE(column(w, FileListModel::NameColumn), QStringList{"report.~~~"});
    QCOMPARE(selectedFile(h), dir + "/report.~~~");
    QVERIFY(h.enabled(cmd::FeDecryptFile));
    QVERIFY(!h.enabled(cmd::FeEncryptFile));

    QVERIFY(h.run(cmd::FeDecryptFile));
    QCOMPARE(entries(dir), QStringList{"report.txt"});
    QCOMPARE(contents(dir + "/report.txt"), plain);
    QTRY_COMPARE(selectedName(w), QStringLiteral("report.txt"));
    QVERIFY(h.enabled(cmd::FeEncryptFile));
    QVERIFY(h.prompter.messages().isEmpty());
    QVERIFY(h.prompter.shown.isEmpty());  // over before a progress dialog was due
}

void FileEncryptionWindowTest::strongFormUnlessTheOldFormatIsChosen() {
    Harness h;
    const QString dir = QFileInfo(h.path("work")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir));
    const QByteArray plain = randomBytes(3000, 7);
    writeFile(dir + "/notes.txt", plain);
    // Set Password with the box as it opens: cleared, the strong form.
    QList<bool> boxOpenedWith;
    auto type = [&](bool oldFormat) {
        h.prompter.onDialog<FilePasswordDlg>([&boxOpenedWith, oldFormat](FilePasswordDlg& dlg) {
            boxOpenedWith.append(dlg.oldFormatBox()->isChecked());
            dlg.passwordField()->setText(kPassword);
            dlg.confirmationField()->setText(kPassword);
            dlg.oldFormatBox()->setChecked(oldFormat);
            return static_cast<int>(QDialog::Accepted);
        });
    };
    type(false);
    QVERIFY(h.run(cmd::FeSetPassword));
    CChildFrmFileView* w = openFileView(h);
    QVERIFY(showFolder(w, dir));
    selectRow(w, "notes.txt");
    QVERIFY(h.run(cmd::FeEncryptFileButton));
    QCOMPARE(contents(dir + "/notes.~~~").left(8), QByteArray("QrVnStrm"));
    QTRY_COMPARE(selectedName(w), QStringLiteral("notes.~~~"));
    QVERIFY(h.run(cmd::FeDecryptFile));
    QCOMPARE(contents(dir + "/notes.txt"), plain);

    // Chosen in the dialog, the old form; the dialog shows the choice in force when it opens again.
    type(true);
    QVERIFY(h.run(cmd::FeSetPassword));
    QTRY_COMPARE(selectedName(w), QStringLiteral("notes.txt"));
    QVERIFY(h.run(cmd::FeEncryptFileButton));
    const QByteArray old = contents(dir + "/notes.~~~");
    QCOMPARE(old.size(), plain.size() + 52);
    QCOMPARE(old.mid(plain.size() + 20, 8), QByteArray("QrVnEncr"));
    type(true);
    QVERIFY(h.run(cmd::FeSetPassword));
    QCOMPARE(boxOpenedWith, (QList<bool>{false, false, true}));
    QVERIFY(h.prompter.messages().isEmpty());
}

void FileEncryptionWindowTest::wrongPasswordAndExistingOutput() {
    Harness h;
    const QString dir = QFileInfo(h.path("work")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir));
    writeFile(dir + "/letter.txt", "dear reader");
    const QString encrypted = encryptWithCore(dir + "/letter.txt");
    const QByteArray encryptedBytes = contents(encrypted);
    setPassword(h, "not the right one");
    CChildFrmFileView* w = openFileView(h);
    QVERIFY(showFolder(w, dir));

    // A wrong password writes nothing and keeps the selection, so the right one can follow.
    selectRow(w, "letter.~~~");
    QVERIFY(h.run(cmd::FeDecryptFile));
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again!"});
    QCOMPARE(entries(dir), QStringList{"letter.~~~"});
    QCOMPARE(contents(encrypted), encryptedBytes);
    QVERIFY(h.enabled(cmd::FeDecryptFile));
    h.prompter.answers.append(GuiPrompter::Answer::Yes);  // change the password?
    setPassword(h, kPassword);
    QVERIFY(h.run(cmd::FeDecryptFile));
    QCOMPARE(contents(dir + "/letter.txt"), QByteArray("dear reader"));
    QCOMPARE(entries(dir), QStringList{"letter.txt"});

    // An existing output file goes only after a Yes.
    writeFile(dir + "/letter.~~~", "someone else's file");
    QTRY_COMPARE(selectedName(w), QStringLiteral("letter.txt"));
    const QString question = QString::fromStdString(replaceQuestionText(native(dir + "/letter.~~~")));
    h.prompter.answers.append(GuiPrompter::Answer::No);
    QVERIFY(h.run(cmd::FeEncryptFile));
    QCOMPARE(h.prompter.questions.last(), question);
    QCOMPARE(contents(dir + "/letter.~~~"), QByteArray("someone else's file"));
    QCOMPARE(contents(dir + "/letter.txt"), QByteArray("dear reader"));
    QVERIFY(h.enabled(cmd::FeEncryptFile));
    h.prompter.answers.append(GuiPrompter::Answer::Yes);
    QVERIFY(h.run(cmd::FeEncryptFile));
    QCOMPARE(h.prompter.questions.last(), question);
    QCOMPARE(entries(dir), QStringList{"letter.~~~"});
    QCOMPARE(contents(dir + "/letter.~~~"), encryptedBytes);
    QCOMPARE(h.prompter.messages(), QStringList{"Password not correct,try again!"});
}

void FileEncryptionWindowTest::cancelKeepsTheSource() {
    setFileChunkBytes(4096);
    setProgressDialogDelay(0);
    Harness h;
    const QString dir = QFileInfo(h.path("work")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir));
    const QByteArray plain = randomBytes(256 * 1024, 3);
    writeFile(dir + "/big.bin", plain);
    setPassword(h, kPassword);
    CChildFrmFileView* w = openFileView(h);
    QVERIFY(showFolder(w, dir));

    // Cancel is pressed once some of the file is through.
    QStringList labels;
    auto cancelMidway = [&labels](QDialog& dialog) {
        auto* progress = qobject_cast<QProgressDialog*>(&dialog);
        QVERIFY(progress);
        auto* bar = progress->findChild<QProgressBar*>();
        QVERIFY(bar);
        QObject::connect(bar, &QProgressBar::valueChanged, progress, [progress, &labels](int value) {
            if (value > 0 && labels.isEmpty()) {
                labels.append(progress->labelText());
                progress->findChild<QPushButton*>()->click();
            }
        });
    };

    selectRow(w, "big.bin");
    h.prompter.onShow = cancelMidway;
    QVERIFY(h.run(cmd::FeEncryptFile));
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(labels.size(), 1);
    QVERIFY2(labels.first().startsWith("Encrypting big.bin\n") && labels.first().contains(" bytes done"),
             qPrintable(labels.first()));
    QCOMPARE(entries(dir), QStringList{"big.bin"});  // no output, not even a partial one
    QCOMPARE(contents(dir + "/big.bin"), plain);
    QCOMPARE(selectedFile(h), dir + "/big.bin");
    QVERIFY(h.enabled(cmd::FeEncryptFile));

    // Without Cancel it runs to the end under the dialog; then a cancelled decryption keeps the
    // encrypted file and writes nothing.
    h.prompter.reset();
    QVERIFY(h.run(cmd::FeEncryptFile));
    QCOMPARE(h.prompter.shown.size(), 1);
    QCOMPARE(entries(dir), QStringList{"big.~~~"});
    const QByteArray encrypted = contents(dir + "/big.~~~");
    QTRY_COMPARE(selectedName(w), QStringLiteral("big.~~~"));
    h.prompter.reset();
    labels.clear();
    h.prompter.onShow = cancelMidway;
    QVERIFY(h.run(cmd::FeDecryptFile));
    QCOMPARE(labels.size(), 1);
    QCOMPARE(entries(dir), QStringList{"big.~~~"});
    QCOMPARE(contents(dir + "/big.~~~"), encrypted);
    QVERIFY(h.enabled(cmd::FeDecryptFile));
    QVERIFY(h.prompter.messages().isEmpty());
}

void FileEncryptionWindowTest::encryptedFileOpenedAsDocument() {
    Harness h;
    const QString dir = QFileInfo(h.path("docs")).absoluteFilePath();
    QVERIFY(QDir().mkpath(dir));
    writeFile(dir + "/plan.txt", "the plan");
    const QString file = encryptWithCore(dir + "/plan.txt");
    writeFile(dir + "/other.txt", "x");

    // File Open with no window open: a new card document, and the file-encryption window on the
    // file's folder with the file selected. Asked for the password, the person sets it.
    h.prompter.answers.append(GuiPrompter::Answer::Yes);
    typePassword(h.prompter, kPassword, kPassword);
    h.prompter.openNames.append(file);
    QVERIFY(h.run(cmd::FileOpen));
    QCOMPARE(h.prompter.questions, QStringList{kPasswordQuestion});
    CChildFrmFileView* w = activeFileWindow(h);
    QVERIFY(w);
    QTRY_VERIFY(listed(w, dir));
    QTRY_COMPARE(selectedName(w), QStringLiteral("plan.~~~"));
    QVERIFY(h.enabled(cmd::FeDecryptFile));
    QVERIFY(h.frame()->commandAction(cmd::FeSetPasswordButton)->property("passwordSet").toBool());
    // The file itself was never read as a card document.
    const QList<Document*> documents = h.frame()->docManager()->documents();
    QCOMPARE(documents.size(), 1);
    QCOMPARE(documents.first()->GetPathName(), QString());
    QCOMPARE(documents.first()->GetDocTemplate()->resourceId(), 129);
    QCOMPARE(w->GetActiveDocument(), documents.first());
    QCOMPARE(h.childFrameCount(), 2);
    QCOMPARE(h.frame()->docManager()->recentFiles().at(0), file);

    // From the recent files: a further window on it. Once the file is gone, the entry goes too.
    QVERIFY(h.run(cmd::FileMru1));
    QCOMPARE(fileEncryptionWindows(*h.frame()).size(), 2);
    QTRY_COMPARE(selectedName(activeFileWindow(h)), QStringLiteral("plan.~~~"));
    QVERIFY(QFile::remove(file));
    QVERIFY(h.run(cmd::FileMru1));
    QCOMPARE(h.prompter.messages(), QStringList{"Unable to open plan.~~~.\nThere is no such file."});
    QCOMPARE(fileEncryptionWindows(*h.frame()).size(), 2);
    QCOMPARE(h.frame()->docManager()->recentFiles().count(), 0);
}

void FileEncryptionWindowTest::encryptedFileOnTheCommandLine() {
    QTemporaryDir dir;
    const QString folder = QFileInfo(dir.path()).canonicalFilePath();
    writeFile(folder + "/README", "read me");
    const QString file = encryptWithCore(folder + "/README");
    QCOMPARE(file, folder + "/REA~~~");

    Harness h({file}, {}, [](ScriptedPrompter& p) { p.answers.append(GuiPrompter::Answer::No); });
    QCOMPARE(h.prompter.questions, QStringList{kPasswordQuestion});
    QVERIFY(h.frame()->isVisible());
    CChildFrmFileView* w = activeFileWindow(h);
    QVERIFY(w);
    QTRY_COMPARE(selectedName(w), QStringLiteral("REA~~~"));
    QCOMPARE(selectedFile(h), file);
    QVERIFY(h.frame()->FileEncryption.IsEncrypted);
    QVERIFY(!h.enabled(cmd::FeDecryptFile));  // no password yet
    setPassword(h, kPassword);
    QVERIFY(h.run(cmd::FeDecryptFileButton));
    QCOMPARE(contents(folder + "/README"), QByteArray("read me"));
    QVERIFY(!QFileInfo::exists(file));
}

QTEST_MAIN(FileEncryptionWindowTest)
#include "FileEncryptionWindowTest.moc"
