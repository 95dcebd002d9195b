// The settings file: read, repaired, refused, written as Qt 5 writes it. send.txt and
// device.txt: the lines taken from them, their limits, files that are no files.
#include "appsettings.h"
#include "qt5ini.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>

namespace {
// What the program writes with every default: keys sorted per group, non-ASCII escaped.
const QByteArray defaultFile =
    "[ComConfig]\nAddCrc=false\nAutoClear=false\nAutoPrint=false\nAutoSave=false\nAutoSend=false\n"
    "BaudRate=9600\nDataBit=8\nDebug=false\nFlowControl=\\x65e0\nHexReceive=false\nHexSend=false\n"
    "Language=zh_CN\nLineEnding=none\nParity=\\x65e0\nPortName=COM1\nSaveInterval="
    "5000\nSendInterval=1000\nStopBit=1\n"
    "ValueFormat=int16\n\n[NetConfig]\nAutoConnect=false\nListenAddress=127.0.0.1\nListenPort="
    "6000\nMode=Tcp_Client\n"
    "ServerIP=127.0.0.1\nServerPort=6000\nSleepTime=100\nTransport=serial\n";
// A healthy file with no default value, laid out as the program would write it.
const QByteArray goodFile =
    "[ComConfig]\nAddCrc=true\nAutoClear=true\nAutoPrint=true\nAutoSave=true\nAutoSend=true\n"
    "BaudRate=115200\nDataBit=7\nDebug=true\nFlowControl=RTS/CTS\nHexReceive=true\nHexSend=true\n"
    "Language=en\nLineEnding=CRLF\nParity=\\x5947\nPortName=COM7\nSaveInterval=2000\nSendInterval="
    "300\nStopBit=2\n"
    "ValueFormat=float:CDAB\n\n[NetConfig]\nAutoConnect=true\nListenAddress=0.0.0.0\nListenPort="
    "503\nMode=Udp_Server\n"
    "ServerIP=10.1.1.9\nServerPort=502\nSleepTime=50\nTransport=modbus-tcp\n";

// goodFile with the line of `key` replaced by `line` (which brings its own line end, or is empty).
QByteArray withLine(const QString &key, const QByteArray &line)
{
    const int from = goodFile.indexOf("\n" + key.toUtf8() + '=') + 1;
    return QByteArray(goodFile).replace(from, goodFile.indexOf('\n', from) + 1 - from, line);
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
    QTemporaryDir dir, lists;
    int serial = 0;
    QString list(const char *name) const { return lists.filePath(name); }

    // Gives `name` a kind that cannot be read: "fifo", "zero" (a link to an endless
    // device), "folder"; "missing" removes it.
    bool make(const char *name, const QString &kind) const
    {
        QFile::remove(list(name));
        QDir(list(name)).removeRecursively();
        const QByteArray file = QFile::encodeName(list(name));
        return kind == "missing" || (kind == "fifo" && ::mkfifo(file.constData(), 0600) == 0)
               || (kind == "zero" && QFile::link("/dev/zero", list(name)))
               || (kind == "folder" && QDir().mkdir(list(name)));
    }

    // Defaults, and a new file (QSettings caches them by name) holding `content` unless null.
    void useConfig(const QByteArray &content = QByteArray())
    {
        AppSettings::resetToDefaults();
        AppSettings::Notices.clear();
        AppSettings::ConfigFile = dir.filePath(QString("s%1.ini").arg(++serial));
        QVERIFY(content.isNull() || writeFile(AppSettings::ConfigFile, content));
    }

private slots:
    void initTestCase() { AppSettings::DataDir = lists.path(); }

    void emptyFileIsWrittenWithDefaults()
    {
        useConfig(""); // empty, not missing: tst_install starts without a file
        QVERIFY(!AppSettings::checkConfig());
        QCOMPARE(readFile(AppSettings::ConfigFile), defaultFile);
    }

    void healthyFileIsReadAndLeftAlone()
    {
        const QByteArray crlf = QByteArray(goodFile).replace("\n", "\r\n"); // shows any rewrite
        useConfig(crlf);
        QVERIFY(AppSettings::checkConfig());
        AppSettings::readConfig();
        QCOMPARE(readFile(AppSettings::ConfigFile), crlf);
        AppSettings::ConfigFile = dir.filePath("copy.ini");
        AppSettings::writeConfig(); // every value read comes back as it was
        QCOMPARE(readFile(AppSettings::ConfigFile), goodFile);
    }

    void valueTextsAndRepairs_data()
    {
        // A line, the value read from it and, where the file is repaired, the line written.
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("repaired");
        const auto row = [](const char *name, const char *key, const char *line,
                            const QVariant &value, const char *repaired) {
            QTest::newRow(name) << key << QByteArray(line) << value << QByteArray(repaired);
        };
        row("yes", "HexSend", "HexSend=yes\n", true, nullptr);
        row("no number", "BaudRate", "BaudRate=fast\n", 0, nullptr);
        row("fraction", "StopBit", "StopBit=1.5\n", 1.5, nullptr);
        row("equals sign", "ServerIP", "ServerIP=a=b\n", "a=b", nullptr);
        row("empty, the last line", "SleepTime", "SleepTime=\n", 100, "SleepTime=100\n");
        row("absent", "BaudRate", "", 9600, "BaudRate=9600\n");
        row("empty text", "Parity", "Parity=\n", "无", "Parity=\\x65e0\n");
    }

    void valueTextsAndRepairs()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, repaired);
        const QByteArray text = withLine(key, line);
        useConfig(text);
        QCOMPARE(AppSettings::checkConfig(), !line.endsWith("=\n"));
        QCOMPARE(readFile(AppSettings::ConfigFile), text); // the check alone changes nothing
        AppSettings::readConfig();
        QCOMPARE(AppSettings::setting(key)->value(), value);
        QCOMPARE(readFile(AppSettings::ConfigFile),
                 repaired.isNull() ? text : withLine(key, repaired));
    }

    void hugeFileIsNeitherReadNorWritten()
    {
        const QByteArray huge = goodFile + QByteArray(AppSettings::maxConfigFileBytes, '#');
        useConfig(huge);
        AppSettings::BaudRate = 19200;
        AppSettings::readConfig();
        AppSettings::writeConfig();
        QVERIFY(!AppSettings::checkConfig());
        QCOMPARE(AppSettings::BaudRate, 19200);
        QCOMPARE(AppSettings::Notices.size(), 1);
        QVERIFY(AppSettings::Notices[0].contains("过大"));
        QCOMPARE(readFile(AppSettings::ConfigFile), huge);
    }

    void failedWritesLeaveNoFile()
    {
        // Files may not grow beyond 100 bytes, as on a full disk: nothing is left, and why is said.
        useConfig(); // no file yet: QSettings' own write is cut short unseen
        QString error;
        bool written = true;
        {
            const FileSizeLimit limit(100);
            QVERIFY(limit.set);
            written = AppSettings::writeConfig(&error);
            AppSettings::readConfig(); // at start-up, as a notice
        }
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(AppSettings::ConfigFile));
        QCOMPARE(AppSettings::Notices.filter("保存设置失败: " + AppSettings::ConfigFile).size(), 1);
        QVERIFY(AppSettings::writeConfig()); // an existing file kept: tst_faults
        QCOMPARE(readFile(AppSettings::ConfigFile), defaultFile);
    }

    // A Qt 6 build must leave the very bytes Qt 5 writes: non-ASCII text escaped.
    void qt6TextTakesQt5Escapes_data()
    {
        QTest::addColumn<QByteArray>("qt6");
        QTest::addColumn<QByteArray>("qt5");
        const auto row = [](const char *name, const char *qt6, const char *qt5) {
            QTest::newRow(name) << QByteArray(qt6) << QByteArray(qt5);
        };
        const char *plain = "[A]\nk=v\\x1f\\x61, \"a;b\"\n\n[a%20b]\nk%U4E2D=1\n";
        row("escaped already", plain, plain);
        row("hex digits after", "k=无09afAFg0\n", "k=\\x65e0\\x30\\x39\\x61\\x66\\x41\\x46g0\n");
        row("after \\0", "k=\\0\\x31é\n", "k=\\0\\x31\\xe9\n");
        row("before an escape", "k=é\\ta\n", "k=\\xe9\\ta\n");
        row("DEL", "k=\177b\n", "k=\\x7f\\x62\n");
        row("surrogate pair", "k=😀\n", "k=\\xd83d\\xde00\n");
        row("cut character", "k=\xe6\x97", "k=\\xe6\\x97");
        row("lowest of two bytes", "k=\xc2\x80\n", "k=\\x80\n");
        row("highest of two bytes", "k=\xdf\xbf\n", "k=\\x7ff\n");
        row("lowest of three bytes", "k=\xe0\xa0\x80\n", "k=\\x800\n");
        row("highest of three bytes", "k=\xef\xbf\xbf\n", "k=\\xffff\n");
        row("encoded surrogate", "k=\xed\xa0\x80", "k=\\xed\\xa0\\x80");
        row("bad UTF-8", "k=\377a\n", "k=\\xff\\x61\n");
        row("backslash at the end", "k=a\\\n", "k=a\\\n");
    }

    void qt6TextTakesQt5Escapes()
    {
        QFETCH(QByteArray, qt6);
        QFETCH(QByteArray, qt5);
        QCOMPARE(withQt5IniEscapes(qt6), qt5);
        QCOMPARE(withQt5IniEscapes(qt5), qt5);
    }

    void sendLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("trimmed, blank lines skipped")
            << QByteArray("  hello  \r\n\r\nworld\r\n") << QStringList{"hello", "world"};
        QTest::newRow("BOM, no last line end")
            << QByteArray("\uFEFFa;1\nb;2") << QStringList{"a;1", "b;2"};
        QTest::newRow("NUL ends its line")
            << QByteArray("ab\0c;d\ne\n", 9) << QStringList{"ab", "e"};
        QTest::newRow("lone CR") << QByteArray("a\rb\n") << QStringList{"ab"};
        QTest::newRow("blank only") << QByteArray("   \n \t \n") << QStringList();
    }

    void sendLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QVERIFY(writeFile(list("send.txt"), content));
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
        QCOMPARE(split(";"), qMakePair(QString(), QString()));
    }

    void deviceFile()
    {
        QVERIFY(writeFile(list("device.txt"), "\uFEFF a;1 \n\nb\na;3"));
        AppSettings::readDeviceData();
        QCOMPARE(AppSettings::DeviceKeys, QStringList({"a", "b", "a"}));
        QCOMPARE(AppSettings::DeviceValues, QStringList({"1", "", "3"}));
    }

    void limits()
    {
        AppSettings::Notices.clear();
        QVERIFY(writeFile(list("send.txt"),
                          QByteArray("x\n").repeated(AppSettings::maxSendEntries + 2)));
        AppSettings::readSendData();
        QCOMPARE(AppSettings::SendList.size(), AppSettings::maxSendEntries);
        QCOMPARE(AppSettings::Notices.filter("其后约 2 行未读取").size(), 1);
        // A line of exactly the limit is kept; one byte more is skipped and said, the next read.
        const int most = AppSettings::maxLineBytes;
        QVERIFY(writeFile(list("send.txt"),
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
        AppSettings::Notices.clear();
        AppSettings::SendList = AppSettings::DeviceKeys = AppSettings::DeviceValues =
            QStringList{"stale"};
        AppSettings::readSendData();
        AppSettings::readDeviceData();
        QCOMPARE(AppSettings::SendList, QStringList());
        QCOMPARE(AppSettings::DeviceKeys, QStringList());
        QCOMPARE(AppSettings::DeviceValues, QStringList());
        QCOMPARE(AppSettings::Notices.filter("不是普通文件").size(), notices);
        const int made = (send != "missing") + (device != "missing"); // the readers make none
        QCOMPARE(QDir(lists.path())
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                     .size(),
                 made);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
