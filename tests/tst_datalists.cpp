#include "appsettings.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDataLists : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sendLines_data();
    void sendLines();
    void deviceLines_data();
    void deviceLines();
    void missingFilesGiveEmptyLists();
    void reloadingReplacesTheList();

private:
    QTemporaryDir dir;
};

void TestDataLists::initTestCase()
{
    QVERIFY(dir.isValid());
    AppSettings::DataDir = dir.path();
}

void TestDataLists::sendLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("trim and skip blank") << QByteArray("  hello  \n\nworld\n") << QStringList{"hello", "world"};
    QTest::newRow("windows line ends") << QByteArray("  hello  \r\n\r\nworld\r\n") << QStringList{"hello", "world"};
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF" "first\nsecond") << QStringList{"first", "second"};
    QTest::newRow("inner spaces stay") << QByteArray("01 03  00\n") << QStringList{"01 03  00"};
    QTest::newRow("duplicates stay") << QByteArray("a\na\n") << QStringList{"a", "a"};
    QTest::newRow("utf-8") << QByteArray("发送\n") << QStringList{"发送"};
    QTest::newRow("nul ends the line") << QByteArray("ab\0cd\nef\n", 9) << QStringList{"ab", "ef"};
    QTest::newRow("stray CR inside") << QByteArray("a\rb\n") << QStringList{"ab"};
    QTest::newRow("only spaces") << QByteArray("   \n \t \n") << QStringList{};
}

void TestDataLists::sendLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, entries);
    QVERIFY(writeFile(dir.filePath("send.txt"), content));
    AppSettings::readSendData();
    QCOMPARE(AppSettings::SendList, entries);
}

void TestDataLists::deviceLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("request;reply") << QByteArray("01 03 00 00 00 01;01 03 02 00 01\n")
                                   << QStringList{"01 03 00 00 00 01"} << QStringList{"01 03 02 00 01"};
    QTest::newRow("spaces around ; stay") << QByteArray("A ; B\n") << QStringList{"A "} << QStringList{" B"};
    QTest::newRow("further ; in value") << QByteArray("A;B;C;\n") << QStringList{"A"} << QStringList{"B;C;"};
    QTest::newRow("no ;") << QByteArray("PING\n") << QStringList{"PING"} << QStringList{""};
    QTest::newRow("leading ;") << QByteArray(";reply\n") << QStringList{""} << QStringList{"reply"};
    QTest::newRow("empty value") << QByteArray("AA;\n") << QStringList{"AA"} << QStringList{""};
    QTest::newRow("blank and space lines skipped") << QByteArray("   \n\r\nK;V\r\n") << QStringList{"K"} << QStringList{"V"};
    QTest::newRow("bom and order") << QByteArray("\xEF\xBB\xBF" "a;1\nb;2\na;3\n")
                                   << QStringList{"a", "b", "a"} << QStringList{"1", "2", "3"};
}

void TestDataLists::deviceLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, values);
    QVERIFY(writeFile(dir.filePath("device.txt"), content));
    AppSettings::readDeviceData();
    QCOMPARE(AppSettings::DeviceKeys, keys);
    QCOMPARE(AppSettings::DeviceValues, values);
}

void TestDataLists::missingFilesGiveEmptyLists()
{
    QTemporaryDir empty;
    AppSettings::DataDir = empty.path();
    AppSettings::SendList = QStringList{"stale"};
    AppSettings::DeviceKeys = QStringList{"stale"};
    AppSettings::DeviceValues = QStringList{"stale"};
    AppSettings::readSendData();
    AppSettings::readDeviceData();
    QVERIFY(AppSettings::SendList.isEmpty());
    QVERIFY(AppSettings::DeviceKeys.isEmpty());
    QVERIFY(AppSettings::DeviceValues.isEmpty());
    QVERIFY2(QDir(empty.path()).entryList(QDir::Files).isEmpty(), "the loaders never create files");
    AppSettings::DataDir = dir.path();
}

void TestDataLists::reloadingReplacesTheList()
{
    QVERIFY(writeFile(dir.filePath("send.txt"), "x\ny\n"));
    AppSettings::readSendData();
    AppSettings::readSendData();
    QCOMPARE(AppSettings::SendList, (QStringList{"x", "y"}));
    QVERIFY(writeFile(dir.filePath("device.txt"), "k;v\n"));
    AppSettings::readDeviceData();
    AppSettings::readDeviceData();
    QCOMPARE(AppSettings::DeviceKeys.size(), 1);
    QCOMPARE(AppSettings::DeviceValues.size(), 1);
}

QTEST_GUILESS_MAIN(TestDataLists)
#include "tst_datalists.moc"
