// The settings file: read, repaired, refused, written as Qt 5 writes it.
#include "appsettings.h"
#include "qt5ini.h"
#include "testsupport.h"

#include <QtTest>

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
    QTemporaryDir dir;
    int serial = 0;

    // Defaults, and a new file (QSettings caches them by name) holding `content` unless null.
    void useConfig(const QByteArray &content = QByteArray())
    {
        AppSettings::resetToDefaults();
        AppSettings::Notices.clear();
        AppSettings::ConfigFile = dir.filePath(QString("s%1.ini").arg(++serial));
        QVERIFY(content.isNull() || writeFile(AppSettings::ConfigFile, content));
    }

private slots:
    void emptyFileIsWrittenWithDefaults()
    {
        useConfig(""); // empty, not missing: tst_startup starts without a file
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
        row("FALSE", "HexSend", "HexSend=FALSE\n", false, nullptr);
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

    // Qt 5's bytes are the reference: a Qt 6 build must leave the very same file.
    void nonAsciiValuesAreWrittenAsQt5Does()
    {
        const QString port = "串口1a", ip = "é;x", format = "A😀F", mode = "x\177b\t\037c";
        useConfig();
        AppSettings::PortName = port;
        AppSettings::ServerIP = ip;
        AppSettings::ValueFormat = format;
        AppSettings::Mode = mode;
        AppSettings::writeConfig();
        const QByteArray expected =
            QByteArray(defaultFile)
                .replace("PortName=COM1", "PortName=\\x4e32\\x53e3\\x31\\x61")
                .replace("ValueFormat=int16", "ValueFormat=A\\xd83d\\xde00\\x46")
                .replace("Mode=Tcp_Client", "Mode=x\\x7f\\x62\\t\\x1f\\x63")
                .replace("ServerIP=127.0.0.1", "ServerIP=\"\\xe9;x\"");
        QCOMPARE(readFile(AppSettings::ConfigFile), expected);
        AppSettings::resetToDefaults();
        AppSettings::readConfig();
        QCOMPARE(AppSettings::PortName, port);
        QCOMPARE(AppSettings::ServerIP, ip);
        QCOMPARE(AppSettings::ValueFormat, format);
        QCOMPARE(AppSettings::Mode, mode);
    }

    void qt6TextTakesQt5Escapes_data()
    {
        QTest::addColumn<QByteArray>("qt6");
        QTest::addColumn<QByteArray>("qt5");
        const auto row = [](const char *name, const char *qt6, const char *qt5) {
            QTest::newRow(name) << QByteArray(qt6) << QByteArray(qt5);
        };
        const char *plain = "[A]\nk=v\\x1f\\x61, \"a;b\"\n\n[a%20b]\nk%U4E2D=1\n";
        row("escaped already", plain, plain);
        row("hex digits after", "k=无a1Fg0\n", "k=\\x65e0\\x61\\x31\\x46g0\n");
        row("after an escape", "k=\\x1fé1\n", "k=\\x1f\\xe9\\x31\n");
        row("after \\0", "k=\\0\\x31é\n", "k=\\0\\x31\\xe9\n");
        row("before an escape", "k=é\\ta\n", "k=\\xe9\\ta\n");
        row("DEL", "k=\177b\n", "k=\\x7f\\x62\n");
        row("surrogate pair", "k=😀\n", "k=\\xd83d\\xde00\n");
        row("no line end", "k=é", "k=\\xe9");
        row("cut character", "k=\xe6\x97", "k=\\xe6\\x97");
        row("lowest of two bytes", "k=\xc2\x80\n", "k=\\x80\n");
        row("lowest of three bytes", "k=\xe0\xa0\x80\n", "k=\\x800\n");
        row("highest of three bytes", "k=\xef\xbf\xbf\n", "k=\\xffff\n");
        row("encoded surrogate", "k=\xed\xa0\x80", "k=\\xed\\xa0\\x80");
        row("three bytes", "k=！", "k=\\xff01");
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
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
