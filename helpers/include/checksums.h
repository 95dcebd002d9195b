#ifndef CHECKSUMS_H
#define CHECKSUMS_H

#include <QByteArray>
#include <QtGlobal>

// Standard 256-entry lookup tables, generated at compile time.
extern const quint16 *const crc16ModbusTable;
extern const quint32 *const crc32Table;

// CRC-16/MODBUS with its two bytes swapped, so that ByteUtil::setShortBE stores it in
// Modbus RTU order (low byte first). 0xFFFF for empty data.
quint16 modbusCrc(const QByteArray &data);
// Qt's qChecksum (CRC-16, ISO 3309 form) of all bytes.
quint16 qtChecksum(const QByteArray &data);
// CRC-32 (ISO-HDLC) of all bytes; 0 for empty data.
quint32 crc32(const QByteArray &data);

#endif // CHECKSUMS_H
