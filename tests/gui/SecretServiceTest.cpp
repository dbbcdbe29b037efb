// The Secret Service against the clients people use, on the test's private session bus: libsecret's
// secret-tool (store, lookup, search, clear, lock) and python3-secretstorage (the enciphered session,
// every byte value of a secret). The window is this test program; the clients are real processes, so
// every wait spins the event loop until the client ends.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedHarness.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "secrets/ItemRecord.h"
#include "secrets/SecretService.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusMessagePane.h"
#include "ui/secrets/SecretServicePage.h"
#include "ui/secrets/ShareWithProgramsDlg.h"

namespace {

const QString kPassword = QStringLiteral("service-pass-1");

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a client to its end while the window answers it.
Run runClient(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

Run secretTool(const QStringList& arguments, const QByteArray& input = {}) {
    return runClient(QStringLiteral("secret-tool"), arguments, input);
}

Run python(const QByteArray& script) {
    return runClient(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script)});
}

// The cards of category `category` whose note carries an item record.
QList<Card> itemCards(const CardStore& store, int category = 14) {
    QList<Card> cards;
    const CardList* list = store.GetCategoryList(category);
    for (int i = 0; list && i < list->GetCardCount(); ++i)
        if (secrets::findItemRecord(list->GetCardAt(i)->note))
            cards.append(*list->GetCardAt(i));
    return cards;
}

std::unique_ptr<Harness> startWithDocument() {
    auto h = std::make_unique<Harness>(QStringList(),
                                       [](MemorySettings& s) { writeSetting(s, settings::kSecretServiceProvide, 1); });
    writeCardFile(h->path("cards.qve"), {{0, "my own", "http://x", "me", "own-pw"}}, kPassword, true);
    h->prompter.passwords.append(kPassword);
    h->open(h->path("cards.qve"));
    return h;
}

}  // namespace

class SecretServiceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("secret-tool").isEmpty())
            QSKIP("secret-tool (libsecret-tools) is not installed: scripts/setup installs it");
    }

    void secretToolStoresLooksUpSearchesAndClears() {
        auto h = startWithDocument();
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.secrets"));

        Run stored = secretTool({"store", "--label=Git token", "service", "git", "user", "ann"}, "tok-1");
        QVERIFY2(stored.exitCode == 0, stored.err.constData());
        // The item is a card of Miscellaneous: its label the Name, the secret the Password.
        const QList<Card> cards = itemCards(h->doc()->store());
        QCOMPARE(cards.size(), 1);
        QCOMPARE(cards[0].firstField, std::string("Git token"));
        QCOMPARE(cards[0].fourthField, std::string("tok-1"));
        const auto record = secrets::findItemRecord(cards[0].note);
        QCOMPARE(record->attributes.value("service"), QStringLiteral("git"));
        QCOMPARE(record->creator, QFileInfo(QStandardPaths::findExecutable("secret-tool")).canonicalFilePath());
        QVERIFY(h->doc()->IsModified());

        Run found = secretTool({"lookup", "service", "git"});
        QCOMPARE(found.exitCode, 0);
        QCOMPARE(found.out, QByteArray("tok-1"));
        // Storing again with the same attributes replaces the secret.
        QCOMPARE(secretTool({"store", "--label=Git token", "service", "git", "user", "ann"}, "tok-2").exitCode, 0);
        QCOMPARE(itemCards(h->doc()->store()).size(), 1);
        QCOMPARE(secretTool({"lookup", "service", "git", "user", "ann"}).out, QByteArray("tok-2"));
        QCOMPARE(secretTool({"lookup", "service", "git", "user", "bob"}).exitCode, 1);

        Run search = secretTool({"search", "--all", "service", "git"});
        QCOMPARE(search.exitCode, 0);
        // secret-tool prints the attributes on its error output.
        QVERIFY2(
            search.out.contains("label = Git token\nsecret = tok-2") && search.err.contains("attribute.user = ann"),
            search.out.constData());
        QVERIFY(!search.out.contains("my own"));

        QCOMPARE(secretTool({"clear", "service", "git"}).exitCode, 0);
        QVERIFY(itemCards(h->doc()->store()).isEmpty());
        QCOMPARE(itemCards(h->doc()->store(), kDeletedCategoryId).size(), 1);  // as Delete Card does
        QCOMPARE(secretTool({"lookup", "service", "git"}).exitCode, 1);
    }

    void itemsReachTheFileAndComeBack() {
        auto h = startWithDocument();
        QCOMPARE(secretTool({"store", "--label=Mail", "service", "mail"}, "mail-pw").exitCode, 0);
        QVERIFY(h->doc()->DoFileSave());
        CardStore store;
        FileReader reader(kPassword);
        QCOMPARE(loadCardDocument(QFile::encodeName(h->path("cards.qve")).toStdString(), store, reader, 0).outcome,
                 LoadOutcome::Loaded);
        const QList<Card> cards = itemCards(store);
        QCOMPARE(cards.size(), 1);
        QCOMPARE(secrets::findItemRecord(cards[0].note)->attributes.value("service"), QStringLiteral("mail"));
    }

    void pythonClientKeepsEveryByteThroughTheEncipheredSession() {
        auto h = startWithDocument();
        const Run run = python(R"(
import secretstorage, sys
from secretstorage.util import open_session
conn = secretstorage.dbus_init()
session = open_session(conn)
assert session.encrypted
coll = secretstorage.get_default_collection(conn, session)
values = [bytes(range(256)), 'naïve €'.encode(), b'\x00\x81\x8d\x8f\x90\x9d', 'emoji \U0001F511 ok'.encode(), b'']
for i, v in enumerate(values):
    coll.create_item('bytes %d' % i, {'app': 'py', 'n': str(i)}, v)
for i, v in enumerate(values):
    items = list(coll.search_items({'app': 'py', 'n': str(i)}))
    assert len(items) == 1, (i, items)
    got = items[0].get_secret()
    assert got == v, (i, got, v)
    assert items[0].get_label() == 'bytes %d' % i
    assert items[0].get_attributes() == {'app': 'py', 'n': str(i)}
own = [i.get_label() for i in coll.get_all_items()]
assert 'my own' not in own, own
print('ok', len(own))
)");
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(run.out.trimmed(), QByteArray("ok 5"));
        // Text Windows-1252 holds is the card's password as it is; other bytes go in base64.
        QMap<QString, Card> byName;
        for (const Card& card : itemCards(h->doc()->store()))
            byName.insert(QString::fromStdString(card.firstField), card);
        QCOMPARE(byName.value("bytes 1").fourthField, std::string("na\xEFve \x80"));
        QVERIFY(!secrets::findItemRecord(byName.value("bytes 1").note)->base64);
        QVERIFY(secrets::findItemRecord(byName.value("bytes 0").note)->base64);
        QVERIFY(secrets::findItemRecord(byName.value("bytes 3").note)->base64);
    }

    void lockedDocumentAnswersThroughTheUnlockDialog() {
        auto h = startWithDocument();
        QCOMPARE(secretTool({"store", "--label=Vpn", "service", "vpn"}, "vpn-pw").exitCode, 0);
        // Debian 12's secret-tool locks and then crashes freeing its list of what it locked (it frees
        // paths as objects), so only the document's state tells whether the lock went through.
        secretTool({"lock", "--collection=cards"});
        QVERIFY(h->doc()->isLocked());

        h->prompter.passwords.append(std::nullopt);  // Cancel: the lookup finds nothing
        QCOMPARE(secretTool({"lookup", "service", "vpn"}).exitCode, 1);
        QVERIFY(h->doc()->isLocked());
        QCOMPARE(h->prompter.passwordTitles.last(), QStringLiteral("Unlock cards.qve"));

        // A wrong password is told and asked again; the right one answers the lookup.
        h->prompter.passwords.append(QStringLiteral("wrong"));
        h->prompter.passwords.append(kPassword);
        const Run found = secretTool({"lookup", "service", "vpn"});
        QCOMPARE(h->prompter.messages(), QStringList{"Password not correct,try again."});
        QVERIFY2(found.exitCode == 0, found.err.constData());
        QCOMPARE(found.out, QByteArray("vpn-pw"));
        QVERIFY(!h->doc()->isLocked());
    }

    void anotherProgramsItemIsGivenOnlyWithConsent() {
        auto h = startWithDocument();
        QVERIFY(python("import secretstorage\nc = secretstorage.get_default_collection(secretstorage.dbus_init())\n"
                       "c.create_item('Py key', {'service': 'py'}, b'py-secret')\n"
                       "c.create_item('Py other', {'service': 'py2'}, b'py-other')\n")
                    .exitCode == 0);
        const QString tool = QFileInfo(QStandardPaths::findExecutable("secret-tool")).canonicalFilePath();

        h->prompter.choices.append(1);  // Always Allow: kept with the item in the document
        QCOMPARE(secretTool({"lookup", "service", "py"}).out, QByteArray("py-secret"));
        QCOMPARE(h->prompter.questions, QStringList{tool + " wants the password of Py key."});
        QCOMPARE(secretTool({"lookup", "service", "py"}).out, QByteArray("py-secret"));  // not asked again
        bool kept = false;
        for (const Card& card : itemCards(h->doc()->store()))
            kept = kept ||
                   (card.firstField == "Py key" && secrets::findItemRecord(card.note)->allowed == QStringList{tool});
        QVERIFY(kept);

        h->prompter.choices.append(2);  // Deny: remembered while the window runs
        QCOMPARE(secretTool({"lookup", "service", "py2"}).exitCode, 1);
        QCOMPARE(secretTool({"lookup", "service", "py2"}).exitCode, 1);
        QCOMPARE(h->prompter.questions.size(), 2);
    }

    void aCardThePersonSharesIsFoundAndAskedFor() {
        auto h = startWithDocument();
        QCOMPARE(secretTool({"lookup", "site", "mine"}).exitCode, 1);  // the person's own card: out of sight
        h->tree()->SelectItem(h->cardItem(0, "my own"));
        h->prompter.onDialog<ShareWithProgramsDlg>([](ShareWithProgramsDlg& dialog) {
            dialog.attributesEdit()->setPlainText("site=mine\nuser = me");
            return QDialog::Accepted;
        });
        QVERIFY(h->run(cmd::ShareWithPrograms));
        QVERIFY(h->doc()->IsModified());
        const auto record = secrets::findItemRecord(h->doc()->store().GetCategoryList(0)->GetCardAt(0)->note);
        QVERIFY(record && record->creator.isEmpty());
        // The name is trimmed, the value kept as typed: programs match values exactly.
        QCOMPARE(record->attributes, (secrets::Attributes{{"site", "mine"}, {"user", " me"}}));

        h->prompter.choices.append(0);  // Allow, this once
        QCOMPARE(secretTool({"lookup", "site", "mine"}).out, QByteArray("own-pw"));
        QCOMPARE(h->prompter.questions.size(), 1);

        // No lines: not shared any more.
        h->prompter.onDialog<ShareWithProgramsDlg>([](ShareWithProgramsDlg& dialog) {
            dialog.attributesEdit()->clear();
            return QDialog::Accepted;
        });
        QVERIFY(h->run(cmd::ShareWithPrograms));
        QVERIFY(!secrets::findItemRecord(h->doc()->store().GetCategoryList(0)->GetCardAt(0)->note));
        QCOMPARE(secretTool({"lookup", "site", "mine"}).exitCode, 1);
    }

    void gitCredentialHelperStoresGetsAndErases() {
#ifndef QUORVANE_GIT_CREDENTIAL_LIBSECRET
        QSKIP("git's libsecret credential helper was not built (libsecret-1-dev or git's contrib sources missing)");
#else
        auto h = startWithDocument();
        const QString helper = QStringLiteral(QUORVANE_GIT_CREDENTIAL_LIBSECRET);
        const QByteArray which = "protocol=https\nhost=git.example.org\n";
        QCOMPARE(runClient(helper, {"store"}, which + "username=ann\npassword=gh-pw\n\n").exitCode, 0);
        QCOMPARE(itemCards(h->doc()->store()).size(), 1);
        const Run got = runClient(helper, {"get"}, which + "\n");
        QVERIFY2(got.out.contains("username=ann\n") && got.out.contains("password=gh-pw\n"), got.out.constData());
        QCOMPARE(runClient(helper, {"erase"}, which + "username=ann\n\n").exitCode, 0);
        QVERIFY(itemCards(h->doc()->store()).isEmpty());
        QVERIFY(!runClient(helper, {"get"}, which + "\n").out.contains("password="));
#endif
    }

    void chromiumKeepsItsKeyAcrossStarts() {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed");
        auto h = startWithDocument();
        auto* service = h->frame()->findChild<secrets::SecretService*>("SecretService");
        QVERIFY(service);
        QTemporaryDir profile;
        // Without the sandbox: it needs user namespaces a test machine (or a root user) may not have.
        const QStringList arguments = {"--headless=new",
                                       "--no-sandbox",
                                       "--user-data-dir=" + profile.path(),
                                       "--password-store=gnome-libsecret",
                                       "--no-first-run",
                                       "--disable-gpu",
                                       "about:blank"};
        auto runUntil = [&](const std::function<bool()>& done) {
            QProcess browser;
            browser.start(chromium, arguments);
            const bool ok = QTest::qWaitFor(done, 60000);
            browser.terminate();
            if (!browser.waitForFinished(20000)) {
                browser.kill();
                browser.waitForFinished();
            }
            return ok;
        };
        // The first start makes Chromium's key and stores it once.
        QVERIFY(runUntil([&] { return !itemCards(h->doc()->store()).isEmpty(); }));
        QList<Card> cards = itemCards(h->doc()->store());
        QCOMPARE(cards.size(), 1);
        QCOMPARE(secrets::findItemRecord(cards[0].note)->attributes.value("application"), QStringLiteral("chromium"));
        const std::string key = cards[0].fourthField;

        // The next start finds it and reads it, and stores nothing new.
        QSignalSpy handedOut(service, &secrets::SecretService::secretHandedOut);
        QVERIFY(runUntil([&] { return !handedOut.isEmpty(); }));
        QVERIFY2(handedOut.first().at(0).toString().contains("chromium"),
                 qPrintable(handedOut.first().at(0).toString()));
        cards = itemCards(h->doc()->store());
        QCOMPARE(cards.size(), 1);
        QCOMPARE(cards[0].fourthField, key);
        QVERIFY(h->prompter.questions.isEmpty());  // its own item: nobody was asked
    }

    void thePreferenceStartsAndStopsTheService() {
        auto h = startWithDocument();
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QVERIFY(bus->isServiceRegistered("org.freedesktop.secrets"));
        writeSetting(*h->settings, settings::kSecretServiceProvide, 0);
        h->frame()->reloadSettings();
        QVERIFY(!bus->isServiceRegistered("org.freedesktop.secrets"));
        writeSetting(*h->settings, settings::kSecretServiceProvide, 1);
        h->frame()->reloadSettings();
        QVERIFY(bus->isServiceRegistered("org.freedesktop.secrets"));
    }

    void theNameHeldByAnotherProgramIsReported() {
        // Another connection of this process takes the name first; the window does not take it away.
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-keyring");
        QVERIFY(other.registerService("org.freedesktop.secrets"));
        {
            auto h = startWithDocument();
            QCOMPARE(QDBusConnection::sessionBus().interface()->serviceOwner("org.freedesktop.secrets").value(),
                     other.baseService());
            const QString shown = h->frame()->messagePane()->text();
            QVERIFY2(shown.contains(QStringLiteral("already provides them")) &&
                         shown.contains(QString::number(QCoreApplication::applicationPid())),
                     qPrintable(shown));
            // The preference page says the same.
            CSecretServicePage page;
            QVERIFY(page.ownerLabel()->text().contains(QString::number(QCoreApplication::applicationPid())));
        }
        other.unregisterService("org.freedesktop.secrets");
        QDBusConnection::disconnectFromBus("other-keyring");
    }
};

QTEST_MAIN(SecretServiceTest)
#include "SecretServiceTest.moc"
