#include "appsettings.h"
#include "qt5ini.h"
#include "testsupport.h"
#include <QtTest>

// What the program writes with every default: keys sorted per group, non-ASCII escaped.
const QByteArray defaultFile =
    "[ComConfig]\nAutoClear=false\nAutoPrint=false\nAutoSave=false\nAutoSend=false\nBaudRate=9600\nDataBit=8\n"
    "Debug=false\nHexReceive=false\nHexSend=false\nLanguage=zh_CN\nParity=\\x65e0\nPortName=COM1\nSaveInterval=5000\n"
    "SendInterval=1000\nStopBit=1\nValueFormat=int16\n\n[NetConfig]\nAutoConnect=false\nListenPort=6000\n"
    "Mode=Tcp_Client\nServerIP=127.0.0.1\nServerPort=6000\nSleepTime=100\n";
// A healthy file with no default value, laid out as the program would write it.
const QByteArray goodFile =
    "[ComConfig]\nAutoClear=true\nAutoPrint=true\nAutoSave=true\nAutoSend=true\nBaudRate=115200\nDataBit=7\n"
    "Debug=true\nHexReceive=true\nHexSend=true\nLanguage=en\nParity=\\x5947\nPortName=COM7\nSaveInterval=2000\n"
    "SendInterval=300\nStopBit=2\nValueFormat=float:CDAB\n\n[NetConfig]\nAutoConnect=true\nListenPort=503\n"
    "Mode=Udp_Server\nServerIP=10.1.1.9\nServerPort=502\nSleepTime=50\n";
