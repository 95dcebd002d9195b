#ifndef MODBUSREPLY_H
#define MODBUSREPLY_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// How register values are shown: 16-bit values take one register, 32-bit values two, 64-bit
// values four; ASCII makes one text of all registers, two characters each, high byte first.
enum class ValueFormat { Int16, UInt16, Int32, UInt32, Float32, Int64, UInt64, Float64, Ascii };

// Where the bytes A B C D of a 32-bit value (A most significant) sit among the two
// registers' wire bytes b0 b1 b2 b3:
//   ABCD  b0 b1 b2 b3 (big-endian)      CDAB  b2 b3 b0 b1 (words swapped)
//   BADC  b1 b0 b3 b2 (bytes swapped)   DCBA  b3 b2 b1 b0 (little-endian)
// 64-bit values follow the same two rules over four registers: CDAB and DCBA take the
// registers lowest word first, BADC and DCBA swap the two bytes within each register. With
// A..H the value's bytes, most significant first, the wire carries
//   ABCD  AB CD EF GH                   CDAB  GH EF CD AB
//   BADC  BA DC FE HG                   DCBA  HG FE DC BA
enum class WordOrder { ABCD, CDAB, BADC, DCBA };

struct RegisterFormat {
    ValueFormat format = ValueFormat::Int16;
    WordOrder order = WordOrder::ABCD;
};

// The order means nothing for 16-bit values and ASCII, so it is not compared for them.
bool operator==(const RegisterFormat &a, const RegisterFormat &b);
bool operator!=(const RegisterFormat &a, const RegisterFormat &b);

// The INI text: "int16", "uint16", "ascii", or "int32" / "uint32" / "float" / "int64" /
// "uint64" / "double" with ":ABCD" etc.
QString formatSettingText(RegisterFormat format);
// Case-sensitive; false for anything else, and *format is then left as it was.
bool parseFormatSetting(const QString &text, RegisterFormat *format);
// The format of a setting text; 16-bit signed, as it always was, for anything unknown.
RegisterFormat formatFromSetting(const QString &text);

// The combo box entries: 16-bit signed and unsigned, then the four orders of 32-bit signed,
// unsigned and float (the first 14, whose places never change), then the four orders of
// 64-bit signed, unsigned and float, then ASCII (27 entries).
QStringList formatChoices();
// Int16 for an index outside the list.
RegisterFormat formatAt(int index);
// -1 when the format is not in the list.
int indexOfFormat(RegisterFormat format);

struct DecodedValues {
    QString text;
    QVector<double> numbers;
    int leftoverRegisters = 0;
};

// Register bytes only (after the byte count), each register high byte first. Every value is
// shown in decimal followed by one blank; 32-bit floats with up to 7 significant digits,
// doubles with as many as they need to read back the same, "NaN", "Inf", "-Inf", "-0" (the numbers
// keep them as they are). 64-bit integers are shown exactly; their numbers are the nearest
// doubles. A 32- or 64-bit format over a register count it does not divide leaves the last
// registers out and says so. A trailing odd byte is ignored.
// ASCII is one text and no numbers (nothing to plot): printable characters as they are,
// NULs at the end dropped (padding), any other byte and the backslash as \xNN.
DecodedValues decodeRegisterData(const QByteArray &data, RegisterFormat format);

// The wire bytes (each register high byte first) of one value typed in `format`: 16-bit
// values -32768..65535, 32- and 64-bit integers in their type's range, floats that are
// finite, decimal or with "0x" for integers; ASCII as Latin-1 printable text, two characters
// a register, a NUL padding the last. Empty with *error saying why for anything else.
QByteArray encodeRegisterValue(const QString &text, RegisterFormat format, QString *error);

// The name of a standard Modbus exception code, or "未知异常".
QString exceptionName(int code);

// Time a reply may take, from the moment a request is written or the last piece of its reply
// arrived: the wire time of the request and of the reply (`characterMs` a character), the
// 3.5 characters of silence that end a frame, and the time a device may take to answer.
// Whole milliseconds, rounded up; 1000 when the character time is unknown (0 or less).
int replyTimeoutMs(double characterMs, int requestBytes, int replyBytes);
constexpr int deviceAnswerMs = 200;

// 1 for 16-bit formats, 2 for 32-bit ones, 4 for 64-bit ones; 1 for ASCII, whose count is
// asked in registers and whose whole reply is one value.
int registersPerValue(RegisterFormat format);

// Whether the last two bytes of a frame are its CRC.
bool hasGoodCrc(const QByteArray &frame);

#endif // MODBUSREPLY_H
