// Replies to the console's own requests: assembled from pieces, checked and decoded.
#include "checksums.h"
#include "modbusreply.h"
#include "replymatcher.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

using VF = ValueFormat;

namespace {
QByteArray withCrc(const char *hex)
{
    const QByteArray frame = hexBytes(hex);
    const quint16 crc = modbusCrc(frame); // wire order already
    return frame + char(crc >> 8) + char(crc & 0xFF);
}

const QByteArray readRequest = hexBytes("01 03 0000 0002 C40B");  // two holding registers from 0
const QByteArray readReply = hexBytes("01 03 04 000A 0014 DA3E"); // 10 and 20
const QByteArray writeRequest = withCrc("01 06 0001 0003");       // answered by its echo

// A run of the matcher: 'R' sends a request, 'D' delivers bytes, 'T' lets a second pass.
// Steps are 10 ms apart; the lines that come out are joined by " | ", trusted ones marked "*".
struct Step {
    char what;
    QByteArray bytes;
};
using Steps = QVector<Step>;

QString run(const Steps &steps)
{
    ReplyMatcher matcher;
    QStringList lines;
    qint64 now = 0;
    const auto collect = [&](const QVector<ReplyDecode> &out) {
        for (const ReplyDecode &d : out) {
            if (!d.text.isEmpty()) {
                lines << (d.trusted ? "*" : "") + d.text;
            }
        }
    };
    for (const Step &step : steps) {
        now += step.what == 'T' ? 1000 : 10;
        ModbusRequest request;
        if (step.what == 'R' && parseRequest(step.bytes, &request)) {
            matcher.sent(request, now, 300);
        } else if (step.what == 'D') {
            collect(matcher.receive(step.bytes, now, {}));
        }
        collect(matcher.expire(now, {}));
    }
    collect(matcher.expire(now + 1000, {}));
    return lines.join(" | ");
}
} // namespace

Q_DECLARE_METATYPE(Steps)

class TestModbusReply : public QObject
{
    Q_OBJECT
private slots:
    void formatsAndTheirSettings()
    {
        // The combo box lists kinds, each with its four orders; settings store the texts. The
        // first 14 are those older settings files name by index.
        QCOMPARE(formatChoices().size(), 27);
        QCOMPARE(formatChoices().at(7), QString("32 位无符号 CDAB"));
        QStringList texts;
        for (int i = 0; i < 14; ++i) {
            texts << formatSettingText(formatAt(i));
        }
        QCOMPARE(texts, QStringList({"int16", "uint16", "int32:ABCD", "int32:CDAB", "int32:BADC",
                                     "int32:DCBA", "uint32:ABCD", "uint32:CDAB", "uint32:BADC",
                                     "uint32:DCBA", "float:ABCD", "float:CDAB", "float:BADC",
                                     "float:DCBA"}));
        for (int i = 0; i < texts.size(); ++i) {
            RegisterFormat parsed{VF::UInt32, WordOrder::DCBA};
            QVERIFY(parseFormatSetting(texts[i], &parsed));
            QCOMPARE(indexOfFormat(parsed), i);
        }
        QCOMPARE(indexOfFormat({VF::UInt16, WordOrder::DCBA}), 1); // no order at 16 bits
        QCOMPARE(formatAt(27), RegisterFormat());
        // Anything else is refused and changes nothing; read as a setting it is int16.
        RegisterFormat untouched{VF::Float32, WordOrder::BADC};
        QVERIFY(!parseFormatSetting("int16:ABCD", &untouched));
        QVERIFY(!parseFormatSetting("FLOAT:abcd", &untouched));
        QVERIFY(!parseFormatSetting("int32:", &untouched));
        QCOMPARE(formatSettingText(untouched), QString("float:BADC"));
        QCOMPARE(formatFromSetting("float:abcd"), RegisterFormat());
    }

    void registerData_data()
    {
        // Numbers are checked against pymodbus below and in tst_peers.
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("leftover");
        QTest::newRow("int16, odd byte ignored") << hexBytes("007B FFFF 8000 7FFF 00") << "int16"
                                                 << "123 -1 -32768 32767 " << 0;
        QTest::newRow("uint16") << hexBytes("007B FFFF 8000") << "uint16"
                                << "123 65535 32768 " << 0;
        QTest::newRow("uint32, one register over") << hexBytes("FEDC BA98 0001") << "uint32:ABCD"
                                                   << "4275878552 (余 1 个寄存器)" << 1;
        QTest::newRow("float, seven significant digits")
            << hexBytes("0FDB 4049 CCCD 3DCC 02F9 5015 C5AC 3727 0000 7FC0 0000 7F80 0000 FF80")
            << "float:CDAB"
            << "3.141593 0.1 1e+10 1e-05 NaN Inf -Inf " << 0;
    }

