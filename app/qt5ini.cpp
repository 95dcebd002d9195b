#include "qt5ini.h"

namespace {
bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void appendEscape(QByteArray &out, uint unit)
{
    out += "\\x";
    out += QByteArray::number(unit, 16);
}

// The code point of the UTF-8 sequence at data[i] and its length; a byte that starts no valid
// sequence stands for itself (Qt writes none, but a file may have been changed since).
uint decodeUtf8(const QByteArray &data, qsizetype i, qsizetype end, qsizetype &length)
{
    const auto lead = static_cast<uchar>(data.at(i));
    int more = 0;
    uint code = lead;
    uint least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        code = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        code = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        code = lead & 0x07u;
        least = 0x10000;
    }
    if (more == 0 || i + more >= end) {
        length = 1;
        return lead;
    }
    for (int k = 1; k <= more; ++k) {
        const auto next = static_cast<uchar>(data.at(i + k));
        if ((next & 0xC0) != 0x80) {
            length = 1;
            return lead;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        length = 1;
        return lead;
    }
    length = 1 + more;
    return code;
}

// One value, from just after "=" to the end of its line.
void escapeValue(const QByteArray &ini, qsizetype from, qsizetype end, QByteArray &out)
{
    bool escapeHexDigit = false; // Qt 5 escapes a hex digit that follows a \x or \0 escape
    qsizetype i = from;
    while (i < end) {
        const char c = ini.at(i);
        if (c == '\\' && i + 1 < end) {
            const char kind = ini.at(i + 1);
            out += c;
            out += kind;
            i += 2;
            if (kind == 'x') {
                while (i < end && isHexDigit(ini.at(i))) {
                    out += ini.at(i++);
                }
            }
            escapeHexDigit = kind == 'x' || kind == '0';
            continue;
        }
        if (static_cast<uchar>(c) >= 0x7F) {
            qsizetype length = 1;
            const uint code = decodeUtf8(ini, i, end, length);
            if (code > 0xFFFF) {
                appendEscape(out, 0xD800 + ((code - 0x10000) >> 10));
                appendEscape(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                appendEscape(out, code);
            }
            i += length;
            escapeHexDigit = true;
            continue;
        }
        if (escapeHexDigit && isHexDigit(c)) {
            appendEscape(out, static_cast<uchar>(c));
        } else {
            escapeHexDigit = false;
            out += c;
        }
        ++i;
    }
}
} // namespace

QByteArray withQt5IniEscapes(const QByteArray &ini)
{
    QByteArray out;
    out.reserve(ini.size() + ini.size() / 4);
    qsizetype start = 0;
    while (start < ini.size()) {
        qsizetype end = ini.indexOf('\n', start);
        const qsizetype next = end < 0 ? ini.size() : end + 1;
        if (end < 0) {
            end = ini.size();
        }
        // Section names and keys are written %-escaped, so only values can hold such bytes.
        const qsizetype equals = ini.at(start) == '[' ? -1 : ini.indexOf('=', start);
        if (equals < 0 || equals >= end) {
            out += ini.mid(start, next - start);
        } else {
            out += ini.mid(start, equals + 1 - start);
            escapeValue(ini, equals + 1, end, out);
            out += ini.mid(end, next - end);
        }
        start = next;
    }
    return out;
}
