#ifndef REQUESTFRAME_H
#define REQUESTFRAME_H

#include <QByteArray>
#include <QString>

// The form's request row, checked field by field before anything is sent.
struct RequestRow {
    QByteArray frame; // the Modbus RTU request, CRC low byte first; empty when a field is wrong
    QString field;    // the wrong field's object name ("pid", "fid", "addr" or "value")
    QString error;    // why, in words for the user
};

// Address 1-247 for reads (FC 3/4), 0-247 for writes (FC 6, 0 broadcasts); register 0-65535;
// count 1-125 for reads; value 0-65535 or -32768..-1 (sent as two's complement) for writes.
// Decimal numbers only; blanks around them are allowed.
RequestRow checkRequestRow(const QString &address, const QString &function, const QString &reg,
                           const QString &value);

// Each byte as two upper-case hex digits followed by one blank ("01 03 ... 0A ").
QString requestText(const QByteArray &frame);

#endif // REQUESTFRAME_H
