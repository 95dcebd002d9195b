// Replies to the console's own requests: assembled from pieces, checked and decoded.
#include "checksums.h"
#include "modbusreply.h"
#include "reception.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

#include <cmath>
#include <limits>

using Feed = ReplyAssembler::Feed;
Q_DECLARE_METATYPE(RegisterFormat)
Q_DECLARE_METATYPE(ReplyAssembler::Feed)

namespace {
const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
const QByteArray readRequest = hexBytes("01 03 0000 0002 C40B");   // two holding registers from 0
const QByteArray readReply = hexBytes("01 03 04 000A 0014 DA3E"); // 10 and 20

QByteArray withCrc(const char *hex)
{
    QByteArray frame = hexBytes(hex);
    const quint16 crc = modbusCrc(frame); // wire order already
    return frame + char(crc >> 8) + char(crc & 0xFF);
}

RegisterFormat fmt(ValueFormat format, WordOrder order = WordOrder::ABCD)
{
    RegisterFormat f;
    f.format = format;
    f.order = order;
    return f;
}

// Equal, NaN included.
bool sameNumbers(const QVector<double> &a, const QVector<double> &b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (int i = 0; i < a.size(); ++i) {
        if (!(a.at(i) == b.at(i) || (std::isnan(a.at(i)) && std::isnan(b.at(i))))) {
            return false;
        }
    }
    return true;
}

QList<Feed> feedAll(ReplyAssembler &assembler, const QByteArrayList &pieces, qint64 from = 100)
{
    QList<Feed> results;
    for (const QByteArray &piece : pieces) {
        results << assembler.feed(piece, from);
        from += 100;
    }
    return results;
}
} // namespace

class TestModbusReply : public QObject
{
    Q_OBJECT
private slots:
    void formatChoicesAndSettings();
    void registerData_data();
    void registerData();
    void replySplitAnywhere();
    void receptions_data();
    void receptions();
    void timeLimits();
    void newRequestWhileHalfAReply();
    void timeouts_data();
    void timeouts();
    void decodedReplies_data();
    void decodedReplies();
    void exceptionNames();
    void valuesEncodedByPymodbus_data();
    void valuesEncodedByPymodbus();
};

void TestModbusReply::formatChoicesAndSettings()
{
    const QStringList names = formatChoices();
    QCOMPARE(names.size(), 14);
    QCOMPARE(names.at(0), QString("16 位有符号"));
    QCOMPARE(names.at(1), QString("16 位无符号"));
    QCOMPARE(names.at(7), QString("32 位无符号 CDAB"));
    QCOMPARE(names.at(11), QString("32 位浮点 CDAB"));
    for (int i = 0; i < names.size(); ++i) {
        const RegisterFormat format = formatAt(i);
        QCOMPARE(indexOfFormat(format), i);
        RegisterFormat parsed = fmt(ValueFormat::UInt32, WordOrder::DCBA);
        QVERIFY2(parseFormatSetting(formatSettingText(format), &parsed), qPrintable(formatSettingText(format)));
        QCOMPARE(parsed, format);
        QCOMPARE(parsed.order, format.order);
    }
    QCOMPARE(formatSettingText(fmt(ValueFormat::Float32, WordOrder::BADC)), QString("float:BADC"));
    QCOMPARE(formatSettingText(fmt(ValueFormat::Int16, WordOrder::CDAB)), QString("int16"));
    QCOMPARE(formatAt(14), RegisterFormat());
    // The order means nothing for 16-bit values.
    QVERIFY(fmt(ValueFormat::UInt16, WordOrder::DCBA) == fmt(ValueFormat::UInt16));
    QVERIFY(fmt(ValueFormat::Int32, WordOrder::CDAB) != fmt(ValueFormat::Int32));
    for (const char *bad : {"int16:ABCD", "float", "int32:", "", "FLOAT:abcd", "float:ABDC", " int16", "int32:ABCD:CDAB"}) {
        RegisterFormat untouched = fmt(ValueFormat::Float32, WordOrder::BADC);
        QVERIFY2(!parseFormatSetting(QLatin1String(bad), &untouched), bad);
        QCOMPARE(untouched.order, WordOrder::BADC);
    }
}

