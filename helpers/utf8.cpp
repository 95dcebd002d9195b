#include "utf8.h"

namespace {

// Length of the well-formed character starting at p[0] (at most `left` bytes are there),
// 0 when it is malformed, or -n when it is a good start of n bytes cut short.
int characterLength(const unsigned char *p, int left)
{
    const unsigned char c = p[0];
    if (c < 0x80) {
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = c == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (i >= left) {
            return -length;
        }
        const unsigned char lo = i == 1 ? low : 0x80;
        const unsigned char hi = i == 1 ? high : 0xBF;
        if (p[i] < lo || p[i] > hi) {
            return 0;
        }
    }
    return length;
}

} // namespace

bool isValidUtf8(const QByteArray &data)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const int size = data.size();
    for (int i = 0; i < size;) {
        const int n = characterLength(p + i, size - i);
        if (n <= 0) {
            return false;
        }
        i += n;
    }
    return true;
}

int incompleteUtf8Tail(const QByteArray &data)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const int size = data.size();
    // A cut character starts at most three bytes from the end.
    for (int start = qMax(0, size - 3); start < size; ++start) {
        if ((p[start] & 0xC0) != 0x80 && characterLength(p + start, size - start) < 0) {
            return size - start;
        }
    }
    return 0;
}
