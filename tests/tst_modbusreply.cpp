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

const QByteArray readRequest = hexBytes("01 03 0000 0002 C40B");   // two holding registers from 0
const QByteArray readReply = hexBytes("01 03 04 000A 0014 DA3E"); // 10 and 20
const QByteArray writeRequest = withCrc("01 06 0001 0003");       // answered by its echo

// A run of the matcher: 'R' sends a request, 'D' delivers bytes, 'T' lets a second pass.
// Steps are 10 ms apart; the lines that come out are joined by " | ", trusted ones marked "*".
struct Step {
    char what;
    QByteArray bytes;
};

QString run(const QVector<Step> &steps, RegisterFormat format = RegisterFormat())
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
            collect(matcher.receive(step.bytes, now, format));
        }
        collect(matcher.expire(now, format));
    }
    collect(matcher.expire(now + 1000, format));
    return lines.join(" | ");
}
} // namespace

class TestModbusReply : public QObject
{
    Q_OBJECT
private slots:
    void formatsAndRegisterData()
    {
        const QStringList names = formatChoices();
        QCOMPARE(names.size(), 14);
        for (int i = 0; i < names.size(); ++i) {
            // The entry names its format ("32 位无符号 CDAB" for "uint32:CDAB"), whose setting reads back as it.
            const QString text = formatSettingText(formatAt(i)), name = names.at(i);
            QVERIFY2(name.startsWith(text.contains("16") ? "16 " : "32 ") && name.endsWith(text.section(':', 1))
                         && name.contains(text.startsWith('u') ? "无符号" : text.startsWith('f') ? "浮点" : "有符号"),
                     qPrintable(name + " / " + text));
            RegisterFormat parsed{VF::UInt32, WordOrder::DCBA};
            QVERIFY2(parseFormatSetting(text, &parsed) && indexOfFormat(parsed) == i, qPrintable(text));
        }
        // Stored in settings files, so these texts must not change.
        QCOMPARE(indexOfFormat({VF::UInt16, WordOrder::DCBA}), 1); // no order at 16 bits
        QCOMPARE(formatAt(14), RegisterFormat());
        QCOMPARE(formatSettingText(formatFromSetting("float:abcd")), QString("int16"));
        for (const char *bad : {"int16:ABCD", "float", "int32:", "", "FLOAT:abcd", "float:ABDC", " int16", "int32:ABCD:CDAB"}) {
            RegisterFormat untouched{VF::Float32, WordOrder::BADC};
            QVERIFY2(!parseFormatSetting(QLatin1String(bad), &untouched) && formatSettingText(untouched) == "float:BADC", bad);
        }

        // Register data as text; its numbers are checked against pymodbus below and in tst_peers.
        const struct { const char *wire; RegisterFormat format; const char *text; } rows[] = {
            {"007B FFFF 8000 7FFF 00", {VF::Int16}, "123 -1 -32768 32767 "}, // odd byte ignored
            {"007B FFFF 8000", {VF::UInt16}, "123 65535 32768 "},
            {"8000 0000 7FFF FFFF", {VF::Int32}, "-2147483648 2147483647 "},
            {"FEDC BA98 0001", {VF::UInt32}, "4275878552 (余 1 个寄存器)"},
            {"0FDB 4049 CCCD 3DCC 02F9 5015 C5AC 3727 0000 7FC0 0000 7F80 0000 FF80", {VF::Float32, WordOrder::CDAB},
             "3.141593 0.1 1e+10 1e-05 NaN Inf -Inf "}}; // seven significant digits
        for (const auto &r : rows) {
            const DecodedValues got = decodeRegisterData(hexBytes(r.wire), r.format);
            QCOMPARE(got.text, QString(r.text));
            QCOMPARE(got.leftoverRegisters, QString(r.text).contains("余") ? 1 : 0);
        }
    }

