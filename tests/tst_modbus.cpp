// Modbus on the console's side: the requests it builds, the replies they expect, the matching
// of what arrives with them, and the register formats values are decoded in.
#include "modbusreply.h"
#include "replymatcher.h"
#include "requestframe.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>

using VF = ValueFormat;

namespace {
const QByteArray readRequest = hexBytes("01 03 0000 0002 C40B");  // two holding registers from 0
const QByteArray readReply = hexBytes("01 03 04 000A 0014 DA3E"); // 10 and 20
const QByteArray writeRequest = withCrc("01 06 0001 0003");       // answered by its echo

ModbusRequest parsed(const QByteArray &frame)
{
    ModbusRequest r;
    return parseRequest(frame, &r) ? r : ModbusRequest();
}

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

class TestModbus : public QObject
{
    Q_OBJECT
private slots:
    void requests_data()
    {
        QTest::addColumn<QString>("fields"); // address|function|register|count or value|list
        QTest::addColumn<QString>("result"); // the frame, or "field: error"
        QTest::addColumn<int>("replyLength");
        const auto row = [](const char *name, const QString &fields, const QString &result,
                            int replyLength = 0) {
            QTest::newRow(name) << fields << result << replyLength;
        };
        // Frames as pymodbus builds them; FC 1 and 15 are those of the protocol's own examples.
        row("01", "17|01 读线圈|19|37|", "11 01 00 13 00 25 0E 84 ", 5 + 5);
        row("02 most", "247|2|196|2000|", "F7 02 00 C4 07 D0 2E CD ", 5 + 250);
        row("03", "1|03 读保持寄存器|107| 3 |", "01 03 00 6B 00 03 74 17 ", 5 + 6);
        row("04 last", "4|04 读输入寄存器|65535|1|", "04 04 FF FF 00 01 31 BB ", 5 + 2);
        row("05 on", "17|05 写单个线圈|172| On |", "11 05 00 AC FF 00 4E 8B ", 8);
        row("05 off broadcast", "0|5|172|0|", "00 05 00 AC 00 00 0C 3A ", 8);
        row("06", "9|06 写单个寄存器|1|6699|1 2", "09 06 00 01 1A 2B 92 3D ", 8);
        row("06 lowest", "17|6|1|-32768|", "11 06 00 01 80 00 BB 5A ", 8);
        row("0F", "17|0F 写多个线圈|19||1 0 1 1 0 0 1 1 1 0", "11 0F 00 13 00 0A 02 CD 01 BF 0B ",
            8);
        row("10", "17|10 写多个寄存器|1|3|10, -5 0x1A2B",
            "11 10 00 01 00 03 06 00 0A FF FB 1A 2B 1B 4E ", 8);
        row("10 to the end", "0|16|65534||0X8000 65535", "00 10 FF FE 00 02 04 80 00 FF FF 14 1F ",
            8);

        const QString function = "fid: 功能码应为 1-6, 15 (0F) 或 16 (10), 现为 \"%1\"";
        row("function 7", "1|7|0|1|", function.arg("7"));
        row("function bare hex", "1|0F|0|1|1", function.arg("0F"));
        row("read broadcast", "0|1|0|1|", "pid: 通讯地址应为 1-247 的整数, 现为 \"0\"");
        row("address 1.5", "1.5|3|0|1|", "pid: 通讯地址应为 1-247 的整数, 现为 \"1.5\"");
        row("write 248", "248|0F 写多个线圈|0||1",
            "pid: 通讯地址应为 0-247 (0 为广播) 的整数, 现为 \"248\"");
        row("register 65536", "1|5|65536|1|", "addr: 内存地址应为 0-65535 的整数, 现为 \"65536\"");
        const QString count = "value: 读取数量应为 %1 的整数, 现为 \"%2\"";
        row("01 count 2001", "1|1|0|2001|", count.arg("1-2000", "2001"));
        row("02 count 0", "1|2|0|0|", count.arg("1-2000", "0"));
        row("04 count 126", "1|4|0|126|", count.arg("1-125", "126"));
        row("03 past 65535", "1|3|65530|7|", count.arg("1-6 (从地址 65530 起)", "7"));
        row("05 value 2", "1|5|0|2|", "value: 写入值应为 1 (on) 或 0 (off), 现为 \"2\"");
        const QString value = "value: 写入值应为 0-65535 或 -32768 到 -1 的整数, 现为 \"%1\"";
        row("06 value 65536", "1|6|0|65536|", value.arg("65536"));
        row("06 value -32769", "1|6|0|-32769|", value.arg("-32769"));
        row("0F bit 2", "1|15|0||1 0 2", "data: 写入数据第 3 个应为 0 或 1, 现为 \"2\"");
        const QString items = "data: 写入数据应为 %1 个值, 现为 %2 个";
        row("0F 1969 bits", "1|15|0||" + QString("1 ").repeated(1969), items.arg("1-1968", "1969"));
        row("0F past 65535", "1|15|65535||1 1", items.arg("1 (从地址 65535 起)", "2"));
        row("10 nothing", "1|16|0|| , ", items.arg("1-123", "0"));
        row("10 124 values", "1|16|0||" + QString("7 ").repeated(124), items.arg("1-123", "124"));
        const QString word =
            "data: 写入数据第 2 个应为 0-65535, -32768 到 -1 或 0x0000-0xFFFF, 现为 \"%1\"";
        for (const char *item : {"-32769", "0x10000", "0x", "1.5"}) {
            row(item, QString("1|16|0||1 ") + item, word.arg(item));
        }
        row("10 miscounted", "1|16|0|2|1 2 3",
            "value: 写入数量应为 3 (写入数据的个数), 现为 \"2\"");
    }

