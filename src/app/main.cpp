// quorvane: the window program.

#include <QApplication>

#include "app/QuorvaneApp.h"
#include "common/ProcessGuard.h"

int main(int argc, char** argv) {
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
