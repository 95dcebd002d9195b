#include "appsettings.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>

class TestDataLists : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(name); }
private slots:
    void initTestCase() { AppSettings::DataDir = dir.path(); }

    void sendAndDeviceLines()
    {
        // The same text as send.txt and as device.txt: entries joined by '|', pairs shown as key=value.
        // Trimmed, blank lines and a BOM skipped, a NUL ends its line, a lone CR vanishes; pairs split at the first ';'.
        const struct { QByteArray content; QString send, device; } cases[] = {
            {"  hello  \r\n\r\nworld\r\n", "hello|world", "hello=|world="}, {"\xEF\xBB\xBF" "a;1\nb;2\na;3", "a;1|b;2|a;3", "a=1|b=2|a=3"},
            {"发送\n", "发送", "发送="}, {QByteArray("ab\0c;d\ne\n", 9), "ab|e", "ab=|e="}, {"a\rb\n", "ab", "ab="},
            {"   \n \t \n", "", ""}, {"A ; B\n", "A ; B", "A = B"}, {"A;B;C;\n", "A;B;C;", "A=B;C;"}, {";reply\n;\n", ";reply|;", "=reply|="},
        };
        for (const auto &c : cases) {
            QVERIFY(writeFile(path("send.txt"), c.content) && writeFile(path("device.txt"), c.content));
            AppSettings::readSendData();
            AppSettings::readDeviceData();
            QStringList pairs;
            for (int i = 0; i < AppSettings::DeviceKeys.size(); ++i) {
                pairs << AppSettings::DeviceKeys[i] + "=" + AppSettings::DeviceValues.value(i, "?");
            }
            QCOMPARE(AppSettings::SendList.join('|') + " / " + pairs.join('|'), c.send + " / " + c.device);
        }
    }

    void limits()
    {
        QVERIFY(writeFile(path("send.txt"), QByteArray("x\n").repeated(AppSettings::maxSendEntries + 2)));
        AppSettings::readSendData();
        QVERIFY(AppSettings::SendList.size() == AppSettings::maxSendEntries && AppSettings::Notices.filter("其后约 2 行未读取").size() == 1);
        // A line of exactly the limit is kept; one byte more is skipped and reported, the next line still read.
        QVERIFY(writeFile(path("send.txt"), QByteArray(AppSettings::maxLineBytes, 'a') + "\n" + QByteArray(AppSettings::maxLineBytes + 1, 'b') + "\nok\n"));
        AppSettings::readSendData();
        QVERIFY(AppSettings::SendList.size() == 2 && AppSettings::SendList[0].size() == AppSettings::maxLineBytes && AppSettings::SendList[1] == "ok");
        QCOMPARE(AppSettings::Notices.filter("跳过 1 行过长").size(), 1);
    }

    void filesThatCannotBeReadGiveEmptyLists()
    {
        // Missing; a FIFO (opening it would block); a link to an endless device; a folder.
        for (int kind = 0; kind < 3; ++kind) {
            QFile::remove(path("send.txt"));
            QFile::remove(path("device.txt"));
            QVERIFY(kind != 1 || (::mkfifo(QFile::encodeName(path("send.txt")).constData(), 0600) == 0 && QFile::link("/dev/zero", path("device.txt"))));
            QVERIFY(kind != 2 || (QFile::link("/dev/zero", path("send.txt")) && QDir().mkdir(path("device.txt"))));
            AppSettings::Notices.clear(), AppSettings::SendList = AppSettings::DeviceKeys = AppSettings::DeviceValues = QStringList{"stale"};
            AppSettings::readSendData();
            AppSettings::readDeviceData();
            QVERIFY(AppSettings::SendList.isEmpty() && AppSettings::DeviceKeys.isEmpty() && AppSettings::DeviceValues.isEmpty());
            QCOMPARE(AppSettings::Notices.filter("不是普通文件").size(), kind == 0 ? 0 : 2);
            QVERIFY2(kind != 0 || QDir(dir.path()).isEmpty(), "the loaders create no files");
        }
    }
};

QTEST_GUILESS_MAIN(TestDataLists)
#include "tst_datalists.moc"
