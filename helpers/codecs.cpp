// Conversions between bytes and the two notations the console shows: hexadecimal pairs
// and named text, where control bytes appear as "\CR", "\LF" and so on.
#include "tavihelper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstring>

namespace {

struct DigitTable {
    signed char value[256];
    constexpr DigitTable() : value()
    {
        for (int i = 0; i < 256; ++i) {
            value[i] = -1;
        }
        for (int i = 0; i < 10; ++i) {
            value['0' + i] = static_cast<signed char>(i);
        }
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = static_cast<signed char>(10 + i);
            value['a' + i] = static_cast<signed char>(10 + i);
        }
    }
};
constexpr DigitTable digitTable;

constexpr char upperDigits[] = "0123456789ABCDEF";
constexpr char lowerDigits[] = "0123456789abcdef";

// The two characters of each byte in upper-case hex.
struct HexPairs {
    QChar pair[256][2];
    constexpr HexPairs() : pair()
    {
        for (int i = 0; i < 256; ++i) {
            pair[i][0] = QChar(ushort(upperDigits[i >> 4]));
            pair[i][1] = QChar(ushort(upperDigits[i & 0x0F]));
        }
    }
};
constexpr HexPairs hexPairs;

struct ControlName {
    char name[4];
};
// Index is the byte value 0x00..0x1F.
constexpr ControlName controlNames[32] = {
    {"NUL"}, {"SOH"}, {"STX"}, {"ETX"}, {"EOT"}, {"ENQ"}, {"ACK"}, {"BEL"},
    {"BS"},  {"HT"},  {"LF"},  {"VT"},  {"FF"},  {"CR"},  {"SO"},  {"SI"},
    {"DLE"}, {"DC1"}, {"DC2"}, {"DC3"}, {"DC4"}, {"NAK"}, {"SYN"}, {"ETB"},
    {"CAN"}, {"EM"},  {"SUB"}, {"ESC"}, {"FS"},  {"GS"},  {"RS"},  {"US"},
};

// Lookup of control names by their letters, so that decoding an escape costs no search.
struct NameTable {
    bool firstLetter[128];
    signed char twoLetter[128][128]; // byte of a complete two-letter name, or -1
    bool longer[128][128];           // some three-letter name starts with these two letters
    constexpr NameTable() : firstLetter(), twoLetter(), longer()
    {
        for (int a = 0; a < 128; ++a) {
            for (int b = 0; b < 128; ++b) {
                twoLetter[a][b] = -1;
            }
        }
        for (int byte = 0; byte < 32; ++byte) {
            const char *nm = controlNames[byte].name;
            firstLetter[int(nm[0])] = true;
            if (nm[2] == 0) {
                twoLetter[int(nm[0])][int(nm[1])] = static_cast<signed char>(byte);
            } else {
                longer[int(nm[0])][int(nm[1])] = true;
            }
        }
    }
};
constexpr NameTable nameTable;

inline char latin1At(const QChar *s, int i)
{
    const ushort u = s[i].unicode();
    return u > 0xFF ? '?' : static_cast<char>(u);
}

inline int unitAt(const QChar *s, int n, int i)
{
    return i < n ? s[i].unicode() : -1;
}

// Reads "\x" followed by at most two characters the way QString::toInt(base 16) would,
// with a fast path for the common case of two hexadecimal digits.
int escapedHexValue(const QString &text, int from)
{
    const int n = text.size();
    if (from + 1 < n) {
        const ushort a = text.at(from).unicode();
        const ushort b = text.at(from + 1).unicode();
        if (a < 256 && b < 256 && digitTable.value[a] >= 0 && digitTable.value[b] >= 0) {
            return digitTable.value[a] * 16 + digitTable.value[b];
        }
    }
    bool ok = false;
    const int value = text.mid(from, 2).toInt(&ok, 16);
    return ok ? value : 0;
}

} // namespace

int TaviHelper::hexDigitValue(char c)
{
    return digitTable.value[static_cast<unsigned char>(c)];
}

QByteArray TaviHelper::hexTextToBytes(const QString &text)
{
    const int n = text.size();
    const QChar *s = text.constData();
    QByteArray out;
    out.resize(n / 2 + 1);
    char *w = out.data();
    int count = 0;
    int j = 0;
    while (j < n) {
        ushort hi = s[j].unicode();
        if (hi == ' ') {
            ++j;
            continue;
        }
        if (j + 1 >= n) {
            break;
        }
        ushort lo = s[j + 1].unicode();
        if (hi > 0xFF) {
            hi = 0;
        }
        if (lo > 0xFF) {
            lo = 0;
        }
        const int value = 16 * digitTable.value[hi] + digitTable.value[lo];
        w[count++] = static_cast<char>(value & 0xFF);
        j += 2;
    }
    out.truncate(count);
    return out;
}

QString TaviHelper::bytesToHexText(const QByteArray &data)
{
    const int n = data.size();
    if (n == 0) {
        return QString();
    }
    // Written once, three characters a byte: a fast stream is megabytes of this a second.
    QString out(n * 3 - 1, Qt::Uninitialized);
    QChar *w = out.data();
    const uchar *r = reinterpret_cast<const uchar *>(data.constData());
    for (int i = 0; i < n - 1; ++i) {
        std::memcpy(w + i * 3, hexPairs.pair[r[i]], sizeof hexPairs.pair[0]);
        w[i * 3 + 2] = QLatin1Char(' ');
    }
    std::memcpy(w + (n - 1) * 3, hexPairs.pair[r[n - 1]], sizeof hexPairs.pair[0]);
    return out;
}

