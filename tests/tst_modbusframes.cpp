// Requests of every function code the console sends, the replies they expect, and the
// 64-bit, double and ASCII register formats.
#include "checksums.h"
#include "modbusreply.h"
#include "replymatcher.h"
#include "requestframe.h"

#include <QtTest>

#include <cmath>

namespace {
QByteArray withCrc(const char *hex)
{
    QByteArray frame = QByteArray::fromHex(hex);
    const quint16 crc = modbusCrc(frame);
    return frame + char(crc >> 8) + char(crc & 0xFF);
}

ModbusRequest parsed(const QByteArray &frame)
{
    ModbusRequest r;
    return parseRequest(frame, &r) ? r : ModbusRequest();
}
} // namespace

class TestModbusFrames : public QObject
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
        row("0F", "17|0F 写多个线圈|19||1 0 1 1 0 0 1 1 1 0", "11 0F 00 13 00 0A 02 CD 01 BF 0B ",
            8);
        row("0F counted broadcast", "0|15|0|1| 1 ", "00 0F 00 00 00 01 01 01 2E 9B ", 8);
        row("10", "17|10 写多个寄存器|1|3|10, -5 0x1A2B",
            "11 10 00 01 00 03 06 00 0A FF FB 1A 2B 1B 4E ", 8);
        row("10 to the end", "0|16|65534||0X8000 65535", "00 10 FF FE 00 02 04 80 00 FF FF 14 1F ",
            8);

        const QString function = "fid: 功能码应为 1-6, 15 (0F) 或 16 (10), 现为 \"%1\"";
        row("function 7", "1|7|0|1|", function.arg("7"));
        row("function bare hex", "1|0F|0|1|1", function.arg("0F"));
        row("read broadcast", "0|1|0|1|", "pid: 通讯地址应为 1-247 的整数, 现为 \"0\"");
        row("write 248", "248|0F 写多个线圈|0||1",
            "pid: 通讯地址应为 0-247 (0 为广播) 的整数, 现为 \"248\"");
        row("register 65536", "1|5|65536|1|", "addr: 内存地址应为 0-65535 的整数, 现为 \"65536\"");
        const QString count = "value: 读取数量应为 %1 的整数, 现为 \"%2\"";
        row("01 count 2001", "1|1|0|2001|", count.arg("1-2000", "2001"));
        row("02 count 0", "1|2|0|0|", count.arg("1-2000", "0"));
        row("04 count 126", "1|4|0|126|", count.arg("1-125", "126"));
        row("03 past 65535", "1|3|65530|7|", count.arg("1-6 (从地址 65530 起)", "7"));
        row("05 value 2", "1|5|0|2|", "value: 写入值应为 1 (on) 或 0 (off), 现为 \"2\"");
        row("05 value FF00", "1|5|0|FF00|", "value: 写入值应为 1 (on) 或 0 (off), 现为 \"FF00\"");
        row("06 value 65536", "1|6|0|65536|",
            "value: 写入值应为 0-65535 或 -32768 到 -1 的整数, 现为 \"65536\"");
        row("0F bit 2", "1|15|0||1 0 2", "data: 写入数据第 3 个应为 0 或 1, 现为 \"2\"");
        const QString items = "data: 写入数据应为 %1 个值, 现为 %2 个";
        row("0F 1969 bits", "1|15|0||" + QString("1 ").repeated(1969), items.arg("1-1968", "1969"));
        row("0F past 65535", "1|15|65535||1 1", items.arg("1 (从地址 65535 起)", "2"));
        row("10 nothing", "1|16|0|| , ", items.arg("1-123", "0"));
        row("10 124 values", "1|16|0||" + QString("7 ").repeated(124), items.arg("1-123", "124"));
        const QString word =
            "data: 写入数据第 2 个应为 0-65535, -32768 到 -1 或 0x0000-0xFFFF, 现为 \"%1\"";
        for (const char *item : {"65536", "-32769", "0x10000", "0x", "1.5", "0x-1"}) {
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

        const QList<int> codes = {1, 2, 3, 4, 5, 6, 15, 16};
        const QStringList names = functionChoices();
        QCOMPARE(names.size(), codes.size());
        for (int i = 0; i < codes.size(); ++i) {
            QCOMPARE(functionFromChoice(names[i]), codes[i]);
        }
        QCOMPARE(functionFromChoice(" 16 "), 16); // a bare number is decimal
        QCOMPARE(functionFromChoice("10"), 10);
        QCOMPARE(functionFromChoice("10 Write Multiple Registers"), 16); // an entry's code is hex
        QCOMPARE(functionFromChoice("0F"), 0);
        QCOMPARE(functionFromChoice("读线圈"), 0);
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
        // Writes are answered by the echo of their first six bytes.
        QCOMPARE(judge("110500ACFF00", "110500ACFF00").kind, ReplyDecode::Written);
        QCOMPARE(judge("110500ACFF00", "110500AC0000").kind, ReplyDecode::Mismatch);
        QCOMPARE(judge("110F0013000A02CD01", "110F0013000A").kind, ReplyDecode::Written);
        QCOMPARE(judge("1110000100020400010002", "111000010001").text,
                 QString("写入应答不符: 应为 11 10 00 01 00 02, 收到 11 10 00 01 00 01"));
        QCOMPARE(judge("1110000100020400010002", "119002").kind, ReplyDecode::Exception);
    }

    void formats_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("registers");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *setting, const char *hex, const QString &text) {
            const QString name = QString(setting) + ' ' + hex;
            QTest::newRow(qPrintable(name)) << QString(setting) << QByteArray::fromHex(hex) << text;
        };
        // 0x0102030405060708 in each order; the 32-bit orders are the same rules on two registers.
        row("uint64:ABCD", "0102 0304 0506 0708", "72623859790382856 ");
        row("uint64:CDAB", "0708 0506 0304 0102", "72623859790382856 ");
        row("uint64:BADC", "0201 0403 0605 0807", "72623859790382856 ");
        row("uint64:DCBA", "0807 0605 0403 0201", "72623859790382856 ");
        row("uint32:CDAB", "0304 0102", "16909060 ");
        row("uint32:BADC", "0201 0403", "16909060 ");
        row("int32:DCBA", "FEFF FFFF", "-2 ");
        row("int64:ABCD", "8000 0000 0000 0000 7FFF FFFF FFFF FFFF",
            "-9223372036854775808 9223372036854775807 ");
        row("int64:BADC", "FFFF FFFF FFFF FEFF", "-2 ");
        row("uint64:ABCD", "FFFF FFFF FFFF FFFF 0000 0000 0000 0000", "18446744073709551615 0 ");
        row("int64:ABCD", "0000 0000 0000 0001 0002 0003", "1 (余 2 个寄存器)");
        row("uint64:CDAB", "0001 0002 0003", "(余 3 个寄存器)");
        row("double:ABCD", "3FB9 9999 9999 999A 8000 0000 0000 0000", "0.1 -0 ");
        row("double:CDAB", "999A 9999 9999 3FB9", "0.1 ");
        row("double:DCBA", "0000 0000 0000 04C0", "-2.5 ");
        row("double:BADC", "F87F 0000 0000 0000 F07F 0000 0000 0000 F0FF 0000 0000 0000",
            "NaN Inf -Inf ");
        row("double:ABCD", "7FEF FFFF FFFF FFFF 0000 0000 0000 0001",
            "1.7976931348623157e+308 5e-324 ");
        row("float:ABCD", "8000 0000", "-0 ");
        row("ascii", "4E6F 7276 616E 6520 5631 0000", "Norvane V1");
        // Inner NULs, controls, the backslash and bytes past ASCII escaped; an odd byte left out.
        row("ascii", "4100 421B 5C7F E97E 41", "A\\x00B\\x1B\\x5C\\x7F\\xE9~");
        row("ascii", "0000 0000", "");
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

    void formatNumbers()
    {
        const auto numbers = [](const char *setting, const char *hex) {
            return decodeRegisterData(QByteArray::fromHex(hex), formatFromSetting(setting)).numbers;
        };
        // 64-bit integers plot as the nearest double, NaN and -0 as they are, text not at all.
        QCOMPARE(numbers("int64:DCBA", "0000 0000 0000 0080"), QVector<double>{-0x1p63});
        QCOMPARE(numbers("uint64:ABCD", "FFFF FFFF FFFF FFFF"), QVector<double>{0x1p64});
        QVERIFY(std::isnan(numbers("double:ABCD", "7FF8 0000 0000 0001").value(0)));
        QVERIFY(std::signbit(numbers("double:ABCD", "8000 0000 0000 0000").value(0)));
        QVERIFY(numbers("ascii", "4142").isEmpty());
        const RegisterFormat doubles = formatFromSetting("double:CDAB");
        QCOMPARE(decodeRegisterData(QByteArray(12, '\0'), doubles).leftoverRegisters, 2);

        // The 14 entries of old keep their places; the new ones follow, each read back as itself.
        const QStringList names = formatChoices();
        QCOMPARE(names.size(), 27);
        QCOMPARE(names.mid(13, 2), (QStringList{"32 位浮点 DCBA", "64 位有符号 ABCD"}));
        QCOMPARE(names.mid(25), (QStringList{"64 位浮点 DCBA", "ASCII 字符串"}));
        QCOMPARE(formatSettingText(formatAt(13)), QString("float:DCBA"));
        QCOMPARE(formatSettingText(formatAt(19)), QString("uint64:CDAB"));
        QCOMPARE(formatSettingText(formatAt(26)), QString("ascii"));
        for (int i = 0; i < names.size(); ++i) {
            RegisterFormat format;
            QVERIFY(parseFormatSetting(formatSettingText(formatAt(i)), &format));
            QCOMPARE(indexOfFormat(format), i);
        }
        QCOMPARE(formatAt(27), RegisterFormat());
        QCOMPARE(indexOfFormat({ValueFormat::Ascii, WordOrder::DCBA}), 26); // no order for text
        for (const char *bad : {"ascii:ABCD", "double", "int64", "uint64:abcd"}) {
            RegisterFormat untouched{ValueFormat::UInt32, WordOrder::BADC};
            QVERIFY2(!parseFormatSetting(bad, &untouched), bad);
        }
        QCOMPARE(registersPerValue(formatFromSetting("int64:CDAB")), 4);
        QCOMPARE(registersPerValue(formatFromSetting("double:ABCD")), 4);
        QCOMPARE(registersPerValue(formatFromSetting("ascii")), 1);
    }
};

QTEST_GUILESS_MAIN(TestModbusFrames)
#include "tst_modbusframes.moc"
