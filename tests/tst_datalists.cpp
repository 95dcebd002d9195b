// send.txt and device.txt: the lines taken from them, their limits, files that are no files.
#include "appsettings.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>

class TestDataLists : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(name); }

    // Gives `name` a kind that cannot be read: "fifo", "zero" (a link to an endless
    // device), "folder"; "missing" removes it.
    bool make(const char *name, const QString &kind) const
    {
        QFile::remove(path(name));
        QDir(path(name)).removeRecursively();
        const QByteArray file = QFile::encodeName(path(name));
        return kind == "missing" || (kind == "fifo" && ::mkfifo(file.constData(), 0600) == 0)
               || (kind == "zero" && QFile::link("/dev/zero", path(name)))
               || (kind == "folder" && QDir().mkdir(path(name)));
    }

private slots:
    void initTestCase() { AppSettings::DataDir = dir.path(); }
    void init() { AppSettings::Notices.clear(); }

    void sendLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("trimmed, blank lines skipped")
            << QByteArray("  hello  \r\n\r\nworld\r\n") << QStringList{"hello", "world"};
        QTest::newRow("BOM, no last line end")
            << QByteArray("\uFEFFa;1\nb;2") << QStringList{"a;1", "b;2"};
        QTest::newRow("UTF-8") << QByteArray("发送\n") << QStringList{"发送"};
        QTest::newRow("NUL ends its line")
            << QByteArray("ab\0c;d\ne\n", 9) << QStringList{"ab", "e"};
        QTest::newRow("lone CR") << QByteArray("a\rb\n") << QStringList{"ab"};
        QTest::newRow("blank only") << QByteArray("   \n \t \n") << QStringList();
    }

    void sendLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QVERIFY(writeFile(path("send.txt"), content));
        AppSettings::readSendData();
        QCOMPARE(AppSettings::SendList, lines);
    }

    void deviceLines()
    {
        // Request and reply split at the first ';'.
        const auto split = [](const QString &line) {
            QString key = "stale", value = "stale";
            splitDeviceLine(line, key, value);
            return qMakePair(key, value);
        };
        QCOMPARE(split("hello"), qMakePair(QString("hello"), QString()));
        QCOMPARE(split("A ; B"), qMakePair(QString("A "), QString(" B")));
        QCOMPARE(split("A;B;C;"), qMakePair(QString("A"), QString("B;C;")));
        QCOMPARE(split(";reply"), qMakePair(QString(), QString("reply")));
        QCOMPARE(split(";"), qMakePair(QString(), QString()));
    }

    void deviceFile()
    {
        QVERIFY(writeFile(path("device.txt"), "\uFEFF a;1 \n\nb\na;3"));
        AppSettings::readDeviceData();
        QCOMPARE(AppSettings::DeviceKeys, QStringList({"a", "b", "a"}));
        QCOMPARE(AppSettings::DeviceValues, QStringList({"1", "", "3"}));
    }

    void limits()
    {
        QVERIFY(writeFile(path("send.txt"),
                          QByteArray("x\n").repeated(AppSettings::maxSendEntries + 2)));
        AppSettings::readSendData();
        QCOMPARE(AppSettings::SendList.size(), AppSettings::maxSendEntries);
        QCOMPARE(AppSettings::Notices.filter("其后约 2 行未读取").size(), 1);
        // A line of exactly the limit is kept; one byte more is skipped and said, the next read.
        const int most = AppSettings::maxLineBytes;
        QVERIFY(writeFile(path("send.txt"),
                          QByteArray(most, 'a') + "\n" + QByteArray(most + 1, 'b') + "\nok\n"));
        AppSettings::readSendData();
        QCOMPARE(AppSettings::SendList, QStringList({QString(most, 'a'), "ok"}));
        QCOMPARE(AppSettings::Notices.filter("跳过 1 行过长").size(), 1);
    }

    void filesThatCannotBeReadGiveEmptyLists_data()
    {
        // Opening a FIFO would block, reading /dev/zero would never end.
        QTest::addColumn<QString>("send");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("notices");
        const auto row = [](const char *name, const char *send, const char *device, int notices) {
            QTest::newRow(name) << send << device << notices;
        };
        row("missing", "missing", "missing", 0);
        row("FIFO, endless", "fifo", "zero", 2);
        row("endless, folder", "zero", "folder", 2);
    }

    void filesThatCannotBeReadGiveEmptyLists()
    {
        QFETCH(QString, send);
        QFETCH(QString, device);
        QFETCH(int, notices);
        QVERIFY(make("send.txt", send));
        QVERIFY(make("device.txt", device));
        AppSettings::SendList = AppSettings::DeviceKeys = AppSettings::DeviceValues =
            QStringList{"stale"};
        AppSettings::readSendData();
        AppSettings::readDeviceData();
        QCOMPARE(AppSettings::SendList, QStringList());
        QCOMPARE(AppSettings::DeviceKeys, QStringList());
        QCOMPARE(AppSettings::DeviceValues, QStringList());
        QCOMPARE(AppSettings::Notices.filter("不是普通文件").size(), notices);
        const int made = (send != "missing") + (device != "missing"); // the readers make none
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                     .size(),
                 made);
    }
};

QTEST_GUILESS_MAIN(TestDataLists)
#include "tst_datalists.moc"
