// The file list of the file-encryption window on a big folder: how long until the names show, how
// long until every size and time is in, and the longest the window's thread was kept from its
// events meanwhile (what a person would feel as a freeze). Usage: bench_file_list [ENTRIES]
// (default 100,000); runs offscreen unless a platform is given.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "ui/fileenc/FileListModel.h"
#include "ui/fileenc/ShellListView.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    for (int i = 0; i < entries; ++i) {
        QFile f(dir.filePath(QStringLiteral("file-%1.txt").arg(i, 6, 10, QLatin1Char('0'))));
        f.open(QIODevice::WriteOnly);
        if (i % 100 == 0) {
            QDir().mkdir(dir.filePath(QStringLiteral("folder-%1").arg(i)));
        }
    }

    CShellListView view;
    view.resize(600, 400);
    view.show();
    FileListModel* model = view.fileModel();

    // Ticks every millisecond; the largest gap between two ticks is the longest stall.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.restart());
    });

    QElapsedTimer clock;
    qint64 namesIn = -1;
    qint64 allIn = -1;
    QObject::connect(model, &FileListModel::filled, [&] { namesIn = clock.elapsed(); });
    auto everyFact = [&] {
        for (int i = 0; i < model->rowCount(); ++i) {
            if (!model->row(i).isFolder && !model->row(i).factsKnown) {
                return false;
            }
        }
        return model->rowCount() > 0;
    };
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&](const QModelIndex&, const QModelIndex& bottom) {
        if (bottom.row() == model->rowCount() - 1 && everyFact()) {
            allIn = clock.elapsed();
            app.quit();
        }
    });

    clock.start();
    model->fill(dir.path(), false);
    const qint64 fillCall = clock.elapsed();
    sinceTick.start();
    ticker.start();
    app.exec();

    std::printf("entries                          %d (+%d folders)\n", entries, (entries + 99) / 100);
    std::printf("fill() on the window's thread    %lld ms\n", static_cast<long long>(fillCall));
    std::printf("names listed                     %lld ms\n", static_cast<long long>(namesIn));
    std::printf("every size and time in           %lld ms\n", static_cast<long long>(allIn));
    std::printf("longest stall of the window      %lld ms\n", static_cast<long long>(longestStall));
    return 0;
}
