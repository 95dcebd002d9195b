// The console as a plain serial terminal against a peer on a virtual serial pair: typed lines
// with their endings and CRC, the history, files paced and cancelled, the data lists taken in
// again, and the modem lines through an emulated null-modem cable (a pty has none).
#include "appsettings.h"
#include "consolesession.h"
#include "consoletest.h"
#include "filesender.h"
#include "filesendwindow.h"
#include "sendline.h"
#include "tavihelper.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <dlfcn.h>
#include <sys/ioctl.h>

// The emulated cable: what the console sets on its RTS and DTR, what the far end drives on its
// CTS and DSR. Modem-line requests a pty refuses are answered from here; a custom baud rate is
// refused when asked, as some adapters do.
namespace cable {
std::atomic<int> consoleOut{0}; // TIOCM_RTS | TIOCM_DTR
std::atomic<int> consoleIn{0};  // TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RI
std::atomic<bool> wired{false};
std::atomic<bool> refuseCustomBaud{false};
} // namespace cable

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    using Real = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "ioctl"));
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    // TCSETS2, the request that sets a custom baud rate (its size is termios2's).
    const bool customBaud = _IOC_TYPE(request) == 'T' && _IOC_NR(request) == 0x2B;
    if (cable::refuseCustomBaud && customBaud) {
        errno = EINVAL;
        return -1;
    }
    const int rc = real(fd, request, arg);
    if (rc == 0 || !cable::wired || (errno != ENOTTY && errno != EINVAL)) {
        return rc;
    }
    int *bits = static_cast<int *>(arg);
    switch (request) {
    case TIOCMGET:
        *bits = cable::consoleOut | cable::consoleIn;
        return 0;
    case TIOCMBIS:
        cable::consoleOut |= *bits & (TIOCM_RTS | TIOCM_DTR);
        return 0;
    case TIOCMBIC:
        cable::consoleOut &= ~*bits;
        return 0;
    case TIOCMSET:
        cable::consoleOut = *bits & (TIOCM_RTS | TIOCM_DTR);
        return 0;
    default:
        return rc;
    }
}

class TestTerminal : public ConsoleTest
{
    Q_OBJECT

