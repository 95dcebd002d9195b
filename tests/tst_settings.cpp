#include "appsettings.h"
#include "testsupport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QStringList allKeys = {
    "ComConfig/PortName", "ComConfig/BaudRate", "ComConfig/DataBit", "ComConfig/Parity",
    "ComConfig/StopBit", "ComConfig/HexSend", "ComConfig/HexReceive", "ComConfig/Debug",
    "ComConfig/AutoClear", "ComConfig/AutoSend", "ComConfig/SendInterval", "ComConfig/AutoSave",
    "ComConfig/SaveInterval", "ComConfig/AutoPrint", "ComConfig/ValueFormat", "NetConfig/Mode", "NetConfig/ServerIP",
    "NetConfig/ServerPort", "NetConfig/ListenPort", "NetConfig/SleepTime", "NetConfig/AutoConnect",
};

// A complete, healthy file with non-default values.
const char goodFile[] =
    "[ComConfig]\n"
    "PortName=COM7\nBaudRate=115200\nDataBit=7\nParity=\\x5947\nStopBit=2\n"
    "HexSend=true\nHexReceive=true\nDebug=true\nAutoClear=true\nAutoSend=true\n"
    "SendInterval=300\nAutoSave=true\nSaveInterval=2000\nAutoPrint=true\nValueFormat=float:CDAB\n"
    "\n"
    "[NetConfig]\n"
    "Mode=Udp_Server\nServerIP=10.1.1.9\nServerPort=502\nListenPort=503\nSleepTime=50\nAutoConnect=true\n";
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstStartCreatesDefaults();
    void zeroByteFileIsLikeMissing();
    void goodFileIsReadCompletely();
    void emptyValueKeepsEveryGoodSetting();
    void absentKeyTakesItsDefault();
    void checkConfigVerdicts();
    void stopBitOneAndHalfRoundTrip();
    void boolTexts_data();
    void boolTexts();
    void textThatIsNoNumberReadsAsZero();
    void nonAsciiAndEqualsSignRoundTrip();
    void unreadableFileKeepsDefaults();
    void randomBytesGiveACompleteFile();

private:
    QString iniPath(const QString &name);
    QTemporaryDir dir;
    int serial = 0;
};

QString TestSettings::iniPath(const QString &name)
{
    // A fresh name per case: QSettings caches files by name within the process.
    return dir.filePath(QString("%1-%2.ini").arg(name).arg(++serial));
}

void TestSettings::init()
{
    QVERIFY(dir.isValid());
    AppSettings::resetToDefaults();
}

void TestSettings::firstStartCreatesDefaults()
{
    AppSettings::ConfigFile = iniPath("first");
    AppSettings::readConfig();
    QVERIFY(QFile::exists(AppSettings::ConfigFile));
    QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(set.allKeys().size(), 21);
    for (const QString &key : allKeys) {
        QVERIFY2(set.contains(key), qPrintable(key));
    }
    QCOMPARE(set.value("ComConfig/PortName").toString(), QString("COM1"));
    QCOMPARE(set.value("ComConfig/Parity").toString(), QString("无"));
    QCOMPARE(set.value("ComConfig/StopBit").toString(), QString("1"));
    QCOMPARE(set.value("ComConfig/HexSend").toString(), QString("false"));
    QCOMPARE(set.value("NetConfig/ServerIP").toString(), QString("127.0.0.1"));
    QCOMPARE(set.value("NetConfig/SleepTime").toInt(), 100);
    QCOMPARE(AppSettings::BaudRate, 9600);
    QCOMPARE(AppSettings::Mode, QString("Tcp_Client"));
}

void TestSettings::zeroByteFileIsLikeMissing()
{
    AppSettings::ConfigFile = iniPath("zero");
    QVERIFY(writeFile(AppSettings::ConfigFile, QByteArray()));
    AppSettings::readConfig();
    QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(set.allKeys().size(), 21);
    QCOMPARE(set.value("ComConfig/BaudRate").toInt(), 9600);
}

void TestSettings::goodFileIsReadCompletely()
{
    AppSettings::ConfigFile = iniPath("good");
    QVERIFY(writeFile(AppSettings::ConfigFile, goodFile));
    AppSettings::readConfig();
    QCOMPARE(AppSettings::PortName, QString("COM7"));
    QCOMPARE(AppSettings::BaudRate, 115200);
    QCOMPARE(AppSettings::DataBit, 7);
    QCOMPARE(AppSettings::Parity, QString("奇"));
    QCOMPARE(AppSettings::StopBit, 2.0);
    QVERIFY(AppSettings::HexSend && AppSettings::HexReceive && AppSettings::Debug && AppSettings::AutoClear);
    QVERIFY(AppSettings::AutoSend && AppSettings::AutoSave && AppSettings::AutoPrint && AppSettings::AutoConnect);
    QCOMPARE(AppSettings::SendInterval, 300);
    QCOMPARE(AppSettings::SaveInterval, 2000);
    QCOMPARE(AppSettings::Mode, QString("Udp_Server"));
    QCOMPARE(AppSettings::ServerIP, QString("10.1.1.9"));
    QCOMPARE(AppSettings::ServerPort, 502);
    QCOMPARE(AppSettings::ListenPort, 503);
    QCOMPARE(AppSettings::SleepTime, 50);
    // A healthy file is not rewritten.
    QCOMPARE(readFile(AppSettings::ConfigFile), QByteArray(goodFile));
}

