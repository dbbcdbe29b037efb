// The window with a big card document, driven as a person would: opening an encrypted document
// to an idle window, the card commands, and what every key or mouse event costs in enable rules.
// Prints one table. Usage: bench_window [CARDS] (default 1,000,000); runs offscreen unless a
// platform is given.
//
// The open is compared with `quorvane-cli ls` reading the same document (the program built beside
// this one, its output thrown away), in three rounds side by side: each round runs `ls`, then opens
// the document in the window and closes it again (the last one stays open for the card commands).
// Both are timed in wall time and in CPU time (user and system, every thread), so a busy machine
// shows in the wall times but hardly in the CPU times; the ratios are the medians' ratios.
// BENCH_DOCUMENT=PATH opens that document (its password "benchmark password") instead of writing one.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <fcntl.h>
#include <vector>

#include "../PrivateBus.h"
#include "app/QuorvaneApp.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "docview/DocManager.h"
#include "prefs/MemorySettings.h"
#include "ui/cards/CardActions.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/DecryptPasswordDlg.h"
#include "ui/browser/Ddeml.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kPassword = QStringLiteral("benchmark password");

// Answers every dialog at once: the password, a card name, OK to every question.
class Answering : public GuiPrompter {
public:
    void message(const QString& text, const QString&, Icon) override { messages.append(text); }
    Answer question(const QString&, bool, const QString&) override { return Answer::No; }
    QString openFileName(const QString&, const QStringList&) override { return openName; }
    QString saveFileName(const QString&, const QString&, const QStringList&) override { return QString(); }
    bool okCancel(const QString&, const QString&, Icon) override { return true; }
    int exec(QDialog& dialog) override {
        if (auto* password = qobject_cast<DecryptPasswordDlg*>(&dialog)) {
            password->passwordField()->setText(kPassword);
        } else if (auto* editor = qobject_cast<CCardDlg*>(&dialog)) {
            editor->field(0)->setText(cardName);
        }
        return QDialog::Accepted;
    }
    void show(QDialog&) override {}
    void popupText(const QString&, const QPoint&) override {}

    QString openName;
    QString cardName = QStringLiteral("Mmm new card");
    QStringList messages;
};

class SilentUi : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return true; }
};

