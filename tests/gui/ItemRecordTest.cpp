// An item's record line in its card's note, and the secret in its password field: what goes in comes
// back unchanged, the rest of the note is left alone, and only text Windows-1252 holds exactly stays text.

#include <QtTest>

#include "secrets/ItemRecord.h"

using secrets::ItemRecord;

class ItemRecordTest : public QObject {
    Q_OBJECT

private slots:
    void recordsComeBackAsTheyWent() {
        ItemRecord full;
        full.id = 18446744073709551615ull;
        full.label = QStringLiteral("Schlüssel 🔑 & co");
        full.creator = QStringLiteral("/opt/my app/bin/tool");
        full.attributes = {{"xdg:schema", "org.example.Password"},
                           {"a=b&c", "100% sure\r\nnext line"},
                           {"empty", ""},
                           {"ключ", "значение"}};
        full.base64 = true;
        full.contentType = QStringLiteral("application/octet-stream");
        full.allowed = {"/usr/bin/secret-tool", "/usr/bin/python3.11"};
        for (const ItemRecord& record : {ItemRecord{}, full}) {
            const std::string line = secrets::recordLine(record);
            for (const char c : line)  // plain printable ASCII, one line
                QVERIFY2(c >= 0x21 && c < 0x7f, line.c_str());
            const auto back = secrets::findItemRecord(line);
            QVERIFY(back);
            QVERIFY(*back == record);
        }
        // Pairs it does not know, or cannot read, are passed over.
        const auto odd = secrets::findItemRecord("secret-service:id=4&future=1&=x&noequals&a.k=v");
        QVERIFY(odd);
        QCOMPARE(odd->id, 4ull);
        QCOMPARE(odd->attributes, (secrets::Attributes{{"k", "v"}}));
        QVERIFY(!secrets::findItemRecord("a note\r\n secret-service:id=1"));  // not at the start of its line
    }

    void theNoteAroundTheRecordIsKept() {
        ItemRecord record;
        record.id = 7;
        const std::string line = secrets::recordLine(record);
        const std::string otp = "otpauth://totp/x?secret=JBSWY3DPEHPK3PXP";
        struct Case {
            std::string note;
            std::string withRecord;
        };
        const Case cases[] = {
            {"", line},
            {"first", "first\r\n" + line},
            {"first\r\n", "first\r\n" + line},
            {"a\r\nsecret-service:id=1\r\nb", "a\r\n" + line + "\r\nb"},
            {otp + "\nsecret-service:id=2", otp + "\n" + line},
        };
        for (const Case& c : cases) {
            const std::string with = secrets::noteWithRecord(c.note, record);
            QCOMPARE(with, c.withRecord);
            QCOMPARE(secrets::findItemRecord(with)->id, 7ull);
            const std::string without = secrets::noteWithoutRecord(with);
            QVERIFY(!secrets::findItemRecord(without));
            QVERIFY(without.find("secret-service") == std::string::npos);
        }
        QCOMPARE(secrets::noteWithoutRecord("a\r\nsecret-service:id=1\r\nb"), std::string("a\r\nb"));
        QCOMPARE(secrets::noteWithoutRecord("a\r\nsecret-service:id=1"), std::string("a"));
        QCOMPARE(secrets::noteWithoutRecord("secret-service:id=1"), std::string());
    }

    void secretsRoundTripByteForByte() {
        struct Case {
            QByteArray secret;
            bool base64;
            std::string field;  // what the card shows, when text
        };
        QByteArray allBytes;
        for (int i = 0; i < 256; ++i)
            allBytes.append(char(i));
        const Case cases[] = {
            {"hunter2", false, "hunter2"},
            {"", false, ""},
            {"na\xC3\xAFve \xE2\x82\xAC", false, "na\xEFve \x80"},  // ï and € are Windows-1252
            {QByteArray("a\0b", 3), true, {}},                      // NUL ends a card text
            {"\xC2\x81", false, "\x81"},                            // U+0081 and byte 0x81 map to each other both ways
            {"\xF0\x9F\x94\x91", true, {}},                         // outside Windows-1252
            {"\xFF\xFE not UTF-8", true, {}},
            {allBytes, true, {}},
            {QByteArray(40000, 'a'), true, {}},  // longer than a card text
        };
        for (const Case& c : cases) {
            bool base64 = false;
            const std::string field = secrets::passwordFieldFor(c.secret, base64);
            QCOMPARE(base64, c.base64);
            if (!c.base64)
                QCOMPARE(field, c.field);
            QCOMPARE(secrets::secretFromPasswordField(field, base64), c.secret);
        }
    }

    void searchesMatchASubsetExactly() {
        const secrets::Attributes stored{{"service", "git"}, {"user", "ann"}, {"xdg:schema", "s"}};
        QVERIFY(secrets::attributesMatch(stored, {}));
        QVERIFY(secrets::attributesMatch(stored, {{"service", "git"}}));
        QVERIFY(secrets::attributesMatch(stored, stored));
        QVERIFY(!secrets::attributesMatch(stored, {{"service", "Git"}}));
        QVERIFY(!secrets::attributesMatch(stored, {{"service", "git"}, {"host", ""}}));
    }

    void labelsBecomeCardNames() {
        bool exact = false;
        QCOMPARE(secrets::cardNameFor(QStringLiteral("Café €"), exact), std::string("Caf\xE9 \x80"));
        QVERIFY(exact);
        QCOMPARE(secrets::cardNameFor(QStringLiteral("Key 🔑 ok"), exact), std::string("Key ? ok"));
        QVERIFY(!exact);
    }
};

QTEST_GUILESS_MAIN(ItemRecordTest)
#include "ItemRecordTest.moc"