void TestSettings::emptyValueKeepsEveryGoodSetting()
{
    AppSettings::ConfigFile = iniPath("damaged");
    QByteArray text(goodFile);
    text.replace("ServerIP=10.1.1.9", "ServerIP=");
    QVERIFY(writeFile(AppSettings::ConfigFile, text));
    AppSettings::readConfig();
    QCOMPARE(AppSettings::ServerIP, QString("127.0.0.1"));
    QCOMPARE(AppSettings::BaudRate, 115200);
    QCOMPARE(AppSettings::PortName, QString("COM7"));
    QCOMPARE(AppSettings::ServerPort, 502);

    QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(set.allKeys().size(), 21);
    QCOMPARE(set.value("NetConfig/ServerIP").toString(), QString("127.0.0.1"));
    QCOMPARE(set.value("ComConfig/BaudRate").toInt(), 115200);
    QCOMPARE(AppSettings::inspectConfigFile(AppSettings::ConfigFile), AppSettings::FileState::Healthy);
}

void TestSettings::absentKeyTakesItsDefault()
{
    AppSettings::ConfigFile = iniPath("absent");
    QByteArray text(goodFile);
    text.replace("BaudRate=115200\n", "");
    QVERIFY(writeFile(AppSettings::ConfigFile, text));
    AppSettings::readConfig();
    QCOMPARE(AppSettings::BaudRate, 9600);
    QCOMPARE(AppSettings::DataBit, 7);
    QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(set.value("ComConfig/BaudRate").toInt(), 9600);
    QCOMPARE(set.allKeys().size(), 21);
}

void TestSettings::checkConfigVerdicts()
{
    AppSettings::ConfigFile = iniPath("check-missing");
    QVERIFY(!AppSettings::checkConfig());
    QVERIFY(QFile::exists(AppSettings::ConfigFile)); // rewritten with the current values

    AppSettings::ConfigFile = iniPath("check-good");
    QVERIFY(writeFile(AppSettings::ConfigFile, QByteArray("[ComConfig]\n\n\r\nPortName=COM2\n[NetConfig]\nA=b=c\n")));
    QVERIFY(AppSettings::checkConfig());

    AppSettings::ConfigFile = iniPath("check-empty");
    const QByteArray damaged("[ComConfig]\r\nBaudRate=115200\r\nPortName=\r\n");
    QVERIFY(writeFile(AppSettings::ConfigFile, damaged));
    QVERIFY(!AppSettings::checkConfig());
    // The check itself does not throw good values away.
    QCOMPARE(readFile(AppSettings::ConfigFile), damaged);
}

void TestSettings::stopBitOneAndHalfRoundTrip()
{
    AppSettings::ConfigFile = iniPath("stopbit");
    AppSettings::StopBit = 1.5;
    AppSettings::writeConfig();
    QVERIFY(readFile(AppSettings::ConfigFile).contains("StopBit=1.5"));
    AppSettings::resetToDefaults();
    AppSettings::readConfig();
    QCOMPARE(AppSettings::StopBit, 1.5);
}

void TestSettings::boolTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("value");
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("0") << QByteArray("0") << false;
    QTest::newRow("false") << QByteArray("false") << false;
    QTest::newRow("FALSE") << QByteArray("FALSE") << false;
    QTest::newRow("yes") << QByteArray("yes") << true;
    QTest::newRow("1") << QByteArray("1") << true;
}

void TestSettings::boolTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, value);
    AppSettings::ConfigFile = iniPath("bool");
    QByteArray file(goodFile);
    file.replace("HexSend=true", "HexSend=" + text);
    QVERIFY(writeFile(AppSettings::ConfigFile, file));
    AppSettings::HexSend = !value;
    AppSettings::readConfig();
    QCOMPARE(AppSettings::HexSend, value);
}

void TestSettings::textThatIsNoNumberReadsAsZero()
{
    AppSettings::ConfigFile = iniPath("nan");
    QByteArray file(goodFile);
    file.replace("BaudRate=115200", "BaudRate=fast");
    QVERIFY(writeFile(AppSettings::ConfigFile, file));
    AppSettings::readConfig();
    QCOMPARE(AppSettings::BaudRate, 0);
}

void TestSettings::nonAsciiAndEqualsSignRoundTrip()
{
    AppSettings::ConfigFile = iniPath("roundtrip");
    AppSettings::Parity = "空格";
    AppSettings::ServerIP = "a=b";
    AppSettings::PortName = "/dev/pts/3";
    AppSettings::writeConfig();
    const QByteArray raw = readFile(AppSettings::ConfigFile);
    QVERIFY2(!raw.contains("空格"), "non-ASCII text is written escaped");
    AppSettings::resetToDefaults();
    AppSettings::readConfig();
    QCOMPARE(AppSettings::Parity, QString("空格"));
    QCOMPARE(AppSettings::ServerIP, QString("a=b"));
    QCOMPARE(AppSettings::PortName, QString("/dev/pts/3"));
}

void TestSettings::unreadableFileKeepsDefaults()
{
    // A folder where the file should be: it cannot be read or written.
    AppSettings::ConfigFile = iniPath("folder");
    QVERIFY(QDir().mkpath(AppSettings::ConfigFile));
    AppSettings::BaudRate = 19200;
    AppSettings::readConfig();
    QCOMPARE(AppSettings::BaudRate, 19200);
    QVERIFY(QFileInfo(AppSettings::ConfigFile).isDir());
}

void TestSettings::randomBytesGiveACompleteFile()
{
    QRandomGenerator rng(7);
    for (int round = 0; round < 20; ++round) {
        AppSettings::resetToDefaults();
        AppSettings::ConfigFile = iniPath("random");
        QByteArray junk(int(rng.bounded(1, 4000)), '\0');
        for (char &c : junk) {
            c = char(rng.bounded(256));
        }
        QVERIFY(writeFile(AppSettings::ConfigFile, junk));
        AppSettings::readConfig();
        QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
        for (const QString &key : allKeys) {
            QVERIFY2(set.contains(key), qPrintable(key));
        }
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
