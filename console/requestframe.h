#ifndef REQUESTFRAME_H
#define REQUESTFRAME_H

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

// The form's request row, checked field by field before anything is sent.
struct RequestRow {
    QByteArray frame; // the Modbus RTU request, CRC low byte first; empty when a field is wrong
    QString field;    // the wrong field's object name ("pid", "fid", "addr", "value" or "data")
    QString error;    // why, in words for the user
};
Q_DECLARE_METATYPE(RequestRow)

// The function codes a request can have, as the 功能码 box shows them: two hex digits, a
// blank, the name ("01 读线圈" ... "0F 写多个线圈", "10 写多个寄存器").
QStringList functionChoices();
// The code of such an entry (its hex digits, whatever name follows them) or of a bare
// decimal number ("3", "16"); 0 for anything else.
int functionFromChoice(const QString &text);

// Address 1-247 for reads (FC 1-4), 0-247 for writes (FC 5, 6, 15, 16; 0 broadcasts); first
// coil or register 0-65535. `countOrValue` by function: FC 1/2 count 1-2000, FC 3/4 count
// 1-125; FC 5 "1"/"on" or "0"/"off" (any case, sent as FF00/0000); FC 6 0-65535 or
// -32768..-1 (sent as two's complement); FC 15/16 blank or the number of values in `dataList`.
// `dataList`, for FC 15/16 only, holds values separated by blanks or commas: FC 15 bits 0/1
// (1-1968 of them), FC 16 register values 0-65535, -32768..-1 or 0x0000-0xFFFF (1-123).
// No count may run past address 65535. Decimal numbers unless said; blanks around are allowed.
RequestRow checkRequest(const QString &address, const QString &function, const QString &reg,
                        const QString &countOrValue, const QString &dataList);
// The same with the form's four fields: for FC 15/16 `value` is the list, and its faults
// are reported as "value"'s.
RequestRow checkRequestRow(const QString &address, const QString &function, const QString &reg,
                           const QString &value);

// Each byte as two upper-case hex digits followed by one blank ("01 03 ... 0A ").
QString requestText(const QByteArray &frame);

#endif // REQUESTFRAME_H
