// quorvane: the window program.

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/QuorvaneApp.h"
#include "common/ProcessGuard.h"

int main(int argc, char** argv) {
    // Answered before the toolkit starts, so it needs neither a display nor a session bus.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvane %s\n", QUORVANE_VERSION);
            return 0;
        }
    }
    guardProcess();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setOrganizationName(QStringLiteral("Orvel/Pelmorapp"));
    CQuorvaneApp quorvane;
    if (!quorvane.InitInstance(QApplication::arguments().mid(1))) {
        return 1;
    }
    return application.exec();
}
