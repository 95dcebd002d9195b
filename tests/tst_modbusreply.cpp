#include "checksums.h"
#include "modbusreply.h"
#include "reception.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <limits>

using Feed = ReplyAssembler::Feed;
Q_DECLARE_METATYPE(RegisterFormat)
Q_DECLARE_METATYPE(ReplyAssembler::Feed)

char *toString(const RegisterFormat &format)
{
    return qstrdup(qPrintable(formatSettingText(format)));
}

char *toString(Feed feed)
{
    static const char *const names[] = {"NotAReply", "Incomplete", "Complete"};
    return qstrdup(names[static_cast<int>(feed)]);
}

namespace {

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

const QByteArray readRequest = hexBytes("01 03 0000 0002 C40B");   // two holding registers from 0
const QByteArray readReply = hexBytes("01 03 04 000A 0014 DA3E"); // 10 and 20
const QByteArray exceptionReply = hexBytes("01 83 02 C0F1");      // illegal data address

QByteArray withCrc(const char *hex)
{
    QByteArray frame = hexBytes(hex);
    const quint16 crc = modbusCrc(frame); // wire order already
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));
    return frame;
}

RegisterFormat fmt(ValueFormat format, WordOrder order = WordOrder::ABCD)
{
    RegisterFormat f;
    f.format = format;
    f.order = order;
    return f;
}

void compareNumbers(const QVector<double> &got, const QVector<double> &want)
{
    QCOMPARE(got.size(), want.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got.at(i), want.at(i)); // QCOMPARE on doubles takes NaN as equal to NaN
    }
}

} // namespace

class TestModbusReply : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void formatChoices_data();
    void formatChoices();
    void formatOutsideTheList();
    void rejectedSettings_data();
    void rejectedSettings();
    void formatEquality_data();
    void formatEquality();
    void registerData_data();
    void registerData();
    void splitReply_data();
    void splitReply();
    void receptions_data();
    void receptions();
    void timeLimits_data();
    void timeLimits();
    void newRequestWhileHalfAReply_data();
    void newRequestWhileHalfAReply();
    void replyLengths_data();
    void replyLengths();
    void timeouts_data();
    void timeouts();
    void decodedReplies_data();
    void decodedReplies();
    void goodInt16RepliesLookAsBefore_data();
    void goodInt16RepliesLookAsBefore();
    void valuesEncodedByPymodbus_data();
    void valuesEncodedByPymodbus();
};

void TestModbusReply::initTestCase()
{
    TaviHelper::setUtf8Codec();
}

void TestModbusReply::formatChoices_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QString>("setting");
    QTest::newRow("int16") << 0 << "16 位有符号" << fmt(ValueFormat::Int16) << "int16";
    QTest::newRow("uint16") << 1 << "16 位无符号" << fmt(ValueFormat::UInt16) << "uint16";
    const struct {
        ValueFormat format;
        const char *name;
        const char *key;
    } wide[] = {{ValueFormat::Int32, "32 位有符号", "int32"},
                {ValueFormat::UInt32, "32 位无符号", "uint32"},
                {ValueFormat::Float32, "32 位浮点", "float"}};
    const struct {
        WordOrder order;
        const char *name;
    } orders[] = {{WordOrder::ABCD, "ABCD"}, {WordOrder::CDAB, "CDAB"}, {WordOrder::BADC, "BADC"}, {WordOrder::DCBA, "DCBA"}};
    int index = 2;
    for (const auto &w : wide) {
        for (const auto &o : orders) {
            const QString setting = QStringLiteral("%1:%2").arg(w.key, o.name);
            QTest::newRow(qPrintable(setting)) << index++ << QStringLiteral("%1 %2").arg(w.name, o.name)
                                               << fmt(w.format, o.order) << setting;
        }
    }
}

void TestModbusReply::formatChoices()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(RegisterFormat, format);
    QFETCH(QString, setting);
    const QStringList names = ::formatChoices();
    QCOMPARE(names.size(), 14);
    QCOMPARE(names.at(index), name);
    QCOMPARE(formatAt(index), format);
    QCOMPARE(formatAt(index).order, format.order);
    QCOMPARE(indexOfFormat(format), index);
    QCOMPARE(formatSettingText(format), setting);
    RegisterFormat parsed = fmt(ValueFormat::UInt32, WordOrder::DCBA);
    QVERIFY(parseFormatSetting(setting, &parsed));
    QCOMPARE(parsed, format);
    QCOMPARE(parsed.order, format.order);
}

void TestModbusReply::formatOutsideTheList()
{
    QCOMPARE(formatAt(-1), RegisterFormat());
    QCOMPARE(formatAt(14), RegisterFormat());
    // A 16-bit format with a stray order is still the 16-bit entry, and saves without it.
    QCOMPARE(indexOfFormat(fmt(ValueFormat::UInt16, WordOrder::DCBA)), 1);
    QCOMPARE(formatSettingText(fmt(ValueFormat::Int16, WordOrder::CDAB)), QString("int16"));
}

