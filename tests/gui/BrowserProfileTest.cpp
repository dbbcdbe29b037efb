// The profile the bridge makes: the browser's own password saving is off, whatever else the
// profile's settings hold, and a settings file the bridge cannot read is never replaced.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "bridge/BrowserProfile.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class BrowserProfileTest : public QObject {
    Q_OBJECT
private slots:
    void passwordSavingTurnedOff_data();
    void passwordSavingTurnedOff();
    void unreadableSettingsAreLeftAlone();
};

void BrowserProfileTest::passwordSavingTurnedOff_data() {
    QTest::addColumn<QByteArray>("before");  // empty: no settings file yet
    QTest::newRow("new profile") << QByteArray();
    QTest::newRow("the browser's own settings kept")
        << QByteArray(R"({"browser":{"window_placement":{"top":7}},"profile":{"name":"Person 1",)"
                      R"("password_manager_enabled":true},"credentials_enable_service":true})");
}

void BrowserProfileTest::passwordSavingTurnedOff() {
    QFETCH(QByteArray, before);
    QTemporaryDir profile;
    const QString path = profile.path() + QStringLiteral("/Default/Preferences");
    if (!before.isEmpty()) {
        QVERIFY(QDir().mkpath(profile.path() + QStringLiteral("/Default")));
        writeAll(path, before);
    }
    QString error;
    QVERIFY2(bridgeprofile::turnOffPasswordSaving(profile.path(), error), qPrintable(error));
    const QJsonObject after = QJsonDocument::fromJson(readAll(path)).object();
    QCOMPARE(after.value(QStringLiteral("credentials_enable_service")), QJsonValue(false));
    const QJsonObject profileSettings = after.value(QStringLiteral("profile")).toObject();
    QCOMPARE(profileSettings.value(QStringLiteral("password_manager_enabled")), QJsonValue(false));
    if (!before.isEmpty()) {
        QCOMPARE(profileSettings.value(QStringLiteral("name")).toString(), QStringLiteral("Person 1"));
        QCOMPARE(after.value(QStringLiteral("browser")).toObject().value(QStringLiteral("window_placement")),
                 QJsonValue(QJsonObject{{QStringLiteral("top"), 7}}));
    }
    // Once off, a second start writes nothing.
    const QByteArray settled = readAll(path);
    QVERIFY(bridgeprofile::turnOffPasswordSaving(profile.path(), error));
    QCOMPARE(readAll(path), settled);
}

void BrowserProfileTest::unreadableSettingsAreLeftAlone() {
    QTemporaryDir profile;
    QVERIFY(QDir().mkpath(profile.path() + QStringLiteral("/Default")));
    const QString path = profile.path() + QStringLiteral("/Default/Preferences");
    const QByteArray broken("{\"profile\": {\"name\": \"Per");
    writeAll(path, broken);
    QString error;
    QVERIFY(!bridgeprofile::turnOffPasswordSaving(profile.path(), error));
    QVERIFY(error.contains(QStringLiteral("left as it is")));
    QCOMPARE(readAll(path), broken);
}

QTEST_GUILESS_MAIN(BrowserProfileTest)
#include "BrowserProfileTest.moc"
