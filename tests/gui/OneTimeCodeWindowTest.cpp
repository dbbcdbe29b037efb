// One-time codes in the window: the card list's code row and its one-second refresh, the note row
// without the setup's secret, Copy One-time Code, the Set Up One-time Code dialog (pasted, bare
// secret, refused, read from a QR image, removed), Show QR Code read back by a QR reader, and the lock
// ending all of it.

#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ScriptedHarness.h"
#include "cardstore/Card.h"
#include "cardstore/Categories.h"
#include "docview/MdiChildFrame.h"
#include "otp/OneTimeCode.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardClipboard.h"
#include "ui/cards/LockCommands.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/otp/CardCode.h"
#include "ui/otp/OtpSetupDlg.h"
#include "ui/otp/QrCodes.h"
#include "ui/otp/ShowQrDlg.h"

namespace {

// "Hello!" and four bytes more, the key most examples of the address form use.
const QString kSecret = QStringLiteral("JBSWY3DPEHPK3PXP");
const QString kUri = QStringLiteral("otpauth://totp/Bank:alice?secret=JBSWY3DPEHPK3PXP&issuer=Bank");

otp::Setup setupOf(const QString& uri) {
    const otp::ParsedSetup parsed = otp::parseSetup(uri.toStdString(), otp::TextForm::Utf8);
    return parsed.setup.value_or(otp::Setup{});
}

/// Whether `text` is the code of `setup` at some second from `from` to `to`, grouped as "123 456" or "1234 5678",
/// with that second's time left, "(17 s)", after it (when `withSeconds`).
bool isCodeBetween(const QString& text, const otp::Setup& setup, std::int64_t from, std::int64_t to, bool withSeconds) {
    static const QRegularExpression form(QStringLiteral("^(\\d{3,4}) (\\d{3,4})(?:  \\((\\d+) s\\))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || m.captured(3).isEmpty() == withSeconds) {
        return false;
    }
    for (std::int64_t t = from; t <= to; ++t) {
        if ((m.captured(1) + m.captured(2)).toStdString() == otp::code(setup, t) &&
            (!withSeconds || m.captured(3).toUInt() == otp::secondsLeft(setup, t))) {
            return true;
        }
    }
    return false;
}

std::int64_t now() {
    return QDateTime::currentSecsSinceEpoch();
}

QStringList column(const CQuorvaneListView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        texts << list->topLevelItem(row)->text(column);
    }
    return texts;
}

QTimer* codeTimer(Harness& h) {
    return h.list()->findChild<QTimer*>(QStringLiteral("oneTimeCodeTimer"));
}

QString noteOf(Harness& h, int categoryId, const QString& name) {
    h.tree()->SelectItem(h.cardItem(categoryId, name));
    const Card* card = h.tree()->GetSelectedCard();
    return card ? fromCardText(card->note) : QStringLiteral("<no card>");
}

void openCards(Harness& h, const QList<CardSpec>& cards, const QString& password = {}) {
    writeCardFile(h.path("cards.qvf"), cards, password);
    if (!password.isEmpty()) {
        h.prompter.passwords.append(password);
    }
    QVERIFY(h.open(h.path("cards.qvf")));
}

}  // namespace

class OneTimeCodeWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cardListRows_data();
    void cardListRows();
    void codeRowFollowsTheClock();
    void copyOneTimeCode();
    void setupDialog_data();
    void setupDialog();
    void setupDialogReadsQrImages();
    void setUpAndRemoveThroughTheCardMenu();
    void showQrCodeReadsBack();
    void lockEndsCodesAndDialogs();
};

