#include "Settings.h"
#include "TestDoubles.h"

#include <QTest>

using Key = Settings::Key;

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void defaultsOnFirstRun();
    void roundTripThroughRestart();
    void sharedPrizeTableOfAnOlderRelease();
    void severalUpdateHosts();
    void storedAsText();
    void unreadableValueReadsAsDefault_data();
    void unreadableValueReadsAsDefault();
    void readsWhatAnotherRunWrote_data();
    void readsWhatAnotherRunWrote();
    void updateHost();
};

void TestSettings::defaultsOnFirstRun()
{
    TestFolder folder;
    Settings s;
    QCOMPARE(s.gsZl(), 0);
    QCOMPARE(s.bolZyw(), true);
    QCOMPARE(s.bolSq(), true);
    QCOMPARE(s.intPreQi(), 2);
    QCOMPARE(s.intLei(), 0);
    QCOMPARE(s.intXianshiLei(), 0);
    QCOMPARE(s.intConsqSort(), 3);
    QCOMPARE(s.bolZuxuan(), true);
    QCOMPARE(s.dsIni(), 1);
    QCOMPARE(s.bolZhpm(), false);
    QCOMPARE(s.intZhWSetup(), 2);
    QCOMPARE(s.iniSerchDay(), 3);
    QCOMPARE(s.intValue(Key::IniSerchDay, 6), 6); // the days dialog's own default
}

void TestSettings::roundTripThroughRestart()
{
    TestFolder folder;
    {
        Settings s;
        s.setInt(Key::GsZl, 8);
        s.setBool(Key::bolZuxuan, false);
        s.setInt(Key::DsIni, 0);
        s.setInt(Key::intZhWSetup, 7);
        s.setInt(Key::IniSerchDay, 16);
        // A province's own prizes, every play changed, and draws a day at both ends of the range.
        Plays::PrizeTable prizes;
        for (int sum = 3; sum <= 18; ++sum)
            prizes.setSumPrize(sum, 100 + sum);
        for (int play = 1; play < Plays::playCount; ++play)
            prizes.setPlayPrize(Plays::Play(play), 1000 + play);
        Settings::PrizeTables tables;
        tables[3] = prizes;
        s.setPrizes(tables);
        std::array<int, 15> perDay = s.drawsPerDay();
        perDay[0] = 1;
        perDay[8] = 120;
        s.setDrawsPerDay(perDay);
    }
    Settings s;
    for (int sum = 3; sum <= 18; ++sum)
        QCOMPARE(s.prizes(3).prize({Plays::Play::Sum, QString::number(sum)}), 100 + sum);
    QCOMPARE(s.prizes(3).prize({Plays::Play::TripleAny, {}}), 1000 + int(Plays::Play::TripleAny));
    QCOMPARE(s.prizes(3).prize({Plays::Play::RunAny, {}}), 1000 + int(Plays::Play::RunAny));
    QCOMPARE(s.prizes(3).prize({Plays::Play::TwoDifferent, "12"}), 1000 + int(Plays::Play::TwoDifferent));
    // Every other game pays the national prizes.
    QCOMPARE(s.prizes(2), Plays::PrizeTable());
    QCOMPARE(s.prizes(4), Plays::PrizeTable());
    QVERIFY(s.ownPrizes()[3] && !s.ownPrizes()[4]);
    QCOMPARE(s.drawsPerDay()[0], 1);
    QCOMPARE(s.drawsPerDay()[8], 120);
    QCOMPARE(s.gsZl(), 8);
    QCOMPARE(s.bolZuxuan(), false);
    QCOMPARE(s.dsIni(), 0);
    QCOMPARE(s.intZhWSetup(), 7);
    QCOMPARE(s.iniSerchDay(), 16);
    QCOMPARE(s.intValue(Key::IniSerchDay, 6), 16);
}

// The one table an older release saved is every game's until the tables are saved per game.
void TestSettings::sharedPrizeTableOfAnOlderRelease()
{
    TestFolder folder;
    folder.writeSetting("Jiangjin", R"({"三连号通选": 12})");
    Settings s;
    QCOMPARE(s.prizes(0).playPrize(Plays::Play::RunAny), 12);
    QCOMPARE(s.prizes(14).playPrize(Plays::Play::RunAny), 12);
    Settings::PrizeTables tables = s.ownPrizes();
    QVERIFY(tables[0] && tables[14]);
    tables[14].reset(); // 14 made the same as national; the rest keep the old table
    s.setPrizes(tables);
    QCOMPARE(s.prizes(0).playPrize(Plays::Play::RunAny), 12);
    QCOMPARE(s.prizes(14), Plays::PrizeTable());
    QCOMPARE(folder.readSetting("Jiangjin"), QString());
}