void TestModbusReply::registerData_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<double>>("numbers");
    const RegisterFormat f32 = fmt(ValueFormat::Float32);
    QTest::newRow("int16") << hexBytes("007B FFFF 8000 7FFF 00") << fmt(ValueFormat::Int16) << "123 -1 -32768 32767 "
                           << QVector<double>{123, -1, -32768, 32767};
    QTest::newRow("uint16") << hexBytes("007B FFFF 8000") << fmt(ValueFormat::UInt16) << "123 65535 32768 "
                            << QVector<double>{123, 65535, 32768};
    // 0x12345678 and 0xFEDCBA98 on the wire in each order.
    const struct {
        WordOrder order;
        const char *name;
        const char *wire;
    } orders[] = {{WordOrder::ABCD, "ABCD", "1234 5678 FEDC BA98"}, {WordOrder::CDAB, "CDAB", "5678 1234 BA98 FEDC"},
                  {WordOrder::BADC, "BADC", "3412 7856 DCFE 98BA"}, {WordOrder::DCBA, "DCBA", "7856 3412 98BA DCFE"}};
    for (const auto &o : orders) {
        QTest::newRow(o.name) << hexBytes(o.wire) << fmt(ValueFormat::Int32, o.order) << "305419896 -19088744 "
                              << QVector<double>{305419896, -19088744};
    }
    QTest::newRow("uint32, odd registers") << hexBytes("FEDC BA98 0001") << fmt(ValueFormat::UInt32)
                                           << "4275878552 (余 1 个寄存器)" << QVector<double>{4275878552.0};
    QTest::newRow("int32 limits") << hexBytes("8000 0000 7FFF FFFF") << fmt(ValueFormat::Int32) << "-2147483648 2147483647 "
                                  << QVector<double>{-2147483648.0, 2147483647};
    QTest::newRow("float CDAB") << hexBytes("0FDB 4049") << fmt(ValueFormat::Float32, WordOrder::CDAB) << "3.141593 "
                                << QVector<double>{double(3.14159265f)};
    QTest::newRow("float, 7 digits") << hexBytes("3DCC CCCD 5015 02F9 3727 C5AC") << f32 << "0.1 1e+10 1e-05 "
                                     << QVector<double>{double(0.1f), double(1e10f), double(1e-5f)};
    QTest::newRow("float NaN, infinities") << hexBytes("7FC0 0000 7F80 0000 FF80 0000") << f32 << "NaN Inf -Inf "
                                           << QVector<double>{notANumber, inf, -inf};
}

void TestModbusReply::registerData()
{
    QFETCH(QByteArray, data);
    QFETCH(RegisterFormat, format);
    QFETCH(QString, text);
    QFETCH(QVector<double>, numbers);
    const DecodedValues got = decodeRegisterData(data, format);
    QCOMPARE(got.text, text);
    QVERIFY(sameNumbers(got.numbers, numbers));
    QCOMPARE(got.leftoverRegisters, text.contains("余") ? 1 : 0);
}

void TestModbusReply::replySplitAnywhere()
{
    // Cut into two and three pieces at every position: one whole reply each time.
    const int n = readReply.size();
    for (int i = 1; i < n; ++i) {
        for (int j = i; j < n; ++j) {
            QByteArrayList pieces{readReply.left(i), readReply.mid(i, j - i), readReply.mid(j)};
            pieces.removeAll(QByteArray());
            ReplyAssembler assembler;
            assembler.expectReplyTo(readRequest, 0, 300);
            QList<Feed> want;
            for (int k = 1; k < pieces.size(); ++k) {
                want << Feed::Incomplete;
            }
            QCOMPARE(feedAll(assembler, pieces), want << Feed::Complete);
            const Reply reply = assembler.take();
            QCOMPARE(reply.bytes, readReply);
            QVERIFY(reply.complete);
            QCOMPARE(assembler.feed(readReply, 1000), Feed::NotAReply); // nothing expected any more
        }
    }
}