void OneTimeCodeWindowTest::cardListRows_data() {
    QTest::addColumn<int>("categoryId");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("noteRow");
    QTest::addColumn<QString>("codeRow");  // "code", "counter" or the exact text shown; empty for no row
    const QString broken = QStringLiteral("otpauth://totp/X?secret=JBSWY3DPEHPK3PXP&digits=9");
    QTest::newRow("web category, setup on the first line") << 0 << kUri + "\r\nPIN 1234"
                                                           << "(one-time code set up)..."
                                                           << "code";
    QTest::newRow("other category, setup below the text")
        << 7 << "  call the branch\r\n  " + kUri << "  call the branch..."
        << "code";
    QTest::newRow("setup alone") << 11 << kUri << "(one-time code set up)"
                                 << "code";
    QTest::newRow("counter-based") << 0 << QStringLiteral("otpauth://hotp/Bank:alice?secret=JBSWY3DPEHPK3PXP&counter=5")
                                   << "(one-time code set up)"
                                   << "counter";
    QTest::newRow("setup that gives no code") << 0 << broken << "(one-time code set up)"
                                              << QString::fromStdString(otp::parseSetup(broken.toStdString()).error);
    QTest::newRow("a mention is no setup") << 0 << "see " + kUri << "see..." << QString();
}

void OneTimeCodeWindowTest::cardListRows() {
    QFETCH(int, categoryId);
    QFETCH(QString, note);
    QFETCH(QString, noteRow);
    QFETCH(QString, codeRow);
    Harness h;
    openCards(h, {{categoryId, "card", "", "", "pw", note}});
    h.tree()->SelectItem(h.cardItem(categoryId, "card"));
    CQuorvaneListView* list = h.list();
    QCOMPARE(list->ShownCard, h.tree()->GetSelectedCard());

    const QStringList labels = column(list, 0);
    const QStringList data = column(list, 1);
    QCOMPARE(data.at(labels.indexOf(QStringLiteral("Note:"))), noteRow);
    for (const QString& text : data) {
        QVERIFY2(!text.contains(kSecret), qPrintable(text));
    }
    if (codeRow.isEmpty()) {
        QVERIFY(!labels.contains(QStringLiteral("One-time code:")));
        QVERIFY(!codeTimer(h)->isActive());
        return;
    }
    // The code is the last row, below the date, so the rows above keep their places.
    QCOMPARE(labels.last(), QStringLiteral("One-time code:"));
    QCOMPARE(labels.at(labels.size() - 2), QStringLiteral("Date:"));
    const QString shown = data.last();
    const otp::Setup setup = setupOf(note.mid(note.indexOf(QLatin1String("otpauth"))).section(QLatin1Char('\r'), 0, 0));
    if (codeRow == QLatin1String("code")) {
        const std::int64_t t = now();
        QVERIFY2(isCodeBetween(list->oneTimeCodeText(), setup, t - 1, t, true), qPrintable(shown));
        QVERIFY(codeTimer(h)->isActive());
    } else if (codeRow == QLatin1String("counter")) {
        QCOMPARE(shown, groupedCode(otp::code(setup, 0)) + QStringLiteral("  (counter 5)"));
        QVERIFY(!codeTimer(h)->isActive());  // a counter's code does not change with the clock
    } else {
        QCOMPARE(shown, codeRow);
        QVERIFY(!codeTimer(h)->isActive());
    }
}

void OneTimeCodeWindowTest::codeRowFollowsTheClock() {
    Harness h;
    openCards(h, {{0, "bank", "", "", "pw", kUri}, {0, "plain", "", "", "pw", "just a note"}});
    const otp::Setup setup = setupOf(kUri);
    h.tree()->SelectItem(h.cardItem(0, "bank"));
    const QString first = h.list()->oneTimeCodeText();
    // The seconds left change at the next whole second, and the row then shows that second's code.
    QTRY_VERIFY_WITH_TIMEOUT(h.list()->oneTimeCodeText() != first, 2500);
    const std::int64_t t = now();
    QVERIFY2(isCodeBetween(h.list()->oneTimeCodeText(), setup, t - 1, t, true),
             qPrintable(h.list()->oneTimeCodeText()));
    QVERIFY(codeTimer(h)->isActive());
    QVERIFY(codeTimer(h)->remainingTime() <= 1010);

    // No card with a setup shown: no timer runs.
    h.tree()->SelectItem(h.cardItem(0, "plain"));
    QVERIFY(!codeTimer(h)->isActive());
    QCOMPARE(h.list()->oneTimeCodeText(), QString());
    h.tree()->SelectItem(h.cardItem(0, "bank"));
    QVERIFY(codeTimer(h)->isActive());
    h.tree()->SelectItem(h.tree()->GetCategoryItemAt(0));
    QVERIFY(!codeTimer(h)->isActive());
}

