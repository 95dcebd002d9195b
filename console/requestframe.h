#ifndef REQUESTFRAME_H
#define REQUESTFRAME_H

#include <QByteArray>
#include <QString>

// The eight-byte Modbus RTU request built from the form's request row: address and
// function code (low 8 bits), register and value (16-bit, big-endian), CRC low byte first.
// Text that does not parse, or is out of range for its field, counts as 0.
QByteArray buildRequestFrame(const QString &address, const QString &function, const QString &reg,
                             const QString &value);

// Each byte as two upper-case hex digits followed by one blank ("01 03 ... 0A ").
QString requestText(const QByteArray &frame);

#endif // REQUESTFRAME_H
