// Replies to the console's own requests: assembled from pieces, checked and decoded.
#include "checksums.h"
#include "modbusreply.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

using Feed = ReplyAssembler::Feed;
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

// One letter per piece, fed 100 ms apart: N not a reply, I incomplete, C complete.
QString feedAll(ReplyAssembler &assembler, const QByteArrayList &pieces)
{
    QString results;
    for (int i = 0; i < pieces.size(); ++i) {
        results += QLatin1Char("NIC"[int(assembler.feed(pieces.at(i), 100 * (i + 1)))]);
    }
    return results;
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

    void assembling()
    {
        // A read reply cut into up to three pieces at every position: one whole reply each time.
        for (int i = 1; i < readReply.size(); ++i) {
            for (int j = i; j < readReply.size(); ++j) {
                QByteArrayList pieces{readReply.left(i), readReply.mid(i, j - i), readReply.mid(j)};
                pieces.removeAll(QByteArray());
                ReplyAssembler assembler;
                assembler.expectReplyTo(readRequest, 0, 300);
                QCOMPARE(feedAll(assembler, pieces), QString(pieces.size() - 1, 'I') + 'C');
                QCOMPARE(assembler.take().bytes, readReply);
            }
        }
        const QByteArray exception = hexBytes("01 83 02 C0F1"), inputReply = withCrc("01 04 02 0007");
        const struct { QByteArray request; QByteArrayList pieces; const char *feeds; QByteArray taken; } rows[] = {
            {readRequest, {exception.left(2), exception.mid(2)}, "IC", exception},
            {writeRequest, {writeRequest.left(3), writeRequest.mid(3)}, "IC", writeRequest},
            {withCrc("01 04 0000 0001"), {inputReply + '\x01'}, "C", inputReply}, // a byte past the reply
            {readRequest, {hexBytes("02 03 04 000A 0014")}, "N", {}},             // another address
            {readRequest, {hexBytes("01 84 02 C2C1")}, "N", {}},                  // exception of another function
            {readRequest, {hexBytes("01"), hexBytes("10 00")}, "IN", {}},         // the address alone is no reply
            {"AT\r\n", {readReply}, "N", {}}};                                    // not a request at all
        for (const auto &r : rows) {
            ReplyAssembler assembler;
            assembler.expectReplyTo(r.request, 0, 300);
            QCOMPARE(feedAll(assembler, r.pieces), QString(r.feeds));
            QVERIFY(!assembler.isWaiting() && assembler.hasReply() == !r.taken.isEmpty());
            const Reply got = assembler.take();
            QVERIFY(got.bytes == r.taken && got.complete == !r.taken.isEmpty());
        }

        // Request at 0 ms, limit 300 ms, restarted by each piece.
        ReplyAssembler assembler;
        assembler.expectReplyTo(readRequest, 0, 300);
        QVERIFY(!assembler.expired(299) && assembler.expired(300)); // were nothing to come
        QCOMPARE(assembler.feed(readReply.left(2), 290), Feed::Incomplete);
        QCOMPARE(assembler.feed(readReply.mid(2, 2), 580), Feed::Incomplete);
        QVERIFY(!assembler.expired(879) && assembler.expired(880));
        // The rest arriving at the limit is too late: the half reply is handed out, incomplete.
        QCOMPARE(assembler.feed(readReply.mid(4), 880), Feed::NotAReply);
        Reply reply = assembler.take();
        QVERIFY(reply.bytes == readReply.left(4) && !reply.complete && !assembler.isWaiting());
        // A new request: the half reply comes out first, incomplete, and the new wait goes on.
        assembler.expectReplyTo(readRequest, 0, 300);
        QCOMPARE(assembler.feed(readReply.left(5), 100), Feed::Incomplete);
        assembler.expectReplyTo(writeRequest, 150, 300);
        reply = assembler.take();
        QVERIFY(reply.request == readRequest && reply.bytes == readReply.left(5) && !reply.complete);
        QCOMPARE(assembler.feed(writeRequest, 250), Feed::Complete);
        QCOMPARE(assembler.take().request, writeRequest);
    }

    void timeouts()
    {
        // 3.5 characters of silence, the wire time of the bytes still due, 250 ms for the read tick.
        const struct { int baud, dataBits; bool parity; double stopBits; int bytes, ms; } rows[] = {
            {9600, 8, false, 1.0, 9, 264}, {1200, 7, true, 2.0, 0, 283}, {300, 5, false, 1.5, 0, 338}, // 337.5 up
            {50, 8, false, 1.0, 0, 950}, {2400, 8, false, 1.0, 255, 1000}, {0, 8, false, 1.0, 9, 1000}}; // capped
        for (const auto &r : rows) {
            QCOMPARE(replyTimeoutMs(r.baud, r.dataBits, r.parity, r.stopBits, r.bytes), r.ms);
        }
        const std::pair<QByteArray, int> lengths[] = {{readRequest, 9}, {withCrc("01 03 0000 007D"), 255}, {writeRequest, 8},
            {withCrc("01 04 0000 0080"), 260}, {withCrc("01 05 0000 FF00"), 0}, {hexBytes("01 03 0000 0002 0000"), 0}};
        for (const auto &l : lengths) { // the byte count is a single byte; FC 5 and a bad CRC await nothing
            QCOMPARE(expectedReplyLength(l.first), l.second);
        }
    }

    void decodedReplies()
    {
        const RegisterFormat i16;
        const struct { QByteArray request, bytes; bool complete; RegisterFormat format; const char *text; int first; } rows[] = {
            {withCrc("01 03 0102 0002"), readReply, true, i16, "10 20 ", 258},
            {readRequest, hexBytes("01 03 04 000A 0014 DB3E"), true, i16, "10 20 CRC错误: 应为 DA 3E", 0},
            {readRequest, hexBytes("01 03 04 000A 0014 DA3F"), true, i16, "10 20 CRC错误: 应为 DA 3E", 0},
            {withCrc("01 03 0000 0003"), hexBytes("01 03 06 0001 0002 0003 74FD"), true, {VF::Int32},
             "65538 (余 1 个寄存器) CRC错误: 应为 FD 74", 0},
            {readRequest, hexBytes("01 83 02 C0F1"), true, i16, "异常响应: 功能码 03, 异常码 02 (非法数据地址)", 0},
            {writeRequest, hexBytes("01 86 03 0000"), true, i16, "异常响应: 功能码 06, 异常码 03 (非法数据值) CRC错误: 应为 02 61", 0},
            {readRequest, withCrc("01 83 09"), true, i16, "异常响应: 功能码 03, 异常码 09 (未知异常)", 0}, // a gap
            {writeRequest, writeRequest, true, i16, "", 0},
            {writeRequest, hexBytes("01 06 0001 0003 0B98"), true, i16, "CRC错误: 应为 98 0B", 0},
            {readRequest, hexBytes("01"), false, i16, "(不完整: 收到 1 字节)", 0},
            {readRequest, hexBytes("01 03 04 000A 0014 00"), false, i16, "10 20 (不完整: 收到 8/9 字节)", 0}, // no CRC
            {readRequest, hexBytes("01 83"), false, i16, "(不完整: 收到 2/5 字节)", 0},
            {withCrc("01 03 0102 0002"), hexBytes("01 03 04"), false, i16, "(不完整: 收到 3/9 字节)", 258},
            {readRequest, hexBytes("01 83 02"), false, i16, "异常响应: 功能码 03, 异常码 02 (非法数据地址) (不完整: 收到 3/5 字节)", 0},
            {QByteArray(), withCrc("01 83 02"), true, i16, "异常响应: 功能码 03, 异常码 02 (非法数据地址)", 0}}; // no request: from the reply
        for (const auto &r : rows) {
            const ReplyDecode got = decodeReply(Reply{r.request, r.bytes, r.complete}, r.format);
            QCOMPARE(got.text, QString(r.text));
            QCOMPARE(got.firstRegister, r.first);
            QCOMPARE(got.registersPerValue, r.format.format == VF::Int16 ? 1 : 2);
            QCOMPARE(got.trusted, r.complete && !got.text.contains("CRC")); // only these may be plotted
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