void OneTimeCodeWindowTest::copyOneTimeCode() {
    Harness h({}, [](MemorySettings& s) { writeSetting(s, settings::kClearClipboardSeconds, 1); });
    openCards(h, {{0, "bank", "", "", "pw", "PIN 1234\r\n" + kUri}, {0, "plain", "", "", "pw", "note"}});
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));

    h.tree()->SelectItem(h.cardItem(0, "plain"));
    QVERIFY(!h.enabled(cmd::CopyOneTimeCode));
    QVERIFY(!h.enabled(cmd::ShowQrCode));
    QVERIFY(h.enabled(cmd::SetUpOneTimeCode));

    // From either pane of the card window.
    h.tree()->SelectItem(h.cardItem(0, "bank"));
    h.frame()->activeChildFrame()->SetActiveView(h.list());
    const std::int64_t from = now();
    QVERIFY(h.run(cmd::CopyOneTimeCode));
    QVERIFY2(isCodeBetween(groupedCode(clipboard->text().toStdString()), setupOf(kUri), from, now(), false),
             qPrintable(clipboard->text()));
    QCOMPARE(clipboard->mimeData()->data(CardClipboard::kSecretHintType), QByteArray("secret"));
    QTRY_COMPARE_WITH_TIMEOUT(clipboard->text(), QString(), 3000);

    // Copying the note row takes the setup's secret along: it goes marked as secret too.
    QTest::keyClick(h.list(), Qt::Key_Home);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(h.list(), Qt::Key_Down);
    }
    QVERIFY(h.run(cmd::EditCopy));
    QCOMPARE(clipboard->text(), "PIN 1234\r\n" + kUri);
    QCOMPARE(clipboard->mimeData()->data(CardClipboard::kSecretHintType), QByteArray("secret"));

    // The code row (the last) copies the code, as Ctrl+T does.
    QTest::keyClick(h.list(), Qt::Key_End);
    const std::int64_t before = now();
    QVERIFY(h.run(cmd::EditCopy));
    QVERIFY2(isCodeBetween(groupedCode(clipboard->text().toStdString()), setupOf(kUri), before, now(), false),
             qPrintable(clipboard->text()));
    QCOMPARE(clipboard->mimeData()->data(CardClipboard::kSecretHintType), QByteArray("secret"));
}

