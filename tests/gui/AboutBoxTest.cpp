// The About box: the version it shows is the one the programs print for --version, it names the
// licence, and the keyboard closes it without opening the home page.

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "ui/frame/AboutDlg.h"

namespace {

// All the texts of the box's labels, one after another.
QString labelTexts(const QDialog& dlg) {
    QStringList texts;
    for (const QLabel* label : dlg.findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts.join('\n');
}

// What `program --version` prints after the program's name.
QString printedVersion(const QString& program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return QStringLiteral("<%1 --version failed>").arg(program);
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return out.section(' ', 1);
}

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheProgramsVersionAndLicence();
    void keyboardClosesIt_data();
    void keyboardClosesIt();
};

void AboutBoxTest::showsTheProgramsVersionAndLicence() {
    const QString version = printedVersion(QStringLiteral(QUORVANE_CLI_PATH));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch(), qPrintable(version));
    QCOMPARE(printedVersion(QStringLiteral(QUORVANE_BRIDGE_PATH)), version);

    CAboutDlg dlg;
    const QString texts = labelTexts(dlg);
    QVERIFY2(texts.contains(QStringLiteral("Version ") + version + '\n'), qPrintable(texts));
    QVERIFY2(texts.contains(QStringLiteral("GNU General Public License, version 3 or later")), qPrintable(texts));
    QVERIFY2(texts.contains(QStringLiteral("NO WARRANTY")), qPrintable(texts));
}

void AboutBoxTest::keyboardClosesIt_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("focusOnHomePage");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter") << int(Qt::Key_Return) << false << int(QDialog::Accepted);
    QTest::newRow("Enter on the home page button") << int(Qt::Key_Return) << true << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false << int(QDialog::Rejected);
    QTest::newRow("Escape on the home page button") << int(Qt::Key_Escape) << true << int(QDialog::Rejected);
}

void AboutBoxTest::keyboardClosesIt() {
    QFETCH(int, key);
    QFETCH(bool, focusOnHomePage);
    QFETCH(int, result);
    CAboutDlg dlg;
    QSignalSpy homePage(dlg.homePageButton(), &QPushButton::clicked);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    if (focusOnHomePage) {
        dlg.homePageButton()->setFocus();
    }
    QWidget* target = dlg.focusWidget() ? dlg.focusWidget() : &dlg;
    QTest::keyClick(target, Qt::Key(key));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), result);
    QCOMPARE(homePage.count(), 0);
}

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