    // Types `text` in the send box and presses Enter.
    void typeAndEnter(const QString &text)
    {
        combo("cboxData")->setEditText(text);
        QTest::keyClick(combo("cboxData")->lineEdit(), Qt::Key_Return);
    }

private slots:
    void typedLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<bool>("crc");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // a refusal names the character at fault
        const auto row = [](const char *name, const QString &text, bool hex, const char *ending,
                            bool crc, const QByteArray &bytes, const QString &error = {}) {
            QTest::newRow(name) << text << hex << QString(ending) << crc << bytes << error;
        };
        row("text CR", "AT", false, "CR", false, "AT\r");
        row("text CRLF", "AT", false, "CRLF", false, "AT\r\n");
        row("escapes", "a\\x00b", false, "none", false, QByteArray("a\0b", 3));
        row("hex + CRC", "01 03 00 00 00 01", true, "none", true,
            hexBytes("01 03 00 00 00 01 84 0A"));
        row("hex in either case", "0a fF Af", true, "none", false, hexBytes("0A FF AF"));
        row("hex, CRC, LF", "0103,0000 0001", true, "LF", true,
            hexBytes("01 03 00 00 00 01 84 0A 0A"));
        row("odd digit", "01 3 4", true, "none", false, {}, "十六进制数字须成对: 第 5 个字符前");
        row("odd at the end", "01 3", true, "none", false, {}, "十六进制数字须成对: 末尾多出一个");
        row("no hex", "01 0G", true, "none", false, {}, "第 5 个字符 \"G\" 不是十六进制数字");
        row("nothing", "   ", true, "CR", false, {}, "没有要发送的内容");
    }
    void typedLines()
    {
        QFETCH(QString, text);
        QFETCH(bool, hex);
        QFETCH(QString, ending);
        QFETCH(bool, crc);
        const TypedLine line = typedLineBytes(text, hex, ending, crc);
        QTEST(line.bytes, "bytes");
        QTEST(line.error, "error");
    }

    // Enter sends the box as the ticked choices make it (their rules: typedLines); a line
    // that cannot be sent is said and sends nothing.
    void sendBoxAndHistory()
    {
        makeForm();
        QVERIFY(openPort());
        typeAndEnter("hello");
        QCOMPARE(peer.take(5), QByteArray("hello"));
        check("ckHexSend")->setChecked(true);
        check("ckAddCrc")->setChecked(true);
        combo("cboxLineEnding")->setCurrentIndex(combo("cboxLineEnding")->findData("LF"));
        typeAndEnter("01 03 00 00 00 01");
        QCOMPARE(peer.take(9), hexBytes("01 03 00 00 00 01 84 0A 0A"));
        typeAndEnter("01 0X");
        QCOMPARE(peer.takeFor(200), QByteArray());
        QVERIFY(lastLine("未发送").contains("\"X\""));
        // A restart keeps the history and the choices; Up walks back, Down returns.
        makeForm();
        QCOMPARE(combo("cboxLineEnding")->currentData().toString(), QString("LF"));
        QVERIFY(check("ckAddCrc")->isChecked());
        combo("cboxData")->setEditText("draft");
        QLineEdit *box = combo("cboxData")->lineEdit();
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->text(), QString("01 03 00 00 00 01"));
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->text(), QString("hello"));
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->text(), QString("draft"));
    }

    void dataListsTakenInAgain()
    {
        makeForm();
        QVERIFY(openPort());
        check("ckHexReceive")->setChecked(true);
        check("ckHexSend")->setChecked(true);
        check("ckDebug")->setChecked(true); // 模拟设备
        QVERIFY(writeFile(file("device.txt"), "01 02;AA BB\n03;CC\n"));
        QTRY_VERIFY_WITH_TIMEOUT(count("已重新读取 device.txt: 2 对") == 1, 3000);
        peer.write(hexBytes("01 02"));
        QCOMPARE(peer.take(2), hexBytes("AA BB"));
        QVERIFY(writeFile(file("send.txt"), "first\nsecond\n"));
        QTRY_COMPARE_WITH_TIMEOUT(combo("cboxData")->count(), 2, 3000);
        QCOMPARE(combo("cboxData")->itemText(1), QString("second"));
    }

    // 2 MB paced by the line, every byte checked and the time it took; then a file cancelled
    // halfway and one cut short by closing the port.
    void filesPacedAndCancelled()
    {
        ConsoleSession session;
        QVERIFY(session.open({pair->consoleEnd(), 3000000}));
        QByteArray data(2 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        QVERIFY(writeFile(file("big.bin"), data));
        FileSender sender(&session);
        QSignalSpy finished(&sender, &FileSender::finished);
        QString error;
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(sender.start(file("big.bin"), false, 0, 0, &error), qPrintable(error));
        const QByteArray got = peer.take(data.size(), 30000);
        const double wireMs = data.size() * characterMs(session.lineSettings());
        QVERIFY2(
            clock.elapsed() >= wireMs * 0.95 && clock.elapsed() < wireMs * 1.3 + 500,
            qPrintable(QString("%1 ms for %2 ms on the wire").arg(clock.elapsed()).arg(wireMs)));
        QVERIFY(got == data);
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(finished.takeFirst().at(0).toBool());
        QCOMPARE(session.sentBytes(), qint64(data.size()));

        QVERIFY(writeFile(file("hex.txt"), "01 02 03\n04"));
        // From its window, 3 bytes every 20 ms; it can be cancelled only while it runs.
        FileSendWindow window(&sender);
        const auto button = [&](const char *name) { return window.findChild<QPushButton *>(name); };
        window.findChild<QLineEdit *>("txtFilePath")->setText(file("hex.txt"));
        window.findChild<QCheckBox *>("ckFileHex")->setChecked(true);
        window.findChild<QSpinBox *>("spinChunkDelay")->setValue(20);
        window.findChild<QSpinBox *>("spinChunkBytes")->setValue(3);
        button("btnStartFile")->click();
        QVERIFY(button("btnCancelFile")->isEnabled() && !button("btnStartFile")->isEnabled());
        QCOMPARE(peer.take(4), hexBytes("01 02 03 04"));
        QTRY_VERIFY(button("btnStartFile")->isEnabled());
        QVERIFY(!button("btnCancelFile")->isEnabled());
        QVERIFY(writeFile(file("hex.txt"), "01 0Z"));
        QVERIFY(!sender.start(file("hex.txt"), true, 0, 0, &error) && error.contains("\"Z\""));

        finished.clear();
        QVERIFY(sender.start(file("big.bin"), false, 0, 0, &error));
        waitUntil([] { return false; }, 1000);
        sender.cancel();
        const QByteArray part = peer.takeFor(300);
        QVERIFY2(part.size() > 100000 && part.size() < data.size() / 2,
                 qPrintable(QString::number(part.size())));
        QCOMPARE(part, data.left(part.size()));
        QCOMPARE(qint64(part.size()), sender.sentBytes());
        QVERIFY(finished.takeFirst().at(1).toString().startsWith("文件发送已取消"));
        QVERIFY(sender.start(file("big.bin"), false, 0, 0, &error));
        waitUntil([] { return false; }, 300);
        session.close();
        QVERIFY(!sender.isRunning());
        QVERIFY(finished.takeFirst().at(1).toString().startsWith("串口已关闭"));
        QFile::remove(file("big.bin"));
        QFile::remove(file("hex.txt"));
    }

    void modemLinesAndBaudRate()
    {
        makeForm();
        QVERIFY(openPort());
        QCOMPARE(find<QLabel>("labModemLines")->text(), QString("线路状态不可读"));
        check("ckRts")->click(); // a pty has no RTS: said, and not shown as set
        QVERIFY(lastLine("RTS").endsWith("串口不接受 RTS 设置"));
        QVERIFY(!check("ckRts")->isChecked());
        click("btnOpen");
        cable::wired = true;
        cable::consoleOut = TIOCM_DTR;
        cable::consoleIn = TIOCM_CTS;
        QVERIFY(openPort());
        QTRY_COMPARE(find<QLabel>("labModemLines")->text(), QString("CTS● DSR○ DCD○ RI○"));
        QVERIFY(!check("ckRts")->isChecked() && check("ckDtr")->isChecked());
        check("ckRts")->click();
        QCOMPARE(cable::consoleOut.load(), TIOCM_RTS | TIOCM_DTR); // seen at the far end
        check("ckDtr")->click();
        QCOMPARE(cable::consoleOut.load(), TIOCM_RTS);
        cable::consoleIn = TIOCM_DSR | TIOCM_RI;
        QTRY_COMPARE(find<QLabel>("labModemLines")->text(), QString("CTS○ DSR● DCD○ RI●"));
        QVERIFY(check("ckRts")->isChecked() && !check("ckDtr")->isChecked());
        click("btnOpen");
        cable::wired = false;
        // A rate the port refuses is said, and the rate it kept is the one used.
        cable::refuseCustomBaud = true;
        combo("cboxBaudRate")->setEditText("1234567");
        QVERIFY(openPort());
        cable::refuseCustomBaud = false;
        QVERIFY2(lastLine("波特率").contains("串口不接受波特率 1234567"),
                 qPrintable(lines().join('\n')));
    }
};

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