void OneTimeCodeWindowTest::setupDialog_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<bool>("optionsEnabled");
    QTest::addColumn<QString>("uri");    // what OK writes; empty when OK stays disabled
    QTest::addColumn<QString>("error");  // the sentence shown instead of a code
    const auto refused = [](const char* text) { return QString::fromStdString(otp::parseSetup(text).error); };
    QTest::newRow("pasted address") << "  " + kUri + " " << 6 << 30 << 0 << false << kUri << QString();
    QTest::newRow("address leaves the options alone")
        << QStringLiteral("otpauth://totp/Bank:alice?secret=JBSWY3DPEHPK3PXP&issuer=Bank&digits=8") << 7 << 60 << 2
        << false << QStringLiteral("otpauth://totp/Bank:alice?secret=JBSWY3DPEHPK3PXP&issuer=Bank&digits=8")
        << QString();
    QTest::newRow("bare secret, defaults")
        << QStringLiteral("jbsw y3dp ehpk 3pxp") << 6 << 30 << 0 << true
        << QStringLiteral("otpauth://totp/My%20Bank?secret=JBSWY3DPEHPK3PXP") << QString();
    QTest::newRow("bare secret with options")
        << kSecret << 8 << 60 << 1 << true
        << QStringLiteral("otpauth://totp/My%20Bank?secret=JBSWY3DPEHPK3PXP&algorithm=SHA256&digits=8&period=60")
        << QString();
    QTest::newRow("digits out of range") << QStringLiteral("otpauth://totp/X?secret=JBSWY3DPEHPK3PXP&digits=9") << 6
                                         << 30 << 0 << false << QString()
                                         << refused("otpauth://totp/X?secret=JBSWY3DPEHPK3PXP&digits=9");
    QTest::newRow("not Base32") << QStringLiteral("JBSWY3DPEHPK3PX1") << 6 << 30 << 0 << true << QString()
                                << refused("otpauth://totp/?secret=JBSWY3DPEHPK3PX1");
    QTest::newRow("another address") << QStringLiteral("https://bank.example/2fa") << 6 << 30 << 0 << false << QString()
                                     << refused("https://bank.example/2fa");
    QTest::newRow("empty") << QString() << 6 << 30 << 0 << false << QString()
                           << QStringLiteral(
                                  "Paste the otpauth:// address the site gives, type its secret key, or "
                                  "read its QR code.");
}

void OneTimeCodeWindowTest::setupDialog() {
    QFETCH(QString, text);
    QFETCH(int, digits);
    QFETCH(int, period);
    QFETCH(int, algorithm);
    QFETCH(bool, optionsEnabled);
    QFETCH(QString, uri);
    QFETCH(QString, error);
    ScriptedPrompter prompter;
    OtpSetupDlg dialog(QString(), QStringLiteral("My Bank"));
    dialog.show();                                 // Enter presses only a default button that is on the screen
    QVERIFY(!dialog.removeButton()->isEnabled());  // nothing to remove on a card without a setup
    QVERIFY(dialog.okButton()->isDefault());
    dialog.digitsBox()->setValue(digits);
    dialog.periodBox()->setValue(period);
    dialog.algorithmBox()->setCurrentIndex(algorithm);
    QTest::keyClicks(dialog.setupField(), text);  // typed, so the code follows each change
    QCOMPARE(dialog.digitsBox()->isEnabled(), optionsEnabled);
    QCOMPARE(dialog.okButton()->isEnabled(), !uri.isEmpty());
    if (uri.isEmpty()) {
        QCOMPARE(dialog.resultLabel()->text(), error);
        QTest::keyClick(dialog.setupField(), Qt::Key_Return);  // Enter does not get past a refused setup
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.setup());
        return;
    }
    QCOMPARE(QString::fromStdString(otp::toUri(*dialog.setup())), uri);
    const std::int64_t t = now();
    const QString code = dialog.resultLabel()->text().section(QStringLiteral("Code now: "), 1);
    QVERIFY2(isCodeBetween(code, *dialog.setup(), t - 1, t, false), qPrintable(dialog.resultLabel()->text()));
    QTest::keyClick(dialog.setupField(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.removeChosen());
}

