#include "checksums.h"
#include "tavihelper.h"

namespace {

template <typename T, T Poly>
struct ReflectedTable {
    T entry[256];
    constexpr ReflectedTable() : entry()
    {
        for (unsigned i = 0; i < 256; ++i) {
            T crc = static_cast<T>(i);
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 1) ? static_cast<T>((crc >> 1) ^ Poly) : static_cast<T>(crc >> 1);
            }
            entry[i] = crc;
        }
    }
};

constexpr ReflectedTable<quint16, 0xA001> modbusTable;
constexpr ReflectedTable<quint32, 0xEDB88320u> crc32TableData;

} // namespace

const quint16 *const crc16ModbusTable = modbusTable.entry;
const quint32 *const crc32Table = crc32TableData.entry;

quint16 modbusCrc(const QByteArray &data)
{
    const quint16 crc =
        TaviHelper::crc16Modbus(reinterpret_cast<const quint8 *>(data.constData()), data.size());
    return static_cast<quint16>((crc << 8) | (crc >> 8));
}

quint16 qtChecksum(const QByteArray &data)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return qChecksum(data.constData(), static_cast<uint>(data.size()));
#else
    return qChecksum(QByteArrayView(data)); // ISO 3309, as the Qt 5 overload
#endif
}

quint32 crc32(const QByteArray &data)
{
    if (data.isEmpty()) {
        return 0;
    }
    quint32 crc = 0xFFFFFFFFu;
    const uchar *p = reinterpret_cast<const uchar *>(data.constData());
    for (int i = 0; i < data.size(); ++i) {
        crc = (crc >> 8) ^ crc32Table[(crc ^ p[i]) & 0xFF];
    }
    return crc ^ 0xFFFFFFFFu;
}
