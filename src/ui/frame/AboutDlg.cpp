#include "ui/frame/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/frame/AppInfo.h"
#include "ui/common/Icons.h"

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
    auto* banner = new QLabel(this);
    banner->setPixmap(icons::aboutBanner());
    grid->addWidget(banner, 3, 0, 1, 2, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 3, 2, Qt::AlignBottom);
}