    void pairing()
    {
        const QByteArray read2 = withCrc("01 03 0064 0002"), reply2 = withCrc("01 03 04 001E 0028"); // 30 40
        const QByteArray exception = hexBytes("01 83 02 C0F1"), silence = "无应答: 从站 1, 功能码 03, 等待 300 ms";
        const struct { const char *name; QVector<Step> steps; QString lines; } rows[] = {
            {"reply", {{'R', readRequest}, {'D', readReply}}, "*10 20 "},
            {"noise first", {{'R', readRequest}, {'D', QByteArray(1, '\0') + readReply}}, "跳过 1 字节噪声: 00 | *10 20 "},
            {"noise alone", {{'R', readRequest}, {'D', "\xFF"}, {'D', readReply}}, "跳过 1 字节噪声: FF | *10 20 "},
            {"echo", {{'R', readRequest}, {'D', readRequest.left(5)}, {'D', readRequest.mid(5) + readReply}},
             "跳过本机请求的回显 (8 字节) | *10 20 "},
            {"other slave", {{'R', readRequest}, {'D', withCrc("02 03 04 1111 2222")}},
             "应答不符: 从站地址应为 1, 收到 2 (02 03 04 11 11 22 22 04 B3)"},
            {"other function", {{'R', readRequest}, {'D', withCrc("01 04 04 000A 0014")}},
             "应答不符: 功能码应为 03, 收到 04 (01 04 04 00 0A 00 14 DB 89)"},
            {"both", {{'R', readRequest}, {'D', withCrc("02 84 02")}},
             "应答不符: 从站地址应为 1, 收到 2; 功能码应为 03, 收到 04 (02 84 02 32 C1)"},
            {"too many registers", {{'R', readRequest}, {'D', withCrc("01 03 08 0001 0002 0003 0004")}},
             "字节数不符: 应为 4, 收到 8"},
            {"bad CRC", {{'R', readRequest}, {'D', hexBytes("01 03 04 000A 0014 DA3F")}}, "10 20 CRC错误: 应为 DA 3E"},
            {"exception", {{'R', readRequest}, {'D', exception.left(2)}, {'D', exception.mid(2)}},
             "异常响应: 功能码 03, 异常码 02 (非法数据地址)"},
            {"text", {{'R', readRequest}, {'D', "hello world\r\n"}}, "不是应答 (13 字节) | " + silence},
            {"silence", {{'R', readRequest}, {'T', {}}, {'D', {}}}, silence},
            {"short", {{'R', readRequest}, {'D', readReply.left(5)}}, "10 (不完整: 收到 5/9 字节)"},
            {"two in one", {{'R', readRequest}, {'R', read2}, {'D', readReply + reply2}}, "*10 20  | *30 40 "},
            {"late, newer waiting", {{'R', readRequest}, {'T', {}}, {'R', withCrc("01 03 0064 0004")},
                                      {'D', readReply}}, silence + " | 迟到的应答 (已判无应答): 10 20  | " + silence},
            {"late, none waiting", {{'R', readRequest}, {'T', {}}, {'D', readReply}},
             silence + " | 迟到的应答 (已判无应答): 10 20 "},
            {"write", {{'R', writeRequest}, {'D', writeRequest}}, ""},
            {"wrong write", {{'R', writeRequest}, {'D', withCrc("01 06 0001 0004")}},
             "写入应答不符: 应为 01 06 00 01 00 03, 收到 01 06 00 01 00 04"},
            {"broadcast", {{'R', withCrc("00 06 0001 0003")}, {'T', {}}}, ""},
            {"unasked reply", {{'D', withCrc("01 03 02 007B")}}, "123 "},
            {"unasked, two in one", {{'D', withCrc("01 03 02 007B") + withCrc("01 03 02 007B")}}, ""},
            {"unasked exception", {{'D', exception}}, "异常响应: 功能码 03, 异常码 02 (非法数据地址)"},
            {"unasked text", {{'D', "hello world\r\n"}, {'D', QByteArray(1, '\0') + readReply}}, ""},
            {"unasked write", {{'D', writeRequest}}, ""},
        };
        for (const auto &r : rows) {
            QVERIFY2(run(r.steps) == r.lines, qPrintable(QString("%1: %2").arg(r.name, run(r.steps))));
        }
        // A reply cut into up to three pieces at every position: one whole reply each time.
        for (int i = 1; i < readReply.size(); ++i) {
            for (int j = i; j < readReply.size(); ++j) {
                QVector<Step> steps{{'R', readRequest}};
                for (const QByteArray &piece : {readReply.left(i), readReply.mid(i, j - i), readReply.mid(j)}) {
                    steps << Step{'D', piece};
                }
                QCOMPARE(run(steps), QString("*10 20 "));
            }
        }
        // Values of the chosen format, their first register and width, for the chart.
        ReplyMatcher matcher;
        ModbusRequest request;
        QVERIFY(parseRequest(withCrc("01 04 0102 0002"), &request));
        matcher.sent(request, 0, 300);
        const QVector<ReplyDecode> got = matcher.receive(withCrc("01 04 04 0FDB 4049"), 5, {VF::Float32, WordOrder::CDAB});
        QVERIFY(got.size() == 1 && got[0].trusted && got[0].text == "3.141593 ");
        QVERIFY(got[0].firstRegister == 258 && got[0].registersPerValue == 2 && got[0].functionCode == 4);
    }