QString TaviHelper::bytesToNamedText(const QByteArray &data)
{
    const int n = data.size();
    // Worst case is four characters per byte ("\xab", "\NUL").
    QString out(n * 4, Qt::Uninitialized);
    QChar *w = out.data();
    int k = 0;
    const uchar *r = reinterpret_cast<const uchar *>(data.constData());
    for (int i = 0; i < n; ++i) {
        const uchar b = r[i];
        if (b < 0x20) {
            w[k++] = QLatin1Char('\\');
            for (const char *p = controlNames[b].name; *p; ++p) {
                w[k++] = QLatin1Char(*p);
            }
        } else if (b == 0x7F || b == 0x5C) {
            w[k++] = QLatin1Char('\\');
            w[k++] = QLatin1Char('x');
            w[k++] = QLatin1Char(upperDigits[b >> 4]);
            w[k++] = QLatin1Char(upperDigits[b & 0x0F]);
        } else if (b == 0x20 || b >= 0x80) {
            w[k++] = QLatin1Char('\\');
            w[k++] = QLatin1Char('x');
            w[k++] = QLatin1Char(lowerDigits[b >> 4]);
            w[k++] = QLatin1Char(lowerDigits[b & 0x0F]);
        } else {
            w[k++] = QLatin1Char(static_cast<char>(b));
        }
    }
    out.truncate(k);
    // The notation never produces white space at either end; trimming keeps that true.
    return out.trimmed();
}

QByteArray TaviHelper::namedTextToBytes(const QString &text)
{
    const int n = text.size();
    const QChar *s = text.constData();
    QByteArray out;
    out.resize(n); // every character yields at most one byte
    char *w = out.data();
    int k = 0;
    int i = 0;
    while (i < n) {
        if (s[i].unicode() != '\\') {
            w[k++] = latin1At(s, i);
            ++i;
            continue;
        }
        const int esc = unitAt(s, n, i + 1);
        if (esc == 'x') {
            w[k++] = static_cast<char>(escapedHexValue(text, i + 2) & 0xFF);
            i += 4;
            continue;
        }
        if (esc == '\\') {
            w[k++] = '\\';
            i += 2;
            continue;
        }
        if (esc <= 0 || esc >= 128 || !nameTable.firstLetter[esc]) {
            w[k++] = '\\';
            if (esc >= 0) {
                w[k++] = latin1At(s, i + 1);
            }
            i += 2;
            continue;
        }

        // Match the second letter, then (where needed) the third, among the names
        // that begin with the escape letter.
        const int second = unitAt(s, n, i + 2);
        const int twoLetter = second > 0 && second < 128 ? nameTable.twoLetter[esc][second] : -1;
        const bool hasThreeLetter = second > 0 && second < 128 && nameTable.longer[esc][second];
        if (twoLetter < 0 && !hasThreeLetter) {
            if (second >= 0) {
                w[k++] = latin1At(s, i + 2);
            }
            i += 3;
            continue;
        }
        if (!hasThreeLetter) {
            w[k++] = static_cast<char>(twoLetter);
            i += 3;
            continue;
        }
        const int third = unitAt(s, n, i + 3);
        int threeLetter = -1;
        for (int b = 0; b < 32; ++b) {
            const char *nm = controlNames[b].name;
            if (nm[0] == esc && nm[1] == second && nm[2] != 0 && nm[2] == third) {
                threeLetter = b;
                break;
            }
        }
        if (threeLetter >= 0) {
            w[k++] = static_cast<char>(threeLetter);
            i += 4;
        } else if (twoLetter >= 0) {
            // "\SO" not followed by "H": the next character is scanned normally.
            w[k++] = static_cast<char>(twoLetter);
            i += 3;
        } else {
            if (third >= 0) {
                w[k++] = latin1At(s, i + 3);
            }
            i += 4;
        }
    }
    out.truncate(k);
    return out;
}

void TaviHelper::delayMs(int msec)
{
    if (msec <= 0) {
        return;
    }
    // Monotonic clock; each slice waits in a nested event loop so the thread sleeps
    // instead of spinning, while timers, sockets and clicks are still delivered.
    QElapsedTimer clock;
    clock.start();
    qint64 remaining = msec;
    while (remaining > 0) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(qMin<qint64>(remaining, 100)), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
        remaining = msec - clock.elapsed();
    }
}

int TaviHelper::hexTextToInt(const QString &text)
{
    return text.toInt(nullptr, 16);
}

int TaviHelper::decimalTextToInt(const QString &text)
{
    return text.toInt(nullptr, 10);
}

int TaviHelper::binaryTextToInt(const QString &text)
{
    return text.toInt(nullptr, 2);
}

QString TaviHelper::hexTextToBinaryText(const QString &text)
{
    const int value = text.toInt(nullptr, 16) & 0xFF;
    return QString::number(value, 2).rightJustified(8, QLatin1Char('0'));
}

QString TaviHelper::intToBinaryText8(int value)
{
    return QString::number(value, 2).rightJustified(8, QLatin1Char('0'));
}

QString TaviHelper::intToBinaryText16(int value)
{
    return QString::number(value, 2).rightJustified(16, QLatin1Char('0'));
}

QString TaviHelper::intToHexText(int value)
{
    const QString text = QString::number(value, 16);
    return text.size() == 1 ? QLatin1Char('0') + text : text;
}