void TestModbusReply::rejectedSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("order on a 16-bit format") << "int16:ABCD";
    QTest::newRow("order on uint16") << "uint16:CDAB";
    QTest::newRow("float without order") << "float";
    QTest::newRow("int32 without order") << "int32";
    QTest::newRow("empty order") << "int32:";
    QTest::newRow("empty") << "";
    QTest::newRow("upper-case name, lower-case order") << "FLOAT:abcd";
    QTest::newRow("lower-case order") << "int32:abcd";
    QTest::newRow("not an order") << "float:ABDC";
    QTest::newRow("trailing blank") << "uint32:CDAB ";
    QTest::newRow("leading blank") << " int16";
    QTest::newRow("unknown width") << "int64:ABCD";
    QTest::newRow("float32 is not the key") << "float32:ABCD";
    QTest::newRow("two orders") << "int32:ABCD:CDAB";
}

void TestModbusReply::rejectedSettings()
{
    QFETCH(QString, text);
    RegisterFormat format = fmt(ValueFormat::Float32, WordOrder::BADC);
    QVERIFY(!parseFormatSetting(text, &format));
    QCOMPARE(format.format, ValueFormat::Float32);
    QCOMPARE(format.order, WordOrder::BADC);
}

void TestModbusReply::formatEquality_data()
{
    QTest::addColumn<RegisterFormat>("a");
    QTest::addColumn<RegisterFormat>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("order ignored for int16") << fmt(ValueFormat::Int16, WordOrder::CDAB) << fmt(ValueFormat::Int16) << true;
    QTest::newRow("order ignored for uint16") << fmt(ValueFormat::UInt16, WordOrder::DCBA)
                                              << fmt(ValueFormat::UInt16, WordOrder::BADC) << true;
    QTest::newRow("int16 is not uint16") << fmt(ValueFormat::Int16) << fmt(ValueFormat::UInt16) << false;
    QTest::newRow("order counts for int32") << fmt(ValueFormat::Int32, WordOrder::CDAB) << fmt(ValueFormat::Int32) << false;
    QTest::newRow("order counts for float") << fmt(ValueFormat::Float32, WordOrder::BADC)
                                            << fmt(ValueFormat::Float32, WordOrder::DCBA) << false;
    QTest::newRow("same float") << fmt(ValueFormat::Float32, WordOrder::DCBA) << fmt(ValueFormat::Float32, WordOrder::DCBA)
                                << true;
    QTest::newRow("int32 is not uint32") << fmt(ValueFormat::Int32) << fmt(ValueFormat::UInt32) << false;
}

void TestModbusReply::formatEquality()
{
    QFETCH(RegisterFormat, a);
    QFETCH(RegisterFormat, b);
    QFETCH(bool, equal);
    QCOMPARE(a == b, equal);
    QCOMPARE(b == a, equal);
    QCOMPARE(a != b, !equal);
}

