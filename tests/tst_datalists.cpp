#include "appsettings.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestDataLists : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char *name) const { return dir.filePath(name); }

private slots:
    void initTestCase() { AppSettings::DataDir = dir.path(); }

    void sendLines()
    {
        const struct { QByteArray content; QStringList entries; } cases[] = {
            {"  hello  \r\n\r\nworld\r\n", {"hello", "world"}}, // trimmed, blank lines skipped
            {"\xEF\xBB\xBF" "first\nsecond", {"first", "second"}}, {"01 03  00\na\na\n", {"01 03  00", "a", "a"}},
            {"发送\n", {"发送"}}, {QByteArray("ab\0cd\nef\n", 9), {"ab", "ef"}}, {"a\rb\n", {"ab"}}, {"   \n \t \n", {}},
        };
        for (const auto &c : cases) {
            QVERIFY(writeFile(path("send.txt"), c.content));
            AppSettings::readSendData();
            QCOMPARE(AppSettings::SendList, c.entries);
        }
    }

    void deviceLines()
    {
        const struct { QByteArray content; QStringList keys, values; } cases[] = {
            {"01 03 00 00 00 01;01 03 02 00 01\n", {"01 03 00 00 00 01"}, {"01 03 02 00 01"}},
            {"A ; B\n", {"A "}, {" B"}}, {"A;B;C;\n", {"A"}, {"B;C;"}}, {"PING\n", {"PING"}, {""}},
            {";reply\n", {""}, {"reply"}}, {"AA;\n", {"AA"}, {""}}, {"   \n\r\nK;V\r\n", {"K"}, {"V"}},
            {"\xEF\xBB\xBF" "a;1\nb;2\na;3\n", {"a", "b", "a"}, {"1", "2", "3"}},
        };
        for (const auto &c : cases) {
            QVERIFY(writeFile(path("device.txt"), c.content));
            AppSettings::readDeviceData();
            QCOMPARE(AppSettings::DeviceKeys, c.keys);
            QCOMPARE(AppSettings::DeviceValues, c.values);
        }
    }

    void longListsStopAtTheLimit()
    {
        AppSettings::Notices.clear();
        QVERIFY(writeFile(path("send.txt"), QByteArray("x\n").repeated(AppSettings::maxSendEntries + 2)));
        AppSettings::readSendData();
        QCOMPARE(AppSettings::SendList.size(), AppSettings::maxSendEntries);
        QCOMPARE(AppSettings::Notices, QStringList{path("send.txt") + ": 只读取了前面的行, 其后约 2 行未读取"});
    }

    void filesThatCannotBeReadGiveEmptyLists()
    {
        // Missing; a FIFO (opening it would block); a link to an endless device.
        for (int kind = 0; kind < 3; ++kind) {
            QFile::remove(path("send.txt"));
            QFile::remove(path("device.txt"));
            QVERIFY(kind != 1 || ::mkfifo(QFile::encodeName(path("send.txt")).constData(), 0600) == 0);
            QVERIFY(kind != 1 || QFile::link("/dev/zero", path("device.txt")));
            QVERIFY(kind != 2 || QFile::link("/dev/zero", path("send.txt")));
            QVERIFY(kind != 2 || QDir().mkdir(path("device.txt")));
            AppSettings::Notices.clear();
            AppSettings::SendList = AppSettings::DeviceKeys = AppSettings::DeviceValues = QStringList{"stale"};
            AppSettings::readSendData();
            AppSettings::readDeviceData();
            QVERIFY(AppSettings::SendList.isEmpty() && AppSettings::DeviceKeys.isEmpty());
            QVERIFY(AppSettings::DeviceValues.isEmpty());
            QCOMPARE(AppSettings::Notices.filter("不是普通文件").size(), kind == 0 ? 0 : 2);
            QVERIFY2(kind != 0 || QDir(dir.path()).isEmpty(), "the loaders create no files");
        }
    }
};

QTEST_GUILESS_MAIN(TestDataLists)
#include "tst_datalists.moc"