    void requests()
    {
        QFETCH(QString, fields);
        QFETCH(QString, result);
        QFETCH(int, replyLength);
        const QStringList f = fields.split('|');
        const RequestRow row = checkRequest(f[0], f[1], f[2], f[3], f[4]);
        QCOMPARE(row.frame.isEmpty() ? row.field + ": " + row.error : requestText(row.frame),
                 result);
        QCOMPARE(row.error.isEmpty(), !row.frame.isEmpty());
        QCOMPARE(parsed(row.frame).replyLength, replyLength);
    }

    void requestLimits()
    {
        // The largest writes fill a frame's 255 bytes, and the console still knows their replies.
        const QString ones = QString("1 ").repeated(1968);
        const QByteArray bits = checkRequest("1", "15", "0", "1968", ones).frame;
        QVERIFY(bits.size() == 255 && parsed(bits).count == 1968 && parsed(bits).replyLength == 8);
        QCOMPARE(bits.mid(4, 4), QByteArray::fromHex("07B0F6FF"));
        const QByteArray words = checkRequest("1", "16", "0", "", ones.left(2 * 123)).frame;
        QVERIFY(words.size() == 255 && parsed(words).count == 123);
        QCOMPARE(parsed(words).replyLength, 8);
        // The form's four fields: the list of FC 15/16 is the value field.
        QCOMPARE(requestText(checkRequestRow("1", "16", "0", "1 2").frame),
                 QString("01 10 00 00 00 02 04 00 01 00 02 23 AE "));
        QCOMPARE(checkRequestRow("1", "16", "0", "1 x").field, QString("value"));
        // Frames the console does not know await nothing.
        for (const char *frame :
             {"01 04 0000 0080", "01 03 0000 0000", "01 10 0000 0001 03 0007", "01 07 0000 0001"}) {
            ModbusRequest request;
            QVERIFY2(!parseRequest(withCrc(frame), &request), frame);
        }
        ModbusRequest badCrc;
        QVERIFY(!parseRequest(hexBytes("01 03 0000 0002 0000"), &badCrc));

        // The function box's entries name their code in hex, a bare number is decimal.
        QCOMPARE(functionFromChoice(" 16 "), 16);
        QCOMPARE(functionFromChoice("10 Write Multiple Registers"), 16);
        QCOMPARE(
            functionFromChoice("0F") + functionFromChoice("读线圈") + functionFromChoice("256"), 0);
    }