void TestModbusReply::registerData_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<double>>("numbers");
    QTest::addColumn<int>("leftover");

    const RegisterFormat i16 = fmt(ValueFormat::Int16);
    const RegisterFormat u16 = fmt(ValueFormat::UInt16);
    QTest::newRow("int16") << hexBytes("007B FFFF 8000 7FFF") << i16 << "123 -1 -32768 32767 "
                           << QVector<double>{123, -1, -32768, 32767} << 0;
    QTest::newRow("uint16") << hexBytes("007B FFFF 8000 7FFF") << u16 << "123 65535 32768 32767 "
                            << QVector<double>{123, 65535, 32768, 32767} << 0;
    QTest::newRow("int16 trailing odd byte") << hexBytes("000A 00") << i16 << "10 " << QVector<double>{10} << 0;
    QTest::newRow("int16 single byte") << hexBytes("FF") << i16 << "" << QVector<double>{} << 0;
    QTest::newRow("empty") << QByteArray() << fmt(ValueFormat::Float32) << "" << QVector<double>{} << 0;

    // 0x12345678 and 0xFEDCBA98 laid out on the wire in each order.
    const struct {
        WordOrder order;
        const char *name;
        const char *positive;
        const char *negative;
    } orders[] = {{WordOrder::ABCD, "ABCD", "1234 5678", "FEDC BA98"},
                  {WordOrder::CDAB, "CDAB", "5678 1234", "BA98 FEDC"},
                  {WordOrder::BADC, "BADC", "3412 7856", "DCFE 98BA"},
                  {WordOrder::DCBA, "DCBA", "7856 3412", "98BA DCFE"}};
    for (const auto &o : orders) {
        const QByteArray both = hexBytes(o.positive) + hexBytes(o.negative);
        QTest::newRow(qPrintable(QStringLiteral("int32 %1").arg(o.name)))
            << both << fmt(ValueFormat::Int32, o.order) << "305419896 -19088744 "
            << QVector<double>{305419896, -19088744} << 0;
        QTest::newRow(qPrintable(QStringLiteral("uint32 %1").arg(o.name)))
            << both << fmt(ValueFormat::UInt32, o.order) << "305419896 4275878552 "
            << QVector<double>{305419896, 4275878552.0} << 0;
        QTest::newRow(qPrintable(QStringLiteral("int32 %1, odd registers").arg(o.name)))
            << both + hexBytes("0001") << fmt(ValueFormat::Int32, o.order) << "305419896 -19088744 (余 1 个寄存器)"
            << QVector<double>{305419896, -19088744} << 1;
    }
    // One wire layout read in each order.
    QTest::newRow("12345678 as CDAB") << hexBytes("1234 5678") << fmt(ValueFormat::UInt32, WordOrder::CDAB)
                                      << "1450709556 " << QVector<double>{0x56781234} << 0;
    QTest::newRow("12345678 as BADC") << hexBytes("1234 5678") << fmt(ValueFormat::UInt32, WordOrder::BADC)
                                      << "873625686 " << QVector<double>{0x34127856} << 0;
    QTest::newRow("12345678 as DCBA") << hexBytes("1234 5678") << fmt(ValueFormat::UInt32, WordOrder::DCBA)
                                      << "2018915346 " << QVector<double>{0x78563412} << 0;
    QTest::newRow("int32 one register only") << hexBytes("0001") << fmt(ValueFormat::Int32) << "(余 1 个寄存器)"
                                             << QVector<double>{} << 1;
    QTest::newRow("uint32 trailing odd byte") << hexBytes("0001 0000 FF") << fmt(ValueFormat::UInt32) << "65536 "
                                              << QVector<double>{65536} << 0;
    QTest::newRow("int32 limits") << hexBytes("8000 0000 7FFF FFFF FFFF FFFF") << fmt(ValueFormat::Int32)
                                  << "-2147483648 2147483647 -1 " << QVector<double>{-2147483648.0, 2147483647, -1} << 0;
    QTest::newRow("uint32 largest") << hexBytes("FFFF FFFF") << fmt(ValueFormat::UInt32) << "4294967295 "
                                    << QVector<double>{4294967295.0} << 0;

    // pi as a float is 0x40490FDB.
    const struct {
        WordOrder order;
        const char *name;
        const char *wire;
    } pi[] = {{WordOrder::ABCD, "ABCD", "4049 0FDB"},
              {WordOrder::CDAB, "CDAB", "0FDB 4049"},
              {WordOrder::BADC, "BADC", "4940 DB0F"},
              {WordOrder::DCBA, "DCBA", "DB0F 4940"}};
    for (const auto &p : pi) {
        QTest::newRow(qPrintable(QStringLiteral("float %1").arg(p.name)))
            << hexBytes(p.wire) << fmt(ValueFormat::Float32, p.order) << "3.141593 "
            << QVector<double>{static_cast<double>(3.14159265f)} << 0;
    }
    const RegisterFormat f32 = fmt(ValueFormat::Float32);
    QTest::newRow("float 7 digits, not the float's error") << hexBytes("3DCC CCCD 3FC0 0000 C020 0000") << f32
                                                           << "0.1 1.5 -2.5 "
                                                           << QVector<double>{static_cast<double>(0.1f), 1.5, -2.5} << 0;
    QTest::newRow("float large and small") << hexBytes("5015 02F9 3727 C5AC 0000 0000") << f32 << "1e+10 1e-05 0 "
                                           << QVector<double>{static_cast<double>(1e10f), static_cast<double>(1e-5f), 0}
                                           << 0;
    QTest::newRow("float NaN and infinities") << hexBytes("7FC0 0000 7F80 0000 FF80 0000") << f32 << "NaN Inf -Inf "
                                              << QVector<double>{notANumber, infinity, -infinity} << 0;
    QTest::newRow("float NaN with payload, DCBA") << hexBytes("0100 807F") << fmt(ValueFormat::Float32, WordOrder::DCBA)
                                                  << "NaN " << QVector<double>{notANumber} << 0;
    QTest::newRow("float odd registers") << hexBytes("3FC0 0000 3FC0") << f32 << "1.5 (余 1 个寄存器)"
                                         << QVector<double>{1.5} << 1;
}

void TestModbusReply::registerData()
{
    QFETCH(QByteArray, data);
    QFETCH(RegisterFormat, format);
    QFETCH(QString, text);
    QFETCH(QVector<double>, numbers);
    QFETCH(int, leftover);
    const DecodedValues got = decodeRegisterData(data, format);
    QCOMPARE(got.text, text);
    compareNumbers(got.numbers, numbers);
    QCOMPARE(got.leftoverRegisters, leftover);
}

void TestModbusReply::splitReply_data()
{
    QTest::addColumn<QByteArrayList>("pieces");
    const int n = readReply.size();
    for (int i = 1; i < n; ++i) {
        QTest::newRow(qPrintable(QStringLiteral("%1+%2").arg(i).arg(n - i)))
            << QByteArrayList{readReply.left(i), readReply.mid(i)};
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            QTest::newRow(qPrintable(QStringLiteral("%1+%2+%3").arg(i).arg(j - i).arg(n - j)))
                << QByteArrayList{readReply.left(i), readReply.mid(i, j - i), readReply.mid(j)};
        }
    }
}

