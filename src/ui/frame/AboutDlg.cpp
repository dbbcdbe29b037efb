#include "ui/frame/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/common/Icons.h"
#include "ui/frame/AppInfo.h"

// QUORVANE_VERSION comes from the project's version in CMakeLists.txt, as the programs' --version does.
#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION is set by the build for this file"
#endif

namespace {
constexpr const char* kCreditsText =
    "Quorvane - keeps your passwords and secrets on cards. Made with Qt.\n"
    "Version " QUORVANE_VERSION
    "\n"
    "Copyright \u00a9 2026 Quorvane Developers";
constexpr const char* kLicenceText =
    "Licensed under the GNU General Public License, version 3 or later.\n"
    "This program comes with ABSOLUTELY NO WARRANTY.";
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorvane"));
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(icons::app().pixmap(32, 32));
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    auto* credits = new QLabel(QString::fromUtf8(kCreditsText), this);
    credits->setWordWrap(true);
    grid->addWidget(credits, 0, 1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("Quorvane Home Page:"), this), 1, 1);
    m_homePage = new QPushButton(QString::fromUtf8(kHomePageAddress), this);
    m_homePage->setAutoDefault(false);
    grid->addWidget(m_homePage, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("EMail:"), this), 2, 1);
    auto* mail = new QLabel(this);
    mail->setPixmap(icons::emailAddress());
    grid->addWidget(mail, 2, 2);
    auto* licence = new QLabel(QString::fromUtf8(kLicenceText), this);
    licence->setWordWrap(true);
    grid->addWidget(licence, 3, 1, 1, 2);
    auto* banner = new QLabel(this);
    banner->setPixmap(icons::aboutBanner());
    grid->addWidget(banner, 4, 0, 1, 2, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    // Enter presses OK wherever the focus is, Escape closes the box as QDialog does.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 4, 2, Qt::AlignBottom);
}
