#ifndef MODBUSREPLY_H
#define MODBUSREPLY_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// How register values are shown: 16-bit values take one register, 32-bit values two.
enum class ValueFormat { Int16, UInt16, Int32, UInt32, Float32 };

// Where the bytes A B C D of a 32-bit value (A most significant) sit among the two
// registers' wire bytes b0 b1 b2 b3:
//   ABCD  b0 b1 b2 b3 (big-endian)      CDAB  b2 b3 b0 b1 (words swapped)
//   BADC  b1 b0 b3 b2 (bytes swapped)   DCBA  b3 b2 b1 b0 (little-endian)
enum class WordOrder { ABCD, CDAB, BADC, DCBA };

struct RegisterFormat {
    ValueFormat format = ValueFormat::Int16;
    WordOrder order = WordOrder::ABCD;
};

// The order means nothing for 16-bit values, so it is not compared for them.
bool operator==(const RegisterFormat &a, const RegisterFormat &b);
bool operator!=(const RegisterFormat &a, const RegisterFormat &b);

// The INI text: "int16", "uint16", or "int32" / "uint32" / "float" with ":ABCD" etc.
QString formatSettingText(RegisterFormat format);
// Case-sensitive; false for anything else, and *format is then left as it was.
bool parseFormatSetting(const QString &text, RegisterFormat *format);
// The format of a setting text; 16-bit signed, as it always was, for anything unknown.
RegisterFormat formatFromSetting(const QString &text);

// The combo box entries: 16-bit signed and unsigned, then the four orders of 32-bit signed,
// unsigned and float (14 entries).
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
// shown in decimal followed by one blank; floats with up to 7 significant digits, "NaN",
// "Inf", "-Inf" (the numbers keep them as they are). A 32-bit format over an odd register
// count leaves the last register out and says so. A trailing odd byte is ignored.
DecodedValues decodeRegisterData(const QByteArray &data, RegisterFormat format);

// The name of a standard Modbus exception code, or "未知异常".
QString exceptionName(int code);

// Length of the whole reply to an 8-byte read (FC 3/4) or write (FC 6) request, to size the
// time limit; 0 for anything else.
int expectedReplyLength(const QByteArray &request);

// Time limit after the last received piece: 3.5 characters of silence plus the wire time of
// the bytes still expected, plus 250 ms because the console only reads every 100 ms. Never
// more than 1000 ms (also for a baud rate of 0 or less).
int replyTimeoutMs(int baud, int dataBits, bool parity, double stopBits, int bytesStillExpected);

struct Reply {
    QByteArray request;
    QByteArray bytes;
    bool complete = false;
};

// Joins the receptions that answer the last request into one reply. Time is the caller's
// monotonic clock in milliseconds.
class ReplyAssembler
{
public:
    enum class Feed { NotAReply, Incomplete, Complete };

    // Called with the bytes just written. A read or write request (8 bytes, FC 3/4/6, good
    // CRC) starts a wait for its reply; anything else ends the wait. A half reply that was
    // being assembled is handed out first by take(), marked incomplete.
    void expectReplyTo(const QByteArray &request, qint64 nowMs, int timeoutMs);

    // One reception. NotAReply when nothing is expected or the piece does not fit; that ends
    // the wait and the caller shows the piece as before. A piece fed at or after the time
    // limit first closes the wait (a half reply is then ready to take), so it is NotAReply.
    // Bytes past the expected length are not part of the reply.
    Feed feed(const QByteArray &piece, qint64 nowMs);

    // A wait is open and its time limit has passed: take() the short reply.
    bool expired(qint64 nowMs) const;
    // A wait is open (for the first byte or for the rest).
    bool isWaiting() const { return waiting; }
    // A reply is ready: complete, or a half reply closed by a new request or a late piece.
    bool hasReply() const { return !ready.isEmpty(); }

    // The oldest ready reply; when none is ready, the open wait ends and what arrived is handed
    // out incomplete (bytes empty when nothing came). Empty when there was no wait either.
    Reply take();

private:
    void closeWait();

    QVector<Reply> ready;
    QByteArray request;
    QByteArray bytes;
    bool waiting = false;
    int timeoutMs = 0;
    qint64 deadline = 0;
};

struct ReplyDecode {
    QString text;
    QVector<double> numbers;
    int functionCode = 0;
    int firstRegister = 0;
    int registersPerValue = 1;
    // A complete reply with a good CRC: its numbers can be trusted (and plotted).
    bool trusted = false;
};

// The "数值解析" text of an assembled reply: values of a read reply (with its first register
// and the registers per value), the exception and its name, nothing for a good write echo;
// then a CRC note for a complete reply with a wrong CRC, or an incompleteness note.
ReplyDecode decodeReply(const Reply &reply, RegisterFormat format);

#endif // MODBUSREPLY_H