void TestModbusReply::splitReply()
{
    QFETCH(QByteArrayList, pieces);
    ReplyAssembler assembler;
    assembler.expectReplyTo(readRequest, 1000, 300);
    qint64 now = 1000;
    for (int i = 0; i < pieces.size(); ++i) {
        now += 100;
        const Feed want = i + 1 < pieces.size() ? Feed::Incomplete : Feed::Complete;
        QCOMPARE(assembler.feed(pieces.at(i), now), want);
        QCOMPARE(assembler.hasReply(), want == Feed::Complete);
        QVERIFY(!assembler.expired(now + 299));
    }
    QVERIFY(!assembler.isWaiting());
    const Reply reply = assembler.take();
    QCOMPARE(reply.request, readRequest);
    QCOMPARE(reply.bytes, readReply);
    QVERIFY(reply.complete);
    QCOMPARE(decodeReply(reply, RegisterFormat()).text, QString("10 20 "));
    QVERIFY(!assembler.hasReply());
    QCOMPARE(assembler.feed(readReply, now + 100), Feed::NotAReply); // nothing expected any more
}

void TestModbusReply::receptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<Feed>>("results");
    QTest::addColumn<QByteArray>("reply"); // what take() then hands out
    QTest::addColumn<bool>("complete");

    const QByteArray write = withCrc("01 06 0001 0003");
    const QByteArray nothing;
    QTest::newRow("exception") << readRequest << QByteArrayList{exceptionReply} << QList<Feed>{Feed::Complete}
                               << exceptionReply << true;
    QTest::newRow("exception in two pieces") << readRequest << QByteArrayList{hexBytes("0183"), hexBytes("02C0F1")}
                                             << QList<Feed>{Feed::Incomplete, Feed::Complete} << exceptionReply << true;
    QTest::newRow("exception to a write") << write << QByteArrayList{withCrc("01 86 02")} << QList<Feed>{Feed::Complete}
                                          << withCrc("01 86 02") << true;
    QTest::newRow("write echo") << write << QByteArrayList{write} << QList<Feed>{Feed::Complete} << write << true;
    QTest::newRow("write echo in two pieces") << write << QByteArrayList{write.left(3), write.mid(3)}
                                              << QList<Feed>{Feed::Incomplete, Feed::Complete} << write << true;
    QTest::newRow("input registers") << withCrc("11 04 0010 0001") << QByteArrayList{withCrc("11 04 02 007B")}
                                     << QList<Feed>{Feed::Complete} << withCrc("11 04 02 007B") << true;
    QTest::newRow("trailing extra bytes") << readRequest << QByteArrayList{readReply + hexBytes("0103")}
                                          << QList<Feed>{Feed::Complete} << readReply << true;
    QTest::newRow("extra bytes in the last piece") << readRequest
                                                   << QByteArrayList{readReply.left(5), readReply.mid(5) + hexBytes("AA")}
                                                   << QList<Feed>{Feed::Incomplete, Feed::Complete} << readReply << true;
    QTest::newRow("bad CRC still completes") << readRequest << QByteArrayList{hexBytes("01 03 04 000A 0014 0000")}
                                             << QList<Feed>{Feed::Complete} << hexBytes("01 03 04 000A 0014 0000") << true;
    QTest::newRow("piece after the reply") << readRequest << QByteArrayList{readReply, readReply}
                                           << QList<Feed>{Feed::Complete, Feed::NotAReply} << readReply << true;
    QTest::newRow("another address") << readRequest << QByteArrayList{hexBytes("02 03 04 000A 0014 DA3E")}
                                     << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("another function") << readRequest << QByteArrayList{hexBytes("01 04 04 000A 0014")}
                                      << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("exception of another function") << readRequest << QByteArrayList{hexBytes("01 84 02 C2C1")}
                                                   << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("a single byte of another address") << readRequest << QByteArrayList{hexBytes("02"), readReply}
                                                      << QList<Feed>{Feed::NotAReply, Feed::NotAReply} << nothing << false;
    QTest::newRow("address, then another function") << readRequest << QByteArrayList{hexBytes("01"), hexBytes("10 0000")}
                                                    << QList<Feed>{Feed::Incomplete, Feed::NotAReply} << nothing << false;
    QTest::newRow("text after the request") << readRequest << QByteArrayList{QByteArray("OK\r\n")}
                                            << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("request with a bad CRC") << hexBytes("01 03 0000 0002 0BC4") << QByteArrayList{readReply}
                                            << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("write multiple registers") << withCrc("01 10 0000 0001 02 0007") << QByteArrayList{withCrc("01 10 0000 0001")}
                                              << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("seven-byte request") << readRequest.left(7) << QByteArrayList{readReply}
                                        << QList<Feed>{Feed::NotAReply} << nothing << false;
    QTest::newRow("nothing sent") << QByteArray() << QByteArrayList{readReply} << QList<Feed>{Feed::NotAReply} << nothing
                                  << false;
}