    void registerData()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QFETCH(int, leftover);
        const DecodedValues got = decodeRegisterData(wire, formatFromSetting(format));
        QCOMPARE(got.text, text);
        QCOMPARE(got.leftoverRegisters, leftover);
    }

    void lateMemory()
    {
        // A reply is known as late for lateMemoryMs after its request was given up, no longer.
        for (const qint64 after : {ReplyMatcher::lateMemoryMs, ReplyMatcher::lateMemoryMs + 1}) {
            ReplyMatcher matcher;
            ModbusRequest request;
            QVERIFY(parseRequest(readRequest, &request));
            matcher.sent(request, 0, 100);
            QCOMPARE(matcher.expire(100, {}).size(), 1);
            const QVector<ReplyDecode> out = matcher.receive(readReply, 100 + after, {});
            QCOMPARE(out.size(), 1);
            QCOMPARE(out.at(0).kind == ReplyDecode::Late, after == ReplyMatcher::lateMemoryMs);
        }
    }

    void pairing_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<QString>("lines");
        const auto row = [](const char *name, const Steps &steps, const QString &lines) {
            QTest::newRow(name) << steps << lines;
        };
        const auto in = [](const QByteArray &bytes) { return Step{'D', bytes}; };
        const QByteArray read2 = withCrc("01 03 0064 0002"), reply2 = withCrc("01 03 04 001E 0028");
        const QByteArray exception = hexBytes("01 83 02 C0F1"), zero(1, '\0');
        const QByteArray other = withCrc("02 03 04 1111 2222"); // another slave's reply
        const QString silence = "无应答: 从站 1, 功能码 03, 等待 300 ms";
        const QString late = "迟到的应答 (已判无应答): 10 20 ";
        const Step ask{'R', readRequest}, reply = in(readReply), pass{'T', {}};
        row("reply", {ask, reply}, "*10 20 ");
        row("noise first", {ask, in(zero + readReply)}, "跳过 1 字节噪声: 00 | *10 20 ");
        row("noise alone", {ask, in("\xFF"), reply}, "跳过 1 字节噪声: FF | *10 20 ");
        row("echo", {ask, in(readRequest.left(5)), in(readRequest.mid(5) + readReply)},
            "跳过本机请求的回显 (8 字节) | *10 20 ");
        row("other slave", {ask, in(other)},
            "应答不符: 从站地址应为 1, 收到 2 (02 03 04 11 11 22 22 04 B3)");
        row("other function", {ask, in(withCrc("01 04 04 000A 0014"))},
            "应答不符: 功能码应为 03, 收到 04 (01 04 04 00 0A 00 14 DB 89)");
        row("other slave and function", {ask, in(withCrc("02 84 02"))},
            "应答不符: 从站地址应为 1, 收到 2; 功能码应为 03, 收到 04 (02 84 02 32 C1)");
        row("too many registers", {ask, in(withCrc("01 03 08 0001 0002 0003 0004"))},
            "字节数不符: 应为 4, 收到 8");
        row("bad CRC", {ask, in(hexBytes("01 03 04 000A 0014 DA3F"))}, "10 20 CRC错误: 应为 DA 3E");
        row("exception", {ask, in(exception.left(2)), in(exception.mid(2))},
            "异常响应: 功能码 03, 异常码 02 (非法数据地址)");
        row("exception without CRC", {ask, in(exception.left(3))},
            "异常响应: 功能码 03, 异常码 02 (非法数据地址) (不完整: 收到 3/5 字节)");
        row("text", {ask, in("hello world\r\n")}, "不是应答 (13 字节) | " + silence);
        row("silence", {ask, pass, in({})}, silence);
        row("short", {ask, in(readReply.left(5))}, "10 (不完整: 收到 5/9 字节)");
        row("two in one", {ask, {'R', read2}, in(readReply + reply2)}, "*10 20  | *30 40 ");
        row("late, newer waiting", {ask, pass, {'R', withCrc("01 03 0064 0004")}, reply},
            silence + " | " + late + " | " + silence);
        row("late, none waiting", {ask, pass, reply}, silence + " | " + late);
        // Answered when its time ran out, the first request leaves the next one its own time.
        row("next keeps its time",
            {ask, {'R', read2}, in(readRequest.left(6)), pass, in(other.mid(1))},
            "CRC错误: 应为 20 F0 | 应答不符: 从站地址应为 1, 收到 2 (02 03 04 11 11 22 22 04 B3)");
        row("write", {{'R', writeRequest}, in(writeRequest)}, "");
        row("wrong write", {{'R', writeRequest}, in(withCrc("01 06 0001 0004"))},
            "写入应答不符: 应为 01 06 00 01 00 03, 收到 01 06 00 01 00 04");
        row("broadcast", {{'R', withCrc("00 06 0001 0003")}, pass}, "");
        row("unasked reply", {in(withCrc("01 03 02 007B"))}, "123 ");
        row("unasked, two in one", {in(withCrc("01 03 02 007B") + withCrc("01 03 02 007B"))}, "");
        row("unasked exception", {in(exception)}, "异常响应: 功能码 03, 异常码 02 (非法数据地址)");
        row("unasked text", {in("hello world\r\n"), in(zero + readReply)}, "");
        row("unasked write", {in(writeRequest)}, "");
    }

    void pairing()
    {
        QFETCH(Steps, steps);
        QFETCH(QString, lines);
        QCOMPARE(run(steps), lines);
    }

    void replyInPieces()
    {
        // Cut into up to three pieces at every position: one whole reply each time.
        for (int i = 1; i < readReply.size(); ++i) {
            for (int j = i; j < readReply.size(); ++j) {
                const QByteArray first = readReply.left(i), second = readReply.mid(i, j - i);
                const Steps steps{
                    {'R', readRequest}, {'D', first}, {'D', second}, {'D', readReply.mid(j)}};
                QCOMPARE(run(steps), QString("*10 20 "));
            }
        }
    }

    void valuesForTheChart()
    {
        // Values of the chosen format, their first register and width.
        ReplyMatcher matcher;
        ModbusRequest request;
        QVERIFY(parseRequest(withCrc("01 04 0102 0002"), &request));
        matcher.sent(request, 0, 300);
        const QVector<ReplyDecode> got =
            matcher.receive(withCrc("01 04 04 0FDB 4049"), 5, {VF::Float32, WordOrder::CDAB});
        QCOMPARE(got.size(), 1);
        QVERIFY(got[0].trusted);
        QCOMPARE(got[0].text, QString("3.141593 "));
        QCOMPARE(got[0].firstRegister, 258);
        QCOMPARE(got[0].registersPerValue, 2);
        QCOMPARE(got[0].functionCode, 4);
    }

    void timeLimits()
    {
        // Each piece gives the rest its time again; the next request's time starts when the one
        // before is answered; a request that is never answered is given up in turn.
        ReplyMatcher matcher;
        ModbusRequest a, b;
        QVERIFY(parseRequest(readRequest, &a));
        QVERIFY(parseRequest(withCrc("01 03 0064 0002"), &b));
        matcher.sent(a, 0, 300);
        matcher.sent(b, 0, 300);
        QCOMPARE(matcher.receive(readReply.left(3), 290, {}).size(), 0);
        QCOMPARE(matcher.expire(589, {}).size(), 0);
        QCOMPARE(matcher.receive(readReply.mid(3), 589, {}).size(), 1);
        QCOMPARE(matcher.expire(888, {}).size(), 0);
        const QVector<ReplyDecode> late = matcher.expire(889, {});
        QCOMPARE(late.size(), 1);
        QCOMPARE(late[0].kind, ReplyDecode::NoReply);
        QCOMPARE(matcher.pendingCount(), 0);
        // Beyond the bound the oldest are given up at once.
        for (int i = 0; i < ReplyMatcher::maxPending + 3; ++i) {
            matcher.sent(a, 1000, 300);
        }
        QCOMPARE(matcher.expire(1000, {}).size(), 3);
        QCOMPARE(matcher.pendingCount(), ReplyMatcher::maxPending);
    }

    // clang-format off
    void timeouts()
    {
        // The request and the reply on the wire, 3.5 characters of silence, the device's time.
        const struct { double charMs; int request, reply, ms; } rows[] = {
            {10 / 9.6, 8, 9, 222}, {12 / 1.2, 8, 0, 315}, {0.01, 0, 0, 201}, // 200.035 up
            {200, 8, 255, 53500}, {0, 8, 9, 1000}, {-1, 8, 9, 1000}};     // unknown: 1 s
        for (const auto &r : rows) {
            QCOMPARE(replyTimeoutMs(r.charMs, r.request, r.reply), r.ms);
        }
    }
    // clang-format on

    void replyLengths_data()
    {
        // Of the requests the console knows; 0 for what awaits nothing.
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("length");
        QTest::newRow("read registers") << readRequest << 9;
        QTest::newRow("longest read") << withCrc("01 03 0000 007D") << 255;
        QTest::newRow("write register") << writeRequest << 8;
        QTest::newRow("write coil") << withCrc("01 05 0000 FF00") << 8;
        QTest::newRow("read coils") << withCrc("01 01 0000 000A") << 7;
        QTest::newRow("write coils") << withCrc("01 0F 0000 000A 02 FF03") << 8;
        QTest::newRow("write registers") << withCrc("01 10 0000 0001 02 0007") << 8;
        QTest::newRow("read too long") << withCrc("01 04 0000 0080") << 0;
        QTest::newRow("read nothing") << withCrc("01 03 0000 0000") << 0;
        QTest::newRow("bad CRC") << hexBytes("01 03 0000 0002 0000") << 0;
        QTest::newRow("byte count off") << withCrc("01 10 0000 0001 03 0007") << 0;
        QTest::newRow("unknown function") << withCrc("01 07 0000 0001") << 0;
    }

    void replyLengths()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, length);
        ModbusRequest parsed;
        QCOMPARE(parseRequest(request, &parsed) ? parsed.replyLength : 0, length);
    }

    // Against another encoder: pymodbus names the order by byte order inside a register and
    // register order (ABCD = big/big, CDAB = big/little, BADC = little/big, DCBA = little/little).
    void valuesEncodedByPymodbus_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("switches");
        QTest::addColumn<QVector<double>>("values");
        const std::pair<const char *, QVector<double>> kinds[] = {
            {"int32", {305419896, -19088744, -2147483648.0, 2147483647, 0, -1, 65536}},
            {"uint32", {305419896, 4275878552.0, 4294967295.0, 0, 65535, 65536}},
            {"float", {1.5, -273.15, 0.1, 3.4028234663852886e38, 1e-40, qQNaN(), qInf(), -qInf()}}};
        const std::pair<const char *, QStringList> orders[] = {{"ABCD", {"big", "big"}},
                                                               {"CDAB", {"big", "little"}},
                                                               {"BADC", {"little", "big"}},
                                                               {"DCBA", {"little", "little"}}};
        for (const auto &kind : kinds) {
            for (const auto &order : orders) {
                QTest::addRow("%s:%s", kind.first, order.first)
                    << kind.first << order.first << order.second << kind.second;
            }
        }
    }

    void valuesEncodedByPymodbus()
    {
        QFETCH(QString, kind);
        QFETCH(QString, order);
        QFETCH(QStringList, switches);
        QFETCH(QVector<double>, values);
        QStringList args = QStringList{QFINDTESTDATA("pymodbus_registers.py"), kind} + switches;
        for (double v : values) {
            args << QString::number(v, 'g', 17);
        }
        QProcess python;
        python.start("/usr/bin/python3", args);
        QVERIFY2(python.waitForFinished(20000), "needs /usr/bin/python3 with python3-pymodbus");
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QByteArray registers = hexBytes(python.readAllStandardOutput().trimmed().constData());
        const RegisterFormat format = formatFromSetting(kind + ":" + order);
        const QVector<double> got = decodeRegisterData(registers, format).numbers;
        QCOMPARE(got.size(), values.size());
        for (int i = 0; i < got.size(); ++i) {
            const double want = kind == "float" ? double(float(values.at(i))) : values.at(i);
            QCOMPARE(got.at(i), want); // NaN matches NaN
        }
    }
};

QTEST_GUILESS_MAIN(TestModbusReply)
#include "tst_modbusreply.moc"