// Several results hosts; a first host changed by an older release (which knows only UpdateHost)
// leaves that one alone.
void TestSettings::severalUpdateHosts()
{
    TestFolder folder;
    Settings s;
    s.setUpdateHosts({".a.test", ".b.test:8080"});
    QCOMPARE(s.updateHosts(), (QStringList{".a.test", ".b.test:8080"}));
    QCOMPARE(folder.readSetting("UpdateHost"), QStringLiteral(".a.test"));
    folder.writeSetting("UpdateHost", ".c.test");
    QCOMPARE(Settings().updateHosts(), QStringList{".c.test"});
}

void TestSettings::storedAsText()
{
    TestFolder folder;
    Settings s;
    s.setBool(Key::bolSq, false);
    s.setInt(Key::intPreQi, 4);
    QCOMPARE(folder.readSetting("bolSq"), QStringLiteral("False"));
    QCOMPARE(folder.readSetting("intPreQi"), QStringLiteral("4"));
}

void TestSettings::unreadableValueReadsAsDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    const QString garbage[] = {"abc", "", "1e3", "99999999999", "-", "True"};
    for (const char *key : {"GsZl", "intPreQi", "intLei", "intXianshiLei", "intConsqSort", "DsIni",
                            "intZhWSetup", "IniSerchDay"})
        for (const QString &g : garbage)
            QTest::addRow("%s=%s", qPrintable(key), qPrintable(g)) << key << g;
    for (const char *key : {"bolZyw", "bolSq", "bolZuxuan", "bolZhpm"})
        for (const char *g : {"abc", "", "Truex", "yes"})
            QTest::addRow("%s=%s", qPrintable(key), qPrintable(g)) << key << g;
    // Whole numbers outside what the controls can hold.
    QTest::newRow("GsZl=15") << "GsZl"
                             << "15";
    QTest::newRow("GsZl=-1") << "GsZl"
                             << "-1";
    QTest::newRow("intLei=4") << "intLei"
                              << "4";
    QTest::newRow("intConsqSort=0") << "intConsqSort"
                                    << "0";
    QTest::newRow("DsIni=2") << "DsIni"
                             << "2";
    QTest::newRow("intPreQi=0") << "intPreQi"
                                << "0";
    QTest::newRow("intPreQi=10") << "intPreQi"
                                 << "10";
    QTest::newRow("IniSerchDay=17") << "IniSerchDay"
                                    << "17";
    QTest::newRow("intZhWSetup=40000") << "intZhWSetup"
                                       << "40000";
}

namespace {
int read(const Settings &s, Key key)
{
    return Settings::isBool(key) ? int(s.boolValue(key)) : int(s.intValue(key));
}
} // namespace

void TestSettings::unreadableValueReadsAsDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    const std::optional<Key> k = Settings::keyByName(key);
    QVERIFY(k);
    int expected = 0;
    {
        TestFolder clean;
        expected = read(Settings(), *k);
    }
    TestFolder folder;
    folder.writeSetting(key, stored);
    QCOMPARE(read(Settings(), *k), expected);
}

void TestSettings::readsWhatAnotherRunWrote_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("value");
    QTest::newRow("bool False") << "bolZyw"
                                << "False" << 0;
    QTest::newRow("bool lower case") << "bolSq"
                                     << "false" << 0;
    QTest::newRow("bool as number") << "bolZhpm"
                                    << "-1" << 1;
    QTest::newRow("int with blanks") << "intLei"
                                     << " 2 " << 2;
    QTest::newRow("negative combination size") << "intZhWSetup"
                                               << "-5" << -5;
    QTest::newRow("last game") << "GsZl"
                               << "14" << 14;
}

void TestSettings::readsWhatAnotherRunWrote()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    TestFolder folder;
    folder.writeSetting(key, stored);
    QTEST(read(Settings(), *Settings::keyByName(key)), "value");
}

void TestSettings::updateHost()
{
    TestFolder folder;
    QCOMPARE(Settings().updateHost(), QStringLiteral(".vendrix-k3.invalid"));
    Settings().setUpdateHost(".results.example.com:8080");
    QCOMPARE(Settings().updateHost(), QStringLiteral(".results.example.com:8080"));
    for (const char *garbage : {"/evil/path?n=", "a b", "", ".x@y", "\xe4\xb8\xad.example"}) {
        folder.writeSetting("UpdateHost", QString::fromUtf8(garbage));
        QCOMPARE(Settings().updateHost(), QStringLiteral(".vendrix-k3.invalid"));
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