void TestModbusReply::receptions()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<Feed>, results);
    QFETCH(QByteArray, reply);
    QFETCH(bool, complete);
    ReplyAssembler assembler;
    assembler.expectReplyTo(request, 0, 300);
    for (int i = 0; i < pieces.size(); ++i) {
        QCOMPARE(assembler.feed(pieces.at(i), 100 * (i + 1)), results.at(i));
    }
    QVERIFY(!assembler.isWaiting());
    QCOMPARE(assembler.hasReply(), !reply.isEmpty());
    const Reply got = assembler.take();
    QCOMPARE(got.bytes, reply);
    QCOMPARE(got.complete, complete);
    QCOMPARE(got.request, reply.isEmpty() ? QByteArray() : request);
    QVERIFY(!assembler.hasReply());
}

void TestModbusReply::timeLimits_data()
{
    // The request goes out at 0 ms with a limit of 300 ms.
    QTest::addColumn<QVector<int>>("times");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QList<Feed>>("results");
    QTest::addColumn<int>("expiresAt"); // -1: the wait is over once the pieces are in
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("complete");

    QTest::newRow("no byte at all") << QVector<int>{} << QByteArrayList{} << QList<Feed>{} << 300 << QByteArray() << false;
    QTest::newRow("short reply") << QVector<int>{100} << QByteArrayList{readReply.left(4)} << QList<Feed>{Feed::Incomplete}
                                 << 400 << readReply.left(4) << false;
    QTest::newRow("only the address") << QVector<int>{250} << QByteArrayList{readReply.left(1)}
                                      << QList<Feed>{Feed::Incomplete} << 550 << readReply.left(1) << false;
    QTest::newRow("each piece restarts the limit")
        << QVector<int>{290, 580, 870} << QByteArrayList{readReply.left(2), readReply.mid(2, 2), readReply.mid(4, 2)}
        << QList<Feed>{Feed::Incomplete, Feed::Incomplete, Feed::Incomplete} << 1170 << readReply.left(6) << false;
    QTest::newRow("completed just in time") << QVector<int>{200, 499} << QByteArrayList{readReply.left(4), readReply.mid(4)}
                                            << QList<Feed>{Feed::Incomplete, Feed::Complete} << -1 << readReply << true;
    QTest::newRow("rest arrives too late") << QVector<int>{200, 500} << QByteArrayList{readReply.left(4), readReply.mid(4)}
                                           << QList<Feed>{Feed::Incomplete, Feed::NotAReply} << -1 << readReply.left(4)
                                           << false;
    QTest::newRow("whole reply too late") << QVector<int>{300} << QByteArrayList{readReply} << QList<Feed>{Feed::NotAReply}
                                          << -1 << QByteArray() << false;
}

void TestModbusReply::timeLimits()
{
    QFETCH(QVector<int>, times);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QList<Feed>, results);
    QFETCH(int, expiresAt);
    QFETCH(QByteArray, reply);
    QFETCH(bool, complete);
    ReplyAssembler assembler;
    assembler.expectReplyTo(readRequest, 0, 300);
    for (int i = 0; i < pieces.size(); ++i) {
        QVERIFY(!assembler.expired(times.at(i) - 1));
        QCOMPARE(assembler.feed(pieces.at(i), times.at(i)), results.at(i));
    }
    if (expiresAt >= 0) {
        QVERIFY(assembler.isWaiting());
        QVERIFY(!assembler.expired(expiresAt - 1));
        QVERIFY(assembler.expired(expiresAt));
        QVERIFY(!assembler.hasReply());
    } else {
        QVERIFY(!assembler.isWaiting());
        QVERIFY(!assembler.expired(100000));
    }
    const Reply got = assembler.take();
    QCOMPARE(got.bytes, reply);
    QCOMPARE(got.complete, complete);
    if (!reply.isEmpty()) {
        QCOMPARE(got.request, readRequest);
    }
    // After take nothing is expected until the next request.
    QVERIFY(!assembler.isWaiting());
    QVERIFY(!assembler.expired(100000));
    QVERIFY(!assembler.hasReply());
    QVERIFY(assembler.take().bytes.isEmpty());
    QCOMPARE(assembler.feed(readReply, 100000), Feed::NotAReply);
}

void TestModbusReply::newRequestWhileHalfAReply_data()
{
    QTest::addColumn<QByteArray>("half");        // of the reply to the first request
    QTest::addColumn<QByteArray>("nextRequest"); // sent at 150 ms
    QTest::addColumn<QByteArray>("nextReply");   // fed at 250 ms; empty when none is expected

    const QByteArray write = withCrc("01 06 0001 0003");
    QTest::newRow("then a read") << readReply.left(5) << readRequest << readReply;
    QTest::newRow("then a write") << readReply.left(8) << write << write;
    QTest::newRow("only the address, then a read") << readReply.left(1) << readRequest << readReply;
    QTest::newRow("then a text") << readReply.left(5) << QByteArray("AT\r\n") << QByteArray();
    QTest::newRow("nothing half yet") << QByteArray() << readRequest << readReply;
}