void OneTimeCodeWindowTest::setupDialogReadsQrImages() {
    QTemporaryDir dir;
    const QImage code = drawQrCode(kUri.toUtf8(), 6);
    QVERIFY(!code.isNull());
    QVERIFY(code.save(dir.filePath("code.png")));
    // A photo-like JPEG: the code smaller, in colour, on a larger picture.
    QImage photo(900, 700, QImage::Format_RGB32);
    photo.fill(QColor(230, 220, 200));
    {
        QPainter painter(&photo);
        painter.drawImage(QPoint(200, 120), code.scaled(code.size() / 2).convertToFormat(QImage::Format_RGB32));
    }
    QVERIFY(photo.save(dir.filePath("photo.jpg"), "JPEG", 90));
    QImage blank(200, 200, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(blank.save(dir.filePath("blank.png")));
    QFile text(dir.filePath("notes.png"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();

    struct Case {
        const char* file;
        const char* message;  // empty: the address is read into the field
    };
    const Case cases[] = {
        {"code.png", ""},
        {"photo.jpg", ""},
        {"blank.png", "No QR code was found in %1."},
        {"notes.png", "%1 is neither a PNG nor a JPEG image."},
        {"missing.png", "Cannot read %1."},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        OtpSetupDlg dialog(QString(), QStringLiteral("card"));
        dialog.setupField()->setText(QStringLiteral("typed"));
        prompter.openNames << dir.filePath(c.file);
        dialog.imageButton()->click();
        QCOMPARE(prompter.openFilters.size(), 1);
        QVERIFY(prompter.openFilters.first().first().contains(QLatin1String("*.png *.jpg")));
        if (*c.message) {
            QCOMPARE(prompter.messages(), QStringList{QString::fromLatin1(c.message).arg(dir.filePath(c.file))});
            QCOMPARE(dialog.setupField()->text(), QStringLiteral("typed"));
        } else {
            QVERIFY2(prompter.messages().isEmpty(), c.file);
            QCOMPARE(dialog.setupField()->text(), kUri);
            QVERIFY(dialog.okButton()->isEnabled());
        }
    }

    // The screen holds no code here: that is said, and the field keeps its text.
    ScriptedPrompter prompter;
    OtpSetupDlg dialog(QString(), QStringLiteral("card"));
    dialog.screenButton()->click();
    QCOMPARE(prompter.messages().size(), 1);
    QVERIFY(prompter.messages().first().startsWith(QLatin1String("No QR code was found on the screen.")));
    QCOMPARE(dialog.setupField()->text(), QString());
}

void OneTimeCodeWindowTest::setUpAndRemoveThroughTheCardMenu() {
    Harness h;
    const QString note = QStringLiteral("PIN 1234\r\nbranch 7");
    openCards(h, {{7, "bank", "", "", "pw", note}});
    h.tree()->SelectItem(h.cardItem(7, "bank"));
    QVERIFY(!h.doc()->IsModified());

    // Cancel changes nothing.
    h.prompter.onDialog<OtpSetupDlg>([](OtpSetupDlg& dialog) {
        dialog.setupField()->setText(kUri);
        dialog.cancelButton()->click();
        return dialog.result();
    });
    QVERIFY(h.run(cmd::SetUpOneTimeCode));
    QCOMPARE(noteOf(h, 7, "bank"), note);
    QVERIFY(!h.doc()->IsModified());

    h.prompter.onDialog<OtpSetupDlg>([](OtpSetupDlg& dialog) {
        dialog.setupField()->setText(kUri);
        dialog.okButton()->click();
        return dialog.result();
    });
    QVERIFY(h.run(cmd::SetUpOneTimeCode));
    QCOMPARE(noteOf(h, 7, "bank"), note + "\r\n" + kUri);
    QVERIFY(h.doc()->IsModified());
    QVERIFY(h.tree()->GetSelectedCard()->stateFlags & kStateEdited);
    QCOMPARE(column(h.list(), 0).last(), QStringLiteral("One-time code:"));
    QVERIFY(h.enabled(cmd::CopyOneTimeCode));

    // Opened again, the dialog starts with the card's setup; Remove takes it out.
    QString shownAtStart;
    h.prompter.onDialog<OtpSetupDlg>([&](OtpSetupDlg& dialog) {
        shownAtStart = dialog.setupField()->text();
        dialog.removeButton()->click();
        return dialog.result();
    });
    QVERIFY(h.run(cmd::SetUpOneTimeCode));
    QCOMPARE(shownAtStart, kUri);
    QCOMPARE(noteOf(h, 7, "bank"), note);
    QVERIFY(!column(h.list(), 0).contains(QStringLiteral("One-time code:")));
    QVERIFY(!h.enabled(cmd::CopyOneTimeCode));
    QCOMPARE(h.prompter.dialogs, QStringList(3, QStringLiteral("Set Up One-time Code")));
}

void OneTimeCodeWindowTest::showQrCodeReadsBack() {
    Harness h;
    const QString stored = QStringLiteral("otpauth://totp/ACME%20Co:bob?secret=jbsw-y3dp-ehpk-3pxp&digits=8");
    openCards(h, {{0, "acme", "", "", "pw", stored}});
    h.tree()->SelectItem(h.cardItem(0, "acme"));
    QVERIFY(h.enabled(cmd::ShowQrCode));
    QStringList read;
    QString caption;
    QSize size;
    bool closeIsDefault = false;
    h.prompter.onDialog<ShowQrDlg>([&](ShowQrDlg& dialog) {
        const QImage image = dialog.codeLabel()->pixmap().toImage();
        size = image.size();
        read = readQrCodes(image);
        caption = dialog.captionLabel()->text();
        closeIsDefault = dialog.closeButton()->isDefault();
        dialog.setResult(QDialog::Accepted);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    QVERIFY(h.run(cmd::ShowQrCode));
    QCOMPARE(h.prompter.dialogs, QStringList{QStringLiteral("QR Code")});
    // The code holds the setup in its plain form, which reads back as the same setup.
    const QString plain =
        QStringLiteral("otpauth://totp/ACME%20Co:bob?secret=JBSWY3DPEHPK3PXP&issuer=ACME%20Co&digits=8");
    QCOMPARE(read, QStringList{plain});
    QVERIFY(setupOf(plain) == setupOf(stored));
    QCOMPARE(caption, QStringLiteral("ACME Co: bob"));
    QVERIFY2(size.width() >= 250, qPrintable(QString::number(size.width())));
    QVERIFY(closeIsDefault);
}

void OneTimeCodeWindowTest::lockEndsCodesAndDialogs() {
    Harness h;
    openCards(h, {{0, "bank", "", "", "pw", kUri}}, QStringLiteral("password1"));
    auto* watch = h.frame()->findChild<LockWatch*>(QStringLiteral("LockWatch"));
    QVERIFY(watch);

    // A lock while a dialog is open cancels it and leaves the card as it was.
    h.tree()->SelectItem(h.cardItem(0, "bank"));
    bool setupClosed = false;
    bool qrClosed = false;
    h.prompter.onDialog<OtpSetupDlg>([&](OtpSetupDlg& dialog) {
        dialog.setupField()->setText(kSecret);
        dialog.show();
        watch->lockAll();
        setupClosed = !dialog.isVisible();
        return dialog.result();
    });
    QVERIFY(h.run(cmd::SetUpOneTimeCode));
    QVERIFY(setupClosed);
    QVERIFY(h.doc()->isLocked());
    QVERIFY(!codeTimer(h)->isActive());
    QCOMPARE(h.list()->topLevelItemCount(), 0);
    QVERIFY(!h.enabled(cmd::CopyOneTimeCode));

    h.prompter.passwords.append(QStringLiteral("password1"));
    QVERIFY(h.run(cmd::FileLock));  // unlocks
    QVERIFY(!h.doc()->isLocked());
    QCOMPARE(noteOf(h, 0, "bank"), kUri);
    QVERIFY(!h.doc()->IsModified());
    QVERIFY(codeTimer(h)->isActive());

    h.prompter.onDialog<ShowQrDlg>([&](ShowQrDlg& dialog) {
        dialog.show();
        watch->lockAll();
        qrClosed = !dialog.isVisible();
        return dialog.result();
    });
    QVERIFY(h.run(cmd::ShowQrCode));
    QVERIFY(qrClosed);
    QVERIFY(!codeTimer(h)->isActive());
}

QTEST_MAIN(OneTimeCodeWindowTest)
#include "OneTimeCodeWindowTest.moc"