void TestModbusReply::receptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<Feed>>("results");
    QTest::addColumn<QByteArray>("reply"); // what take() then hands out
    const QByteArray write = withCrc("01 06 0001 0003");
    const QByteArray exception = hexBytes("01 83 02 C0F1");
    QTest::newRow("exception in two pieces") << readRequest << QByteArrayList{exception.left(2), exception.mid(2)}
                                             << QList<Feed>{Feed::Incomplete, Feed::Complete} << exception;
    QTest::newRow("write echo") << write << QByteArrayList{write.left(3), write.mid(3)}
                                << QList<Feed>{Feed::Incomplete, Feed::Complete} << write;
    QTest::newRow("extra bytes are not the reply") << readRequest << QByteArrayList{readReply + "\x01\x03"}
                                                   << QList<Feed>{Feed::Complete} << readReply;
    QTest::newRow("bad CRC still completes") << readRequest << QByteArrayList{readReply.left(7) + QByteArray(2, 0)}
                                             << QList<Feed>{Feed::Complete} << readReply.left(7) + QByteArray(2, 0);
    QTest::newRow("another address") << readRequest << QByteArrayList{hexBytes("02 03 04 000A 0014")}
                                     << QList<Feed>{Feed::NotAReply} << QByteArray();
    QTest::newRow("exception of another function") << readRequest << QByteArrayList{hexBytes("01 84 02 C2C1")}
                                                   << QList<Feed>{Feed::NotAReply} << QByteArray();
    QTest::newRow("address, then another function") << readRequest << QByteArrayList{hexBytes("01"), hexBytes("10 00")}
                                                    << QList<Feed>{Feed::Incomplete, Feed::NotAReply} << QByteArray();
    QTest::newRow("request with a bad CRC") << hexBytes("01 03 0000 0002 0BC4") << QByteArrayList{readReply}
                                            << QList<Feed>{Feed::NotAReply} << QByteArray();
    QTest::newRow("write multiple registers") << withCrc("01 10 0000 0001 02 0007") << QByteArrayList{readReply}
                                              << QList<Feed>{Feed::NotAReply} << QByteArray();
}

void TestModbusReply::receptions()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<Feed>, results);
    QFETCH(QByteArray, reply);
    ReplyAssembler assembler;
    assembler.expectReplyTo(request, 0, 300);
    QCOMPARE(feedAll(assembler, pieces), results);
    QVERIFY(!assembler.isWaiting());
    QCOMPARE(assembler.hasReply(), !reply.isEmpty());
    const Reply got = assembler.take();
    QCOMPARE(got.bytes, reply);
    QCOMPARE(got.complete, !reply.isEmpty());
}

void TestModbusReply::timeLimits()
{
    // Request at 0 ms, limit 300 ms, restarted by each piece.
    ReplyAssembler assembler;
    assembler.expectReplyTo(readRequest, 0, 300);
    QVERIFY(!assembler.expired(299));
    QVERIFY(assembler.expired(300)); // nothing came: the wait just ends
    QVERIFY(assembler.take().bytes.isEmpty());
    QVERIFY(!assembler.isWaiting());

    assembler.expectReplyTo(readRequest, 0, 300);
    QCOMPARE(assembler.feed(readReply.left(2), 290), Feed::Incomplete);
    QCOMPARE(assembler.feed(readReply.mid(2, 2), 580), Feed::Incomplete);
    QVERIFY(!assembler.expired(879));
    QVERIFY(assembler.expired(880));
    const Reply shortReply = assembler.take();
    QCOMPARE(shortReply.bytes, readReply.left(4));
    QVERIFY(!shortReply.complete);

    // The rest arriving at the limit is too late: the half reply is handed out.
    assembler.expectReplyTo(readRequest, 0, 300);
    QCOMPARE(assembler.feed(readReply.left(4), 200), Feed::Incomplete);
    QCOMPARE(assembler.feed(readReply.mid(4), 500), Feed::NotAReply);
    QVERIFY(assembler.hasReply());
    QCOMPARE(assembler.take().bytes, readReply.left(4));
}

void TestModbusReply::newRequestWhileHalfAReply()
{
    ReplyAssembler assembler;
    assembler.expectReplyTo(readRequest, 0, 300);
    QCOMPARE(assembler.feed(readReply.left(5), 100), Feed::Incomplete);
    const QByteArray write = withCrc("01 06 0001 0003");
    assembler.expectReplyTo(write, 150, 300);
    const Reply first = assembler.take(); // the half reply first, marked incomplete
    QCOMPARE(first.request, readRequest);
    QCOMPARE(first.bytes, readReply.left(5));
    QVERIFY(!first.complete);
    QVERIFY(assembler.isWaiting()); // taking the old half keeps the new wait
    QCOMPARE(assembler.feed(write, 250), Feed::Complete);
    QCOMPARE(assembler.take().request, write);
    assembler.expectReplyTo("AT\r\n", 300, 300); // not a request: nothing expected
    QCOMPARE(assembler.feed(readReply, 350), Feed::NotAReply);
}