void TestModbusReply::newRequestWhileHalfAReply()
{
    QFETCH(QByteArray, half);
    QFETCH(QByteArray, nextRequest);
    QFETCH(QByteArray, nextReply);
    ReplyAssembler assembler;
    assembler.expectReplyTo(readRequest, 0, 300);
    if (!half.isEmpty()) {
        QCOMPARE(assembler.feed(half, 100), Feed::Incomplete);
    }
    assembler.expectReplyTo(nextRequest, 150, 300);
    QCOMPARE(assembler.isWaiting(), !nextReply.isEmpty());
    QCOMPARE(assembler.hasReply(), !half.isEmpty());
    if (!half.isEmpty()) {
        const Reply first = assembler.take();
        QCOMPARE(first.request, readRequest);
        QCOMPARE(first.bytes, half);
        QVERIFY(!first.complete);
        QCOMPARE(assembler.isWaiting(), !nextReply.isEmpty()); // taking the old half keeps the new wait
    }
    if (nextReply.isEmpty()) {
        QCOMPARE(assembler.feed(readReply, 250), Feed::NotAReply);
        return;
    }
    QCOMPARE(assembler.feed(nextReply, 250), Feed::Complete);
    const Reply second = assembler.take();
    QCOMPARE(second.request, nextRequest);
    QCOMPARE(second.bytes, nextReply);
    QVERIFY(second.complete);
}

void TestModbusReply::replyLengths_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("length");
    QTest::newRow("two holding registers") << readRequest << 9;
    QTest::newRow("one input register") << withCrc("11 04 0010 0001") << 7;
    QTest::newRow("125 registers") << withCrc("01 03 0000 007D") << 255;
    QTest::newRow("count beyond a byte count") << withCrc("01 03 0000 0100") << 260;
    QTest::newRow("write") << withCrc("01 06 0001 0003") << 8;
    QTest::newRow("bad CRC") << hexBytes("01 03 0000 0002 0000") << 0;
    QTest::newRow("write multiple") << withCrc("01 10 0000 0001 02 0007") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestModbusReply::replyLengths()
{
    QFETCH(QByteArray, request);
    QFETCH(int, length);
    QCOMPARE(expectedReplyLength(request), length);
}

void TestModbusReply::timeouts_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<double>("stopBits");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("ms");
    // 10 bits a character at 9600 baud: 3.5 characters are 3.65 ms.
    QTest::newRow("9600 8N1, nothing more") << 9600 << 8 << false << 1.0 << 0 << 254;
    QTest::newRow("9600 8N1, 9 bytes") << 9600 << 8 << false << 1.0 << 9 << 264;
    QTest::newRow("19200 8E1, 9 bytes") << 19200 << 8 << true << 1.0 << 9 << 258;
    QTest::newRow("1200 7E2") << 1200 << 7 << true << 2.0 << 0 << 283;
    QTest::newRow("300 5N1.5, exactly 337.5") << 300 << 5 << false << 1.5 << 0 << 338;
    QTest::newRow("115200 8N1, 255 bytes") << 115200 << 8 << false << 1.0 << 255 << 273;
    QTest::newRow("2400 8N1, 255 bytes, capped") << 2400 << 8 << false << 1.0 << 255 << 1000;
    QTest::newRow("50 baud, capped") << 50 << 8 << false << 1.0 << 9 << 1000;
    QTest::newRow("50 baud, nothing more") << 50 << 8 << false << 1.0 << 0 << 950;
    QTest::newRow("no baud rate") << 0 << 8 << false << 1.0 << 9 << 1000;
    QTest::newRow("negative bytes count as none") << 9600 << 8 << false << 1.0 << -5 << 254;
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
}