    void timeLimits()
    {
        // Each piece gives the rest its time again; the next request's time starts when the one
        // before is answered; a request that is never answered is given up in turn.
        ReplyMatcher matcher;
        ModbusRequest a, b;
        QVERIFY(parseRequest(readRequest, &a) && parseRequest(withCrc("01 03 0064 0002"), &b));
        matcher.sent(a, 0, 300);
        matcher.sent(b, 0, 300);
        QVERIFY(matcher.receive(readReply.left(3), 290, {}).isEmpty() && matcher.expire(589, {}).isEmpty());
        QCOMPARE(matcher.receive(readReply.mid(3), 589, {}).size(), 1);
        QVERIFY(matcher.expire(888, {}).isEmpty());
        const QVector<ReplyDecode> late = matcher.expire(889, {});
        QVERIFY(late.size() == 1 && late[0].kind == ReplyDecode::NoReply && matcher.pendingCount() == 0);
        // Beyond the bound the oldest are given up at once.
        for (int i = 0; i < ReplyMatcher::maxPending + 3; ++i) {
            matcher.sent(a, 1000, 300);
        }
        QCOMPARE(matcher.expire(1000, {}).size(), 3);
        QCOMPARE(matcher.pendingCount(), ReplyMatcher::maxPending);
    }

    void timeouts()
    {
        // The request and the reply on the wire, 3.5 characters of silence, the device's time.
        const struct { double charMs; int request, reply, ms; } rows[] = {
            {10 / 9.6, 8, 9, 222}, {12 / 1.2, 8, 0, 315}, {0.01, 0, 0, 201}, // 200.035 up
            {200, 8, 255, 53500}, {0, 8, 9, 1000}, {-1, 8, 9, 1000}};     // unknown: 1 s
        for (const auto &r : rows) {
            QCOMPARE(replyTimeoutMs(r.charMs, r.request, r.reply), r.ms);
        }
        // Reply lengths of the requests the console knows; 0 for what awaits nothing.
        const std::pair<QByteArray, int> lengths[] = {
            {readRequest, 9}, {withCrc("01 03 0000 007D"), 255}, {writeRequest, 8}, {withCrc("01 05 0000 FF00"), 8},
            {withCrc("01 01 0000 000A"), 7}, {withCrc("01 0F 0000 000A 02 FF03"), 8}, {withCrc("01 10 0000 0001 02 0007"), 8},
            {withCrc("01 04 0000 0080"), 0}, {withCrc("01 03 0000 0000"), 0}, {hexBytes("01 03 0000 0002 0000"), 0},
            {withCrc("01 10 0000 0001 03 0007"), 0}, {withCrc("01 07 0000 0001"), 0}};
        for (const auto &l : lengths) {
            ModbusRequest request;
            QCOMPARE(parseRequest(l.first, &request) ? request.replyLength : 0, l.second);
        }
    }

    // Against another encoder: pymodbus names the order by byte order inside a register and
    // register order (ABCD = big/big, CDAB = big/little, BADC = little/big, DCBA = little/little).
    void valuesEncodedByPymodbus()
    {
        const struct { const char *kind; VF format; QVector<double> values; } kinds[] = {
            {"int32", VF::Int32, {305419896, -19088744, -2147483648.0, 2147483647, 0, -1, 65536}},
            {"uint32", VF::UInt32, {305419896, 4275878552.0, 4294967295.0, 0, 65535, 65536}},
            {"float", VF::Float32, {1.5, -273.15, 0.1, 3.4028234663852886e38, 1e-40, qQNaN(), qInf(), -qInf()}}};
        const struct { WordOrder order; QStringList switches; } orders[] = {
            {WordOrder::ABCD, {"big", "big"}}, {WordOrder::CDAB, {"big", "little"}},
            {WordOrder::BADC, {"little", "big"}}, {WordOrder::DCBA, {"little", "little"}}};
        for (const auto &k : kinds) {
            for (const auto &o : orders) {
                QStringList args = QStringList{QFINDTESTDATA("pymodbus_registers.py"), k.kind} + o.switches;
                for (double v : k.values) {
                    args << QString::number(v, 'g', 17);
                }
                QProcess python;
                python.start("/usr/bin/python3", args);
                QVERIFY2(python.waitForFinished(20000), "/usr/bin/python3 is missing (Debian package python3-pymodbus)");
                QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
                const QByteArray registers = hexBytes(python.readAllStandardOutput().trimmed().constData());
                const QVector<double> got = decodeRegisterData(registers, {k.format, o.order}).numbers;
                QCOMPARE(got.size(), k.values.size());
                for (int i = 0; i < got.size(); ++i) {
                    const double want = k.format == VF::Float32 ? double(float(k.values.at(i))) : k.values.at(i);
                    QVERIFY2(got.at(i) == want || (qIsNaN(got.at(i)) && qIsNaN(want)),
                             qPrintable(QString("%1 %2: %3").arg(k.kind, o.switches.join('/')).arg(got.at(i))));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestModbusReply)
#include "tst_modbusreply.moc"