// goodFile with the line of `key` replaced by `line` (which brings its own line end, or is empty).
static QByteArray withLine(const char *key, const char *line)
{
    const int from = goodFile.indexOf(QByteArray("\n") + key + '=') + 1;
    return QByteArray(goodFile).replace(from, goodFile.indexOf('\n', from) + 1 - from, line);
}
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
    void emptyAndHealthyFiles()
    {
        useConfig(""); // empty, not null; tst_startup sees a missing file written at start-up
        QVERIFY(!AppSettings::checkConfig()); // a zero-byte file is like a missing one
        QCOMPARE(readFile(AppSettings::ConfigFile), defaultFile);
        // A healthy file is read and left alone; with Windows line ends any rewrite would show.
        const QByteArray crlf = QByteArray(goodFile).replace("\n", "\r\n");
        useConfig(crlf);
        QVERIFY(AppSettings::checkConfig());
        AppSettings::readConfig();
        QCOMPARE(readFile(AppSettings::ConfigFile), crlf);
        AppSettings::ConfigFile = dir.filePath("copy.ini");
        AppSettings::writeConfig(); // every other value read comes back as it was
        QCOMPARE(readFile(AppSettings::ConfigFile), goodFile);
    }
    void valueTextsAndRepairs()
    {
        // A line, the value read from it and, where the file is repaired, the line written instead.
        const struct { const char *key, *line; QVariant value; const char *repaired; } cases[] = {
            {"HexSend", "HexSend=FALSE\n", false, nullptr}, {"HexSend", "HexSend=yes\n", true, nullptr},
            {"BaudRate", "BaudRate=fast\n", 0, nullptr}, {"StopBit", "StopBit=1.5\n", 1.5, nullptr},
            {"ServerIP", "ServerIP=a=b\n", "a=b", nullptr}, {"SleepTime", "SleepTime=\n", 100, "SleepTime=100\n"}, // last
            {"BaudRate", "", 9600, "BaudRate=9600\n"}, {"Parity", "Parity=\n", "无", "Parity=\\x65e0\n"}}; // repaired: absent, empty
        for (const auto &c : cases) {
            const QByteArray text = withLine(c.key, c.line);
            useConfig(text);
            QCOMPARE(AppSettings::checkConfig(), !QByteArray(c.line).endsWith("=\n"));
            QCOMPARE(readFile(AppSettings::ConfigFile), text); // the check alone changes nothing
            AppSettings::readConfig();
            QCOMPARE(AppSettings::setting(c.key)->value(), c.value);
            QCOMPARE(readFile(AppSettings::ConfigFile), c.repaired ? withLine(c.key, c.repaired) : text);
        }
    }
    void unusableFilesAreNeitherReadNorWritten()
    {
        const QByteArray huge = goodFile + QByteArray(AppSettings::maxConfigFileBytes, '#'); // a FIFO: tst_faults
        useConfig(huge);
        AppSettings::BaudRate = 19200;
        AppSettings::readConfig();
        AppSettings::writeConfig();
        QVERIFY(!AppSettings::checkConfig() && AppSettings::BaudRate == 19200);
        QVERIFY2(AppSettings::Notices.size() == 1 && AppSettings::Notices[0].contains("过大"),
                 qPrintable(AppSettings::Notices.join('|')));
        QCOMPARE(readFile(AppSettings::ConfigFile), huge);
    }
    void failedWritesKeepTheFile()
    {
        // Files may not grow beyond 100 bytes, as on a full disk: nothing changes, and why is said.
        useConfig(); // no file yet: QSettings' own write is cut short unseen
        QString error;
        bool written = true;
        {
            const FileSizeLimit limit(100);
            QVERIFY(limit.set);
            written = AppSettings::writeConfig(&error);
            AppSettings::readConfig(); // at start-up, as a notice
        }
        QVERIFY(!written && !error.isEmpty() && !QFile::exists(AppSettings::ConfigFile));
        QCOMPARE(AppSettings::Notices.filter("保存设置失败: " + AppSettings::ConfigFile).size(), 1);
        QVERIFY(AppSettings::writeConfig()); // an existing settings file kept: tst_faults
        QCOMPARE(readFile(AppSettings::ConfigFile), defaultFile);
    }
    // Qt 5's bytes are the reference: a Qt 6 build must leave the very same file.
    void nonAsciiValuesAreWrittenAsQt5Does()
    {
        useConfig();
        AppSettings::PortName = QString::fromUtf8("串口1a");
        AppSettings::ServerIP = QString::fromUtf8("é;x");
        AppSettings::ValueFormat = QString::fromUtf8("A😀F");
        AppSettings::Mode = QString::fromUtf8("x\x7f" "b\t\x1f" "c");
        AppSettings::writeConfig();
        const QByteArray expected = QByteArray(defaultFile).replace("PortName=COM1", "PortName=\\x4e32\\x53e3\\x31\\x61")
            .replace("ValueFormat=int16", "ValueFormat=A\\xd83d\\xde00\\x46")
            .replace("Mode=Tcp_Client", "Mode=x\\x7f\\x62\\t\\x1f\\x63")
            .replace("ServerIP=127.0.0.1", "ServerIP=\"\\xe9;x\"");
        QCOMPARE(readFile(AppSettings::ConfigFile), expected);
        AppSettings::resetToDefaults();
        AppSettings::readConfig();
        QCOMPARE((QStringList{AppSettings::PortName, AppSettings::ServerIP, AppSettings::ValueFormat, AppSettings::Mode}),
                 (QStringList{"串口1a", "é;x", "A😀F", QString::fromUtf8("x\x7f" "b\t\x1f" "c")}));
    }
    void qt6TextTakesQt5Escapes()
    {
        const struct { const char *qt6, *qt5; } cases[] = {
            {"[A]\nk=v\\x1f\\x61, \"a;b\"\n\n[a%20b]\nk%U4E2D=1\n", "[A]\nk=v\\x1f\\x61, \"a;b\"\n\n[a%20b]\nk%U4E2D=1\n"},
            {"k=\xe6\x97\xa0" "a1Fg0\n", "k=\\x65e0\\x61\\x31\\x46g0\n"}, {"k=\\x1f\xc3\xa9" "1\n", "k=\\x1f\\xe9\\x31\n"},
            {"k=\\0\\x31\xc3\xa9\n", "k=\\0\\x31\\xe9\n"}, {"k=\xc3\xa9\\ta\n", "k=\\xe9\\ta\n"}, {"k=\x7f" "b\n", "k=\\x7f\\x62\n"},
            {"k=\xf0\x9f\x98\x80\n", "k=\\xd83d\\xde00\n"}, {"k=\xc3\xa9", "k=\\xe9"}, {"k=\xe6\x97", "k=\\xe6\\x97"},
            {"k=\xe0\xa0\x80\n", "k=\\x800\n"}, {"k=\xed\xa0\x80", "k=\\xed\\xa0\\x80"}, {"k=\xef\xbc\x81", "k=\\xff01"}, {"k=\xff" "a\n", "k=\\xff\\x61\n"}}; // escapes, hex digits after them, surrogate pairs, no line end, bad UTF-8
        for (const auto &c : cases) {
            QCOMPARE(withQt5IniEscapes(c.qt6), QByteArray(c.qt5));
            QCOMPARE(withQt5IniEscapes(c.qt5), QByteArray(c.qt5));
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