void TestModbusReply::decodedReplies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVector<double>>("numbers");
    QTest::addColumn<int>("firstRegister");
    QTest::addColumn<int>("registersPerValue");

    const RegisterFormat i16;
    const QByteArray write = withCrc("01 06 0001 0003"); // CRC 98 0B
    const QByteArray oddRequest = withCrc("01 03 0000 0003");
    const QVector<double> none;

    QTest::newRow("read") << readRequest << readReply << true << i16 << "10 20 " << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("read from register 258") << withCrc("01 03 0102 0002") << readReply << true << i16 << "10 20 "
                                            << QVector<double>{10, 20} << 258 << 1;
    QTest::newRow("read uint16") << readRequest << withCrc("01 03 04 FFFF 0014") << true << fmt(ValueFormat::UInt16)
                                 << "65535 20 " << QVector<double>{65535, 20} << 0 << 1;
    QTest::newRow("read float") << withCrc("01 04 0010 0002") << withCrc("01 04 04 3FC0 0000") << true
                                << fmt(ValueFormat::Float32) << "1.5 " << QVector<double>{1.5} << 16 << 2;
    QTest::newRow("int32 over three registers") << oddRequest << hexBytes("01 03 06 0001 0002 0003 FD74") << true
                                                << fmt(ValueFormat::Int32) << "65538 (余 1 个寄存器)"
                                                << QVector<double>{65538} << 0 << 2;
    QTest::newRow("bad CRC") << readRequest << hexBytes("01 03 04 000A 0014 0000") << true << i16
                             << "10 20 CRC错误: 应为 DA 3E" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("CRC bytes swapped") << readRequest << hexBytes("01 03 04 000A 0014 3EDA") << true << i16
                                       << "10 20 CRC错误: 应为 DA 3E" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("only the first CRC byte wrong") << readRequest << hexBytes("01 03 04 000A 0014 DB3E") << true << i16
                                                   << "10 20 CRC错误: 应为 DA 3E" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("only the second CRC byte wrong") << readRequest << hexBytes("01 03 04 000A 0014 DA3F") << true << i16
                                                    << "10 20 CRC错误: 应为 DA 3E" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("bad CRC after a leftover register") << oddRequest << hexBytes("01 03 06 0001 0002 0003 74FD") << true
                                                       << fmt(ValueFormat::Int32) << "65538 (余 1 个寄存器) CRC错误: 应为 FD 74"
                                                       << QVector<double>{65538} << 0 << 2;
    QTest::newRow("bad CRC, no registers") << withCrc("01 03 0000 0000") << hexBytes("01 03 00 0000") << true << i16
                                           << "CRC错误: 应为 20 F0" << none << 0 << 1;
    QTest::newRow("exception") << readRequest << exceptionReply << true << i16
                               << "异常响应: 功能码 03, 异常码 02 (非法数据地址)" << none << 0 << 1;
    QTest::newRow("exception with a bad CRC") << readRequest << hexBytes("01 83 02 0000") << true << i16
                                              << "异常响应: 功能码 03, 异常码 02 (非法数据地址) CRC错误: 应为 C0 F1" << none
                                              << 0 << 1;
    const struct {
        int code;
        const char *name;
    } exceptions[] = {{0x01, "非法功能"},       {0x02, "非法数据地址"},   {0x03, "非法数据值"},
                      {0x04, "从站设备故障"},   {0x05, "确认"},           {0x06, "从站设备忙"},
                      {0x07, "否定确认"},       {0x08, "存储奇偶性差错"}, {0x0A, "不可用网关路径"},
                      {0x0B, "网关目标设备响应失败"}, {0x00, "未知异常"},       {0x09, "未知异常"},
                      {0x0C, "未知异常"},       {0xFF, "未知异常"}};
    for (const auto &e : exceptions) {
        const QString code = QStringLiteral("%1").arg(e.code, 2, 16, QLatin1Char('0')).toUpper();
        QTest::newRow(qPrintable(QStringLiteral("exception %1 to a read").arg(code)))
            << withCrc("01 04 0000 0001") << withCrc(qPrintable("01 84" + code)) << true << i16
            << QStringLiteral("异常响应: 功能码 04, 异常码 %1 (%2)").arg(code, QString::fromUtf8(e.name)) << none << 0 << 1;
    }
    QTest::newRow("exception to a write") << write << withCrc("01 86 03") << true << i16
                                          << "异常响应: 功能码 06, 异常码 03 (非法数据值)" << none << 0 << 1;
    QTest::newRow("write echo") << write << write << true << i16 << "" << none << 0 << 1;
    QTest::newRow("write echo with a bad CRC") << write << hexBytes("01 06 0001 0003 0B98") << true << i16
                                               << "CRC错误: 应为 98 0B" << none << 0 << 1;

    QTest::newRow("nothing arrived") << readRequest << QByteArray() << false << i16 << "" << none << 0 << 1;
    QTest::newRow("address only") << readRequest << hexBytes("01") << false << i16 << "(不完整: 收到 1 字节)" << none
                                  << 0 << 1;
    QTest::newRow("no byte count yet") << readRequest << hexBytes("01 03") << false << i16 << "(不完整: 收到 2 字节)"
                                       << none << 0 << 1;
    QTest::newRow("byte count only") << readRequest << hexBytes("01 03 04") << false << i16 << "(不完整: 收到 3/9 字节)"
                                     << none << 0 << 1;
    QTest::newRow("half a value") << readRequest << hexBytes("01 03 04 000A 00") << false << i16
                                  << "10 (不完整: 收到 6/9 字节)" << QVector<double>{10} << 0 << 1;
    QTest::newRow("values without CRC") << readRequest << hexBytes("01 03 04 000A 0014") << false << i16
                                        << "10 20 (不完整: 收到 7/9 字节)" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("half a CRC is not checked") << readRequest << hexBytes("01 03 04 000A 0014 00") << false << i16
                                               << "10 20 (不完整: 收到 8/9 字节)" << QVector<double>{10, 20} << 0 << 1;
    QTest::newRow("half a 32-bit value") << readRequest << hexBytes("01 03 04 0001 00") << false << fmt(ValueFormat::Int32)
                                         << "(余 1 个寄存器) (不完整: 收到 6/9 字节)" << none << 0 << 2;
    QTest::newRow("exception without CRC") << readRequest << hexBytes("01 83 02") << false << i16
                                           << "异常响应: 功能码 03, 异常码 02 (非法数据地址) (不完整: 收到 3/5 字节)" << none
                                           << 0 << 1;
    QTest::newRow("exception, two bytes") << readRequest << hexBytes("01 83") << false << i16 << "(不完整: 收到 2/5 字节)"
                                          << none << 0 << 1;
    QTest::newRow("half a write echo") << write << hexBytes("01 06 0001") << false << i16 << "(不完整: 收到 4/8 字节)"
                                       << none << 0 << 1;
}