void writeDocument(const QString& path, int cards) {
    CardStore store;
    std::mt19937 random(42);
    for (int i = 0; i < cards; ++i) {
        auto card = std::make_unique<Card>();
        const int category = i % 15;
        card->categoryId = static_cast<std::uint8_t>(category);
        // Names in no particular order, so the tree really sorts.
        card->firstField = "Card " + std::to_string(random() % 1000000000u);
        card->secondField = "https://www.example.com/login/" + std::to_string(i);
        card->thirdField = "user" + std::to_string(i) + "@example.com";
        card->fourthField = "p@ss-" + std::to_string(i * 31337LL);
        card->dateStamp = 3793342830u;
        store.GetCategoryList(category)->AddCard(std::move(card));
    }
    store.GetCategoryList(14)->GetCardAt(store.GetCategoryList(14)->GetCardCount() - 1)->note = "needle";
    // The old form, as the figures in bench/README.md were taken (the strong form adds its key
    // derivation to the open: bench_cardfile's BM_DeriveTunedKey).
    store.encryptOnSave = 1;
    store.encryptionForm = EncryptionForm::Old;
    store.encryptionPassword = kPassword.toStdString();
    SilentUi ui;
    if (saveCardDocument(path.toStdString(), store, ui).outcome != SaveOutcome::Saved) {
        std::fprintf(stderr, "bench_window: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

/// Milliseconds `step` takes until the event loop has nothing left to do.
double timeToIdle(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double cpuSeconds() {
    timespec at;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &at);
    return static_cast<double>(at.tv_sec) + static_cast<double>(at.tv_nsec) * 1e-9;
}

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

/// `quorvane-cli ls` of the document, its output to /dev/null: wall and CPU time.
Timing timeList(const QString& cli, const QString& document, const QString& passwordFile) {
    const QByteArray program = cli.toLocal8Bit();
    const QByteArray file = document.toLocal8Bit();
    const QByteArray password = passwordFile.toLocal8Bit();
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(program.constData(), program.constData(), "ls", "--password-file", password.constData(),
              file.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Timing t;
    t.wallMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    t.cpuMs = (seconds(usage.ru_utime) + seconds(usage.ru_stime)) * 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_window: %s ls failed\n", program.constData());
        std::exit(1);
    }
    return t;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void row(const char* what, double ms, const char* target) { std::printf("| %-46s | %10.3f ms | %-10s |\n", what, ms, target); }

}  // namespace

int main(int argc, char** argv) {
    // The window needs a session bus; without one the benchmark runs itself on a private one.
    runOnASessionBus(argc, argv, "bench_window");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int cards = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("BENCH_KEEP"));
    const QString given = qEnvironmentVariable("BENCH_DOCUMENT");
    const QString path = given.isEmpty() ? dir.filePath(QStringLiteral("cards.qve")) : given;
    if (given.isEmpty()) writeDocument(path, cards);
    const QString passwordFile = dir.filePath(QStringLiteral("password"));
    {
        QFile out(passwordFile);
        if (!out.open(QIODevice::WriteOnly) || out.write(kPassword.toUtf8() + '\n') < 0) return 1;
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../quorvane-cli");
    if (!qEnvironmentVariableIsEmpty("BENCH_KEEP")) std::printf("%s\n", qPrintable(path));

    Answering answering;
    installGuiPrompter(&answering);
    std::printf("%d cards, encrypted document of %lld bytes\n\n", cards, static_cast<long long>(QFileInfo(path).size()));
    std::printf("| %-46s | %13s | %-10s |\n", "what", "time", "target");
    std::printf("|%s|%s|%s|\n", std::string(48, '-').c_str(), std::string(15, '-').c_str(), std::string(12, '-').c_str());

    {
        CQuorvaneApp empty(std::make_unique<MemorySettings>());
        row("start-up to a shown window, no document",
            timeToIdle([&] { empty.InitInstance({}, CQuorvaneApp::Options{.splash = false}); }), "< 100");
    }

    CQuorvaneApp app(std::make_unique<MemorySettings>());
    app.InitInstance({}, CQuorvaneApp::Options{.splash = false});
    CMainFrame* frame = app.mainFrame();
    answering.openName = path;
    constexpr int kRounds = 3;
    std::vector<double> openWall, openCpu, listWall, listCpu;
    for (int round = 0; round < kRounds; ++round) {
        const Timing list = timeList(cli, path, passwordFile);
        listWall.push_back(list.wallMs);
        listCpu.push_back(list.cpuMs);
        const double cpuBefore = cpuSeconds();
        openWall.push_back(timeToIdle([&] { frame->commands().execute(cmd::FileOpen); }));
        openCpu.push_back((cpuSeconds() - cpuBefore) * 1e3);
        if (!frame->activeCardDocument()) {
            std::fprintf(stderr, "bench_window: the document did not open\n");
            return 1;
        }
        if (round + 1 < kRounds) {
            frame->commands().execute(cmd::FileClose);
            QCoreApplication::processEvents();
        }
    }
    row("open the encrypted document to an idle window", median(openWall), "< 1500");
    row("  the same in CPU time", median(openCpu), "-");
    row("`quorvane-cli ls` of the document", median(listWall), "-");
    row("  the same in CPU time", median(listCpu), "-");
    CQuorvaneView* tree = frame->activeCategoryTree();
    const QModelIndex www = tree->GetCategoryItemAt(0);
    // A category's rows are put in order when first shown: the first card selected in one pays it.
    row("first card selected in a category (sorts it)",
        timeToIdle([&] { tree->SelectCardAtPosition(www, tree->childCount(www) / 2); }), "< 50");

    std::vector<double> rules;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        frame->updateCommandStates();
        rules.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    row("enable rules after a key or mouse event", median(rules), "< 1");

    auto run = [&](int id) { return timeToIdle([&] { frame->commands().execute(id); }); };
    row("New Card", run(cmd::NewCard), "< 50");
    answering.cardName = QStringLiteral("Aaa edited");
    row("Edit Card", run(cmd::EditCard), "< 50");
    row("Copy (the card)", run(cmd::EditCopy), "< 50");
    row("Paste (the card)", run(cmd::EditPaste), "< 50");
    row("Delete Card", run(cmd::DeleteCard), "< 50");
    row("Find (the last card of the last category)",
        timeToIdle([&] { cardactions::SearchCards(*frame, 0, QStringLiteral("needle"), false); }), "< 50");
    row("refresh of the whole tree (a full rebuild)",
        timeToIdle([&] { frame->activeCardDocument()->UpdateAllViews(nullptr); }), "-");
    // The commands above changed the cards, so the lock seals the merge base on its own as well.
    CQuorvaneDoc* document = frame->activeCardDocument();
    row("lock the changed document", timeToIdle([&] { document->lock(); }), "-");
    row("unlock it", timeToIdle([&] { document->unlock(); }), "-");
    if (document->isLocked()) {
        std::fprintf(stderr, "bench_window: the document did not unlock\n");
        return 1;
    }
    if (!answering.messages.isEmpty()) {
        std::fprintf(stderr, "bench_window: unexpected message: %s\n", qPrintable(answering.messages.join("; ")));
        return 1;
    }
    installGuiPrompter(nullptr);
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("\nopen / ls, median of %d rounds: %.2fx wall, %.2fx CPU (rounds, wall ms open/ls:", kRounds,
                median(openWall) / median(listWall), median(openCpu) / median(listCpu));
    for (int round = 0; round < kRounds; ++round)
        std::printf(" %.0f/%.0f", openWall[static_cast<std::size_t>(round)], listWall[static_cast<std::size_t>(round)]);
    std::printf("; CPU:");
    for (int round = 0; round < kRounds; ++round)
        std::printf(" %.0f/%.0f", openCpu[static_cast<std::size_t>(round)], listCpu[static_cast<std::size_t>(round)]);
    std::printf(")\nload average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return 0;
}