    void replies()
    {
        const auto judge = [](const char *request, const char *reply) {
            return judgeReply(parsed(withCrc(request)), withCrc(reply), {ValueFormat::Float64});
        };
        // Coils and inputs are bits, first one lowest, as many as were asked.
        const ReplyDecode bits = judge("11010013000A", "110102CDFF");
        QCOMPARE(bits.kind, ReplyDecode::Values);
        QCOMPARE(bits.text, QString("1 0 1 1 0 0 1 1 1 1 "));
        QCOMPARE(bits.numbers, (QVector<double>{1, 0, 1, 1, 0, 0, 1, 1, 1, 1}));
        QCOMPARE(judge("110200000001", "11020101").text, QString("1 "));
        QCOMPARE(judge("110200000009", "11020101").kind, ReplyDecode::CountMismatch);
        // Writes are answered by the echo of their first six bytes (more in pairing), or refused.
        QCOMPARE(judge("1110000100020400010002", "111000010001").text,
                 QString("写入应答不符: 应为 11 10 00 01 00 02, 收到 11 10 00 01 00 01"));
        QCOMPARE(judge("1110000100020400010002", "119002").kind, ReplyDecode::Exception);
    }

    void lateMemory()
    {
        // A reply is known as late for lateMemoryMs after its request was given up, no longer.
        for (const qint64 after : {ReplyMatcher::lateMemoryMs, ReplyMatcher::lateMemoryMs + 1}) {
            ReplyMatcher matcher;
            matcher.sent(parsed(readRequest), 0, 100);
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
        const QString otherLine = "应答不符: 从站地址应为 1, 收到 2 (02 03 04 11 11 22 22 04 B3)";
        const QString silence = "无应答: 从站 1, 功能码 03, 等待 300 ms";
        const QString late = "迟到的应答 (已判无应答): 10 20 ";
        const Step ask{'R', readRequest}, reply = in(readReply), pass{'T', {}};
        row("reply", {ask, reply}, "*10 20 ");
        row("noise first", {ask, in(zero + readReply)}, "跳过 1 字节噪声: 00 | *10 20 ");
        row("noise alone", {ask, in("\xFF"), reply}, "跳过 1 字节噪声: FF | *10 20 ");
        row("echo", {ask, in(readRequest.left(5)), in(readRequest.mid(5) + readReply)},
            "跳过本机请求的回显 (8 字节) | *10 20 ");
        row("other slave", {ask, in(other)}, otherLine);
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
        // After a wrong answer the next request still waits for the rest of its reply.
        row("other slave, then the next in pieces",
            {ask, {'R', read2}, in(other + reply2.left(4)), in(reply2.mid(4))},
            otherLine + " | *30 40 ");
        row("late, newer waiting", {ask, pass, {'R', withCrc("01 03 0064 0004")}, reply},
            silence + " | " + late + " | " + silence);
        row("late, none waiting", {ask, pass, reply}, silence + " | " + late);
        // Answered when its time ran out, the first request leaves the next one its own time.
        row("next keeps its time",
            {ask, {'R', read2}, in(readRequest.left(6)), pass, in(other.mid(1))},
            "CRC错误: 应为 20 F0 | " + otherLine);
        row("write", {{'R', writeRequest}, in(writeRequest)}, "");
        row("write coil", {{'R', withCrc("01 05 00AC FF00")}, in(withCrc("01 05 00AC FF00"))}, "");
        row("write registers",
            {{'R', withCrc("01 10 0000 0001 02 0007")}, in(withCrc("01 10 0000 0001"))}, "");
        row("write coils",
            {{'R', withCrc("01 0F 0000 0001 01 01")}, in(withCrc("01 0F 0000 0001"))}, "");
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

    void timeLimits()
    {
        // Each piece gives the rest its time again; the next request's time starts when the one
        // before is answered; a request that is never answered is given up in turn.
        ReplyMatcher matcher;
        const ModbusRequest a = parsed(readRequest), b = parsed(withCrc("01 03 0064 0002"));
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
        // The request and the reply on the wire, 3.5 characters of silence, the device's time.
        QCOMPARE(replyTimeoutMs(10 / 9.6, 8, 9), 222);
        QCOMPARE(replyTimeoutMs(12 / 1.2, 8, 0), 315);
        QCOMPARE(replyTimeoutMs(0.01, 0, 0), 201); // 200.035 up
        QCOMPARE(replyTimeoutMs(200, 8, 255), 53500);
        QCOMPARE(replyTimeoutMs(0, 8, 9), 1000); // unknown: 1 s
        QCOMPARE(replyTimeoutMs(-1, 8, 9), 1000);
        // Damaged bytes of another slave, whole by their function code, are said at once.
        ReplyMatcher other;
        other.sent(a, 0, 300);
        const QVector<ReplyDecode> said = other.receive(hexBytes("05 06 0002 0004 0000"), 10, {});
        QCOMPARE(said.value(0).text, QString("不是应答 (8 字节)"));
    }

    void formats_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("registers");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *setting, const char *hex, const QString &text) {
            const QString name = QString(setting) + ' ' + hex;
            QTest::newRow(qPrintable(name)) << QString(setting) << hexBytes(hex) << text;
        };
        row("int16", "007B FFFF 8000 7FFF 00", "123 -1 -32768 32767 "); // an odd byte ignored
        row("uint16", "FFFF 8000", "65535 32768 ");
        row("uint32:ABCD", "FEDC BA98 0001", "4275878552 (余 1 个寄存器)");
        // A is the value's highest byte: CDAB sends the low word first, BADC swaps the bytes
        // within each register, DCBA does both.
        row("int32:CDAB", "5678 1234 BA98 FEDC", "305419896 -19088744 ");
        row("int32:BADC", "3412 7856 DCFE 98BA", "305419896 -19088744 ");
        row("int32:DCBA", "7856 3412 98BA DCFE", "305419896 -19088744 ");
        row("uint32:CDAB", "FFFF FFFF 0000 0001", "4294967295 65536 ");
        row("uint32:BADC", "FFFF FFFF 0100 0000", "4294967295 65536 ");
        row("uint32:DCBA", "FFFF FFFF 0000 0100", "4294967295 65536 ");
        row("float:BADC", "88C3 3393 CC3D CDCC", "-273.15 0.1 ");
        row("float:DCBA", "3393 88C3 CDCC CC3D", "-273.15 0.1 ");
        row("float:CDAB", "0FDB 4049 CCCD 3DCC 02F9 5015 C5AC 3727 0000 7FC0 0000 7F80 0000 FF80",
            "3.141593 0.1 1e+10 1e-05 NaN Inf -Inf "); // seven significant digits
        row("float:ABCD", "8000 0000 C020 0000", "-0 -2.5 ");
        // 0x0102030405060708 in each order, the same rules on four registers.
        row("uint64:ABCD", "0102 0304 0506 0708", "72623859790382856 ");
        row("uint64:CDAB", "0708 0506 0304 0102", "72623859790382856 ");
        row("uint64:BADC", "0201 0403 0605 0807", "72623859790382856 ");
        row("uint64:DCBA", "0807 0605 0403 0201", "72623859790382856 ");
        row("int64:ABCD", "8000 0000 0000 0000 7FFF FFFF FFFF FFFF",
            "-9223372036854775808 9223372036854775807 ");
        row("int64:BADC", "FFFF FFFF FFFF FEFF", "-2 ");
        row("int64:ABCD", "0000 0000 0000 0001 0002 0003", "1 (余 2 个寄存器)");
        row("double:ABCD", "3FB9 9999 9999 999A 8000 0000 0000 0000", "0.1 -0 ");
        row("double:CDAB", "999A 9999 9999 3FB9", "0.1 ");
        row("double:DCBA", "0000 0000 0000 04C0", "-2.5 ");
        row("double:BADC", "F87F 0000 0000 0000 F07F 0000 0000 0000 F0FF 0000 0000 0000",
            "NaN Inf -Inf ");
        row("ascii", "4E6F 7276 616E 6520 5631 0000", "Norvane V1");
        // Inner NULs, controls, the backslash and bytes past ASCII escaped; an odd byte left out.
        row("ascii", "4100 421B 5C7F E97E 41", "A\\x00B\\x1B\\x5C\\x7F\\xE9~");
        row("ascii", "0000 0000", ""); // NULs only
    }