void TestModbusReply::timeouts_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<double>("stopBits");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("ms");
    // 3.5 characters of silence, the wire time of the bytes still due, 250 ms for the read tick.
    QTest::newRow("9600 8N1, 9 bytes") << 9600 << 8 << false << 1.0 << 9 << 264;
    QTest::newRow("1200 7E2") << 1200 << 7 << true << 2.0 << 0 << 283;
    QTest::newRow("300 5N1.5, 337.5 rounds up") << 300 << 5 << false << 1.5 << 0 << 338;
    QTest::newRow("50 baud") << 50 << 8 << false << 1.0 << 0 << 950;
    QTest::newRow("2400, 255 bytes, capped") << 2400 << 8 << false << 1.0 << 255 << 1000;
    QTest::newRow("no baud rate") << 0 << 8 << false << 1.0 << 9 << 1000;
}

void TestModbusReply::timeouts()
{
    QFETCH(int, baud);
    QFETCH(int, dataBits);
    QFETCH(bool, parity);
    QFETCH(double, stopBits);
    QFETCH(int, bytes);
    QFETCH(int, ms);
    QCOMPARE(replyTimeoutMs(baud, dataBits, parity, stopBits, bytes), ms);
    QCOMPARE(expectedReplyLength(readRequest), 9);
    QCOMPARE(expectedReplyLength(withCrc("01 03 0000 007D")), 255);
    QCOMPARE(expectedReplyLength(withCrc("01 06 0001 0003")), 8);
    QCOMPARE(expectedReplyLength(hexBytes("01 03 0000 0002 0000")), 0);
}

void TestModbusReply::decodedReplies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("firstRegister");
    const RegisterFormat i16;
    const QByteArray write = withCrc("01 06 0001 0003"); // CRC 98 0B
    QTest::newRow("read from register 258") << withCrc("01 03 0102 0002") << readReply << true << i16 << "10 20 " << 258;
    QTest::newRow("float over two registers") << withCrc("01 04 0010 0002") << withCrc("01 04 04 3FC0 0000") << true
                                              << fmt(ValueFormat::Float32) << "1.5 " << 16;
    QTest::newRow("bad CRC") << readRequest << hexBytes("01 03 04 000A 0014 DB3E") << true << i16
                             << "10 20 CRC错误: 应为 DA 3E" << 0;
    QTest::newRow("second CRC byte wrong") << readRequest << hexBytes("01 03 04 000A 0014 DA3F") << true << i16
                                           << "10 20 CRC错误: 应为 DA 3E" << 0;
    QTest::newRow("bad CRC after a leftover") << withCrc("01 03 0000 0003") << hexBytes("01 03 06 0001 0002 0003 74FD")
                                              << true << fmt(ValueFormat::Int32)
                                              << "65538 (余 1 个寄存器) CRC错误: 应为 FD 74" << 0;
    QTest::newRow("exception") << readRequest << hexBytes("01 83 02 C0F1") << true << i16
                               << "异常响应: 功能码 03, 异常码 02 (非法数据地址)" << 0;
    QTest::newRow("exception to a write, bad CRC") << write << hexBytes("01 86 03 0000") << true << i16
                                                   << "异常响应: 功能码 06, 异常码 03 (非法数据值) CRC错误: 应为 02 61" << 0;
    QTest::newRow("write echo") << write << write << true << i16 << "" << 0;
    QTest::newRow("write echo, bad CRC") << write << hexBytes("01 06 0001 0003 0B98") << true << i16
                                         << "CRC错误: 应为 98 0B" << 0;
    QTest::newRow("address only") << readRequest << hexBytes("01") << false << i16 << "(不完整: 收到 1 字节)" << 0;
    QTest::newRow("half a value") << readRequest << hexBytes("01 03 04 000A 00") << false << i16
                                  << "10 (不完整: 收到 6/9 字节)" << 0;
    QTest::newRow("half a CRC is not checked") << readRequest << hexBytes("01 03 04 000A 0014 00") << false << i16
                                               << "10 20 (不完整: 收到 8/9 字节)" << 0;
    QTest::newRow("short exception") << readRequest << hexBytes("01 83") << false << i16 << "(不完整: 收到 2/5 字节)"
                                     << 0;
}