void TestModbusReply::decodedReplies()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(RegisterFormat, format);
    QFETCH(QString, text);
    QFETCH(QVector<double>, numbers);
    QFETCH(int, firstRegister);
    QFETCH(int, registersPerValue);
    Reply reply;
    reply.request = request;
    reply.bytes = bytes;
    reply.complete = complete;
    const ReplyDecode got = decodeReply(reply, format);
    QCOMPARE(got.text, text);
    compareNumbers(got.numbers, numbers);
    if (!numbers.isEmpty()) {
        QCOMPARE(got.firstRegister, firstRegister);
        QCOMPARE(got.registersPerValue, registersPerValue);
    }
}

void TestModbusReply::goodInt16RepliesLookAsBefore_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("two registers") << readRequest << readReply;
    QTest::newRow("negative and large") << readRequest << withCrc("01 03 04 FFFF 8000");
    QTest::newRow("one register") << withCrc("01 03 0000 0001") << withCrc("01 03 02 007B");
    QTest::newRow("input registers") << withCrc("07 04 0005 0003") << withCrc("07 04 06 0001 7FFF FF9C");
    QTest::newRow("no registers") << withCrc("01 03 0000 0000") << withCrc("01 03 00");
}

void TestModbusReply::goodInt16RepliesLookAsBefore()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    ReplyAssembler assembler;
    assembler.expectReplyTo(request, 0, 300);
    QCOMPARE(assembler.feed(reply, 100), Feed::Complete);
    QCOMPARE(decodeReply(assembler.take(), RegisterFormat()).text, decodeRegisterValues(reply));
}

// pymodbus's BinaryPayloadBuilder names the order by two switches: byteorder is the order of
// the two bytes inside each register, wordorder the order of the registers. So
//   ABCD = byteorder big,    wordorder big       CDAB = byteorder big,    wordorder little
//   BADC = byteorder little, wordorder big       DCBA = byteorder little, wordorder little
void TestModbusReply::valuesEncodedByPymodbus_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("byteorder");
    QTest::addColumn<QString>("wordorder");
    QTest::addColumn<RegisterFormat>("format");
    QTest::addColumn<QVector<double>>("values");

    const struct {
        WordOrder order;
        const char *name;
        const char *byteorder;
        const char *wordorder;
    } orders[] = {{WordOrder::ABCD, "ABCD", "big", "big"},
                  {WordOrder::CDAB, "CDAB", "big", "little"},
                  {WordOrder::BADC, "BADC", "little", "big"},
                  {WordOrder::DCBA, "DCBA", "little", "little"}};
    const struct {
        ValueFormat format;
        const char *kind;
        QVector<double> values;
    } kinds[] = {
        {ValueFormat::Int32, "int32", {305419896, -19088744, -2147483648.0, 2147483647, 0, -1, 65536}},
        {ValueFormat::UInt32, "uint32", {305419896, 4275878552.0, 4294967295.0, 0, 1, 65535, 65536}},
        {ValueFormat::Float32, "float", {1.5, -273.15, 0.1, 3.4028234663852886e38, 1e-40, -0.0, notANumber, infinity, -infinity}},
    };
    for (const auto &k : kinds) {
        for (const auto &o : orders) {
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(k.kind, o.name)))
                << k.kind << o.byteorder << o.wordorder << fmt(k.format, o.order) << k.values;
        }
    }
}

void TestModbusReply::valuesEncodedByPymodbus()
{
    QFETCH(QString, kind);
    QFETCH(QString, byteorder);
    QFETCH(QString, wordorder);
    QFETCH(RegisterFormat, format);
    QFETCH(QVector<double>, values);

    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(python)) {
        QFAIL("/usr/bin/python3 is missing (Debian package python3-pymodbus)");
    }
    const QString script = QFINDTESTDATA("pymodbus_registers.py");
    QVERIFY2(!script.isEmpty(), "tests/pymodbus_registers.py not found");
    QStringList args = {script, kind, byteorder, wordorder};
    for (double v : values) {
        // "nan", "inf", "-inf" read back in Python too, but Qt writes -0.0 as "0".
        args << (v == 0 && std::signbit(v) ? QStringLiteral("-0.0") : QString::number(v, 'g', 17));
    }
    QProcess process;
    process.start(python, args);
    QVERIFY2(process.waitForFinished(20000), qPrintable(process.errorString()));
    const QString complaint = QString::fromUtf8(process.readAllStandardError()).trimmed();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(complaint));

    const QByteArray registers = hexBytes(process.readAllStandardOutput().trimmed().constData());
    QCOMPARE(registers.size(), 4 * values.size());
    const DecodedValues got = decodeRegisterData(registers, format);
    QCOMPARE(got.leftoverRegisters, 0);
    QVector<double> want;
    for (double v : values) {
        want << (format.format == ValueFormat::Float32 ? static_cast<double>(static_cast<float>(v)) : v);
    }
    compareNumbers(got.numbers, want);
    if (format.format == ValueFormat::Float32) {
        QVERIFY2(std::signbit(got.numbers.at(5)), "-0.0 lost its sign");
    }
}

QTEST_GUILESS_MAIN(TestModbusReply)
#include "tst_modbusreply.moc"
