// The settings store on disk, in a throw-away XDG_CONFIG_HOME. The slots run in order: the first
// one needs a store that has never been written.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include "prefs/SettingKeys.h"
#include "ui/prefs/QSettingsStore.h"

class QSettingsStoreTest : public QObject {
    Q_OBJECT

private:
    static QString expectedPath() {
        return QDir(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))).filePath("Orvel/Pelmorapp/Quorvane.ini");
    }
    static QByteArray fileText() {
        QFile file(expectedPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QVERIFY2(!qgetenv("XDG_CONFIG_HOME").isEmpty(), "run through run-gui-test.sh");
        QVERIFY(!QFileInfo::exists(expectedPath()));
    }

    void missingKeysGiveDefaultsAndWriteNothing() {
        {
            QSettingsStore store;
            QCOMPARE(store.fileName(), expectedPath());
            QCOMPARE(readSetting(store, settings::kAutomaticSave), std::string("10"));
            QCOMPARE(readSetting(store, settings::kChooseWebBrowser), 1);
            QCOMPARE(readSetting(store, settings::kChooseWebBrowserLoadPage), 0);
            QCOMPARE(readSetting(store, settings::kPrintAtmMainFrame), 1);
            QCOMPARE(readSetting(store, settings::kPrintAtm), 0);
            QCOMPARE(readSetting(store, settings::kHelpPath), std::string());
            store.sync();
        }
        QVERIFY(!QFileInfo::exists(expectedPath()));
        QVERIFY(!QFileInfo::exists(QFileInfo(expectedPath()).path()));
    }

    void valuesRoundTripThroughTheFile() {
        const std::string awkward[] = {
            "C:\\Program Files\\Mail\\mail.exe",
            "/usr/bin/firefox -new-window, --private",  // a comma must not turn it into a list
            "\"quoted\" ; # not a comment",
            "@Variant(not really)",
            "caf\xC3\xA9 \xE2\x82\xAC",
            "",
        };
        {
            QSettingsStore store;
            writeSetting(store, settings::kLaunchTelnetAtStart, 1);
            writeSetting(store, settings::kDateFormat, 11);
            writeSetting(store, settings::kAutomaticSaveCheck, -1);
            int i = 0;
            for (const TextSetting& s : {settings::kMailPath, settings::kNetscapePath, settings::kNewsPath,
                                         settings::kHelpPath, settings::kFtpPath, settings::kTelnetPath})
                writeSetting(store, s, awkward[i++]);
        }
        QVERIFY(QFileInfo::exists(expectedPath()));
        QSettingsStore reopened;
        QCOMPARE(readSetting(reopened, settings::kLaunchTelnetAtStart), 1);
        QCOMPARE(readSetting(reopened, settings::kDateFormat), 11);
        QCOMPARE(readSetting(reopened, settings::kAutomaticSaveCheck), -1);
        int i = 0;
        for (const TextSetting& s : {settings::kMailPath, settings::kNetscapePath, settings::kNewsPath,
                                     settings::kHelpPath, settings::kFtpPath, settings::kTelnetPath})
            QCOMPARE(readSetting(reopened, s), awkward[i++]);

        // Blanks in section and key names are kept, written as %20 by the INI writer; integers
        // are plain numbers.
        const QByteArray ini = fileText();
        QVERIFY(ini.contains("[Start%20Up%20Preferences]\n"));
        QVERIFY(ini.contains("\nLaunch%20Tel%20Net=1\n"));
        QVERIFY(ini.contains("\nDate%20Format=11\n"));
    }

    void textThatIsNotANumberReadsAsTheDefault() {
        QSettingsStore store;
        store.WriteProfileString(settings::kInternetSection, settings::kDateFormat.key, "eleven");
        QCOMPARE(readSetting(store, settings::kDateFormat), 0);
        QCOMPARE(store.GetProfileInt(settings::kInternetSection, settings::kDateFormat.key, 5), 5);
        store.WriteProfileString(settings::kInternetSection, settings::kDateFormat.key, "7");
        QCOMPARE(readSetting(store, settings::kDateFormat), 7);
    }

    void printNotesOfTheTwoSectionsStaySeparate() {
        {
            QSettingsStore store;
            writeSetting(store, settings::kLaunchEmailAtStart, 1);
            writeSetting(store, settings::kPrintNotes, 0);
        }
        QSettingsStore store;
        QCOMPARE(readSetting(store, settings::kLaunchEmailAtStart), 1);
        QCOMPARE(readSetting(store, settings::kPrintNotes), 0);
        QCOMPARE(readSetting(store, settings::kPrintNotesMainFrame), 0);
        writeSetting(store, settings::kPrintNotes, 1);
        writeSetting(store, settings::kLaunchEmailAtStart, 0);
        QCOMPARE(readSetting(store, settings::kPrintNotes), 1);
        QCOMPARE(readSetting(store, settings::kLaunchEmailAtStart), 0);
    }
};

QTEST_GUILESS_MAIN(QSettingsStoreTest)
#include "QSettingsStoreTest.moc"