    void formats()
    {
        QFETCH(QString, setting);
        QFETCH(QByteArray, registers);
        QFETCH(QString, text);
        const RegisterFormat format = formatFromSetting(setting);
        QCOMPARE(formatSettingText(format), setting);
        QCOMPARE(decodeRegisterData(registers, format).text, text);
    }

    void formatNumbersAndChoices()
    {
        const auto numbers = [](const char *setting, const char *hex) {
            return decodeRegisterData(hexBytes(hex), formatFromSetting(setting)).numbers;
        };
        // 64-bit integers plot as the nearest double, NaN and -0 as they are, text not at all.
        QCOMPARE(numbers("int64:DCBA", "0000 0000 0000 0080"), QVector<double>{-0x1p63});
        QCOMPARE(numbers("uint64:ABCD", "FFFF FFFF FFFF FFFF"), QVector<double>{0x1p64});
        QVERIFY(std::isnan(numbers("double:ABCD", "7FF8 0000 0000 0001").value(0)));
        QVERIFY(std::signbit(numbers("double:ABCD", "8000 0000 0000 0000").value(0)));
        QVERIFY(numbers("ascii", "4142").isEmpty());
        const RegisterFormat doubles = formatFromSetting("double:CDAB");
        QCOMPARE(decodeRegisterData(QByteArray(12, '\0'), doubles).leftoverRegisters, 2);
        QCOMPARE(registersPerValue(formatFromSetting("int64:CDAB")), 4);

        // The 14 entries of old settings files (stored by index) keep their places; the new
        // ones follow, each read back as itself.
        const QStringList names = formatChoices();
        QCOMPARE(names.size(), 27);
        QCOMPARE(names.mid(13, 2), (QStringList{"32 位浮点 DCBA", "64 位有符号 ABCD"}));
        QCOMPARE(names.mid(25), (QStringList{"64 位浮点 DCBA", "ASCII 字符串"}));
        QCOMPARE(formatSettingText(formatAt(13)), QString("float:DCBA"));
        QCOMPARE(formatSettingText(formatAt(19)), QString("uint64:CDAB"));
        for (int i = 0; i < names.size(); ++i) {
            RegisterFormat format{VF::UInt32, WordOrder::DCBA};
            QVERIFY(parseFormatSetting(formatSettingText(formatAt(i)), &format));
            QCOMPARE(indexOfFormat(format), i);
        }
        QCOMPARE(formatAt(27), RegisterFormat());
        QCOMPARE(indexOfFormat({VF::UInt16, WordOrder::DCBA}), 1); // no order at 16 bits
        QCOMPARE(indexOfFormat({VF::Ascii, WordOrder::DCBA}), 26); // nor for text
        // Anything else is refused and changes nothing; read as a setting it is int16.
        for (const char *bad : {"ascii:ABCD", "double", "uint64:abcd", "int16:ABCD", "int32:"}) {
            RegisterFormat untouched{VF::Float32, WordOrder::BADC};
            QVERIFY2(!parseFormatSetting(bad, &untouched), bad);
            QCOMPARE(formatSettingText(untouched), QString("float:BADC"));
        }
        QCOMPARE(formatFromSetting("float:abcd"), RegisterFormat());
    }
};

QTEST_GUILESS_MAIN(TestModbus)
#include "tst_modbus.moc"