void TestModbusReply::decodedReplies()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(RegisterFormat, format);
    QFETCH(QString, text);
    QFETCH(int, firstRegister);
    const ReplyDecode got = decodeReply(Reply{request, bytes, complete}, format);
    QCOMPARE(got.text, text);
    QCOMPARE(got.firstRegister, firstRegister);
    QCOMPARE(got.registersPerValue, format.format == ValueFormat::Int16 ? 1 : 2);
    // A good 16-bit reply looks exactly as before.
    if (complete && format == RegisterFormat() && !text.contains("CRC") && bytes.at(1) == request.at(1)) {
        QCOMPARE(got.text, decodeRegisterValues(bytes));
    }
}

void TestModbusReply::exceptionNames()
{
    const QStringList names = {"未知异常",     "非法功能",       "非法数据地址",   "非法数据值",
                               "从站设备故障", "确认",           "从站设备忙",     "否定确认",
                               "存储奇偶性差错", "未知异常",     "不可用网关路径", "网关目标设备响应失败"};
    for (int code = 0; code < names.size(); ++code) {
        QCOMPARE(exceptionName(code), names.at(code));
    }
    QCOMPARE(exceptionName(0x0C), QString("未知异常"));
    QCOMPARE(exceptionName(0xFF), QString("未知异常"));
}

// pymodbus names the order by two switches: byteorder inside each register, wordorder of the
// registers. ABCD = big/big, CDAB = big/little, BADC = little/big, DCBA = little/little.
void TestModbusReply::valuesEncodedByPymodbus_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("orders");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QVector<double>>("values");
    const QVector<double> ints{305419896, -19088744, -2147483648.0, 2147483647, 0, -1, 65536};
    const QVector<double> uints{305419896, 4275878552.0, 4294967295.0, 0, 65535, 65536};
    const QVector<double> floats{1.5, -273.15, 0.1, 3.4028234663852886e38, 1e-40, notANumber, inf, -inf};
    const struct {
        WordOrder order;
        const char *name;
        QStringList switches;
    } orders[] = {{WordOrder::ABCD, "ABCD", {"big", "big"}},
                  {WordOrder::CDAB, "CDAB", {"big", "little"}},
                  {WordOrder::BADC, "BADC", {"little", "big"}},
                  {WordOrder::DCBA, "DCBA", {"little", "little"}}};
    for (const auto &o : orders) {
        QTest::newRow(qPrintable(QString("int32 ") + o.name)) << "int32" << o.switches << fmt(ValueFormat::Int32, o.order) << ints;
        QTest::newRow(qPrintable(QString("uint32 ") + o.name)) << "uint32" << o.switches << fmt(ValueFormat::UInt32, o.order)
                                                               << uints;
        QTest::newRow(qPrintable(QString("float ") + o.name)) << "float" << o.switches << fmt(ValueFormat::Float32, o.order)
                                                              << floats;
    }
}

void TestModbusReply::valuesEncodedByPymodbus()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, orders);
    QFETCH(RegisterFormat, format);
    QFETCH(QVector<double>, values);
    QStringList args = QStringList{QFINDTESTDATA("pymodbus_registers.py"), kind} + orders;
    QVector<double> want;
    for (double v : values) {
        args << QString::number(v, 'g', 17);
        want << (format.format == ValueFormat::Float32 ? double(float(v)) : v);
    }
    QProcess python;
    python.start("/usr/bin/python3", args);
    QVERIFY2(python.waitForFinished(20000), "/usr/bin/python3 is missing (Debian package python3-pymodbus)");
    QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
    const QByteArray registers = hexBytes(python.readAllStandardOutput().trimmed().constData());
    QVERIFY(sameNumbers(decodeRegisterData(registers, format).numbers, want));
}

QTEST_GUILESS_MAIN(TestModbusReply)
#include "tst_modbusreply.moc"
