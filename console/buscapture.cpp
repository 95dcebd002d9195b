#include "buscapture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSaveFile>
#include <QtEndian>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(BusCapture)
};

const char header[] = "time,gap_ms,length,hex,crc,kind";

QString gapText(qint64 us)
{
    return us < 0 ? QString() : QString::number(double(us) / 1000.0, 'f', 3);
}

QString directionName(BusKind kind)
{
    switch (kind) {
    case BusKind::Request:
        return QStringLiteral("to-slave");
    case BusKind::Reply:
    case BusKind::Exception:
        return QStringLiteral("to-master");
    case BusKind::Unknown:
        break;
    }
    return QString();
}

const struct {
    int flag;
    const char *name;
} flagNames[] = {{BusFrame::ShortGap, "short-gap"},
                 {BusFrame::InnerGap, "inner-gap"},
                 {BusFrame::Split, "split"},
                 {BusFrame::Overlong, "overlong"}};

QString flagsText(int flags)
{
    QStringList names;
    for (const auto &f : flagNames) {
        if (flags & f.flag) {
            names << QLatin1String(f.name);
        }
    }
    return names.join(QLatin1Char(' '));
}

int flagsFromText(const QString &text)
{
    int flags = 0;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (const auto &f : flagNames) {
            if (word == QLatin1String(f.name)) {
                flags |= f.flag;
            }
        }
    }
    return flags;
}

template <typename T>
void appendLittle(QByteArray *out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out->append(bytes, int(sizeof(T)));
}

QByteArray pcapHeader()
{
    QByteArray h;
    appendLittle<quint32>(&h, 0xa1b2c3d4); // microsecond stamps, in the writer's byte order
    appendLittle<quint16>(&h, 2);
    appendLittle<quint16>(&h, 4);
    appendLittle<qint32>(&h, 0);      // stamps are UTC
    appendLittle<quint32>(&h, 0);     // accuracy of the stamps
    appendLittle<quint32>(&h, 65535); // snapshot length
    appendLittle<quint32>(&h, PcapWriter::linkType);
    return h;
}

QByteArray pcapRecord(const BusFrame &frame)
{
    QByteArray r;
    appendLittle<quint32>(&r, quint32(frame.timeUs / 1000000));
    appendLittle<quint32>(&r, quint32(frame.timeUs % 1000000));
    appendLittle<quint32>(&r, quint32(frame.bytes.size()));
    appendLittle<quint32>(&r, quint32(frame.bytes.size()));
    return r + frame.bytes;
}

bool commit(QSaveFile *file, const QByteArray &content, QString *error)
{
    if (!file->open(QIODevice::WriteOnly) || file->write(content) != content.size()
        || !file->commit()) {
        *error = Texts::tr("无法写入 %1: %2").arg(file->fileName(), file->errorString());
        return false;
    }
    return true;
}
} // namespace

QString busTimeText(qint64 epochUs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(epochUs / 1000);
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."))
           + QStringLiteral("%1").arg(epochUs % 1000000, 6, 10, QLatin1Char('0'));
}

bool parseBusTime(const QString &text, qint64 *epochUs)
{
    const QDateTime t = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    const QString fraction = text.mid(20);
    bool ok = false;
    const qint64 us = fraction.toLongLong(&ok);
    if (!t.isValid() || text.size() != 26 || text.at(19) != QLatin1Char('.') || !ok || us < 0) {
        return false;
    }
    *epochUs = t.toMSecsSinceEpoch() * 1000 + us;
    return true;
}

QString busKindName(BusKind kind)
{
    switch (kind) {
    case BusKind::Request:
        return QStringLiteral("request");
    case BusKind::Reply:
        return QStringLiteral("reply");
    case BusKind::Exception:
        return QStringLiteral("exception");
    case BusKind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString frameCsvHeader()
{
    return QLatin1String(header);
}

QString frameCsvLine(const BusFrame &frame, BusKind kind)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(busTimeText(frame.timeUs), gapText(frame.gapUs))
        .arg(frame.bytes.size())
        .arg(QString::fromLatin1(frame.bytes.toHex().toUpper()),
             frame.crcOk ? QStringLiteral("ok") : QStringLiteral("bad"), busKindName(kind));
}

bool saveFramesCsv(const QString &path, const QVector<CapturedFrame> &frames, QString *error)
{
    QString text = frameCsvHeader() + QStringLiteral(",direction,timing\n");
    for (const CapturedFrame &c : frames) {
        text += QStringLiteral("%1,%2,%3\n")
                    .arg(frameCsvLine(c.frame, c.kind), directionName(c.kind),
                         flagsText(c.frame.flags));
    }
    QSaveFile file(path);
    return commit(&file, text.toUtf8(), error);
}

QVector<BusFrame> loadFramesCsv(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = Texts::tr("无法读取 %1: %2").arg(path, file.errorString());
        return {};
    }
    const QStringList names = QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
    const int timeAt = names.indexOf(QStringLiteral("time"));
    const int hexAt = names.indexOf(QStringLiteral("hex"));
    const int gapAt = names.indexOf(QStringLiteral("gap_ms"));
    const int timingAt = names.indexOf(QStringLiteral("timing"));
    if (timeAt < 0 || hexAt < 0) {
        *error = Texts::tr("%1 不是监听记录: 缺少 time 或 hex 列").arg(path);
        return {};
    }
    QVector<BusFrame> frames;
    for (int number = 2; !file.atEnd(); ++number) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QStringList fields = line.split(QLatin1Char(','));
        BusFrame f;
        const QByteArray hex = fields.value(hexAt).toLatin1();
        f.bytes = QByteArray::fromHex(hex);
        bool gapOk = true;
        const QString gap = fields.value(gapAt);
        if (!gap.isEmpty()) {
            f.gapUs = qint64(gap.toDouble(&gapOk) * 1000.0 + 0.5);
        }
        const bool hexOk = !hex.isEmpty() && hex.size() == 2 * f.bytes.size()
                           && f.bytes.toHex().toUpper() == hex.toUpper();
        if (fields.size() != names.size() || !parseBusTime(fields.value(timeAt), &f.timeUs)
            || !hexOk || !gapOk) {
            *error = Texts::tr("%1 第 %2 行不是一帧的记录").arg(path).arg(number);
            return {};
        }
        f.endUs = f.timeUs;
        f.crcOk = hasGoodCrc(f.bytes);
        f.flags = timingAt < 0 ? 0 : flagsFromText(fields.value(timingAt));
        frames.append(f);
    }
    return frames;
}

bool PcapWriter::open(const QString &path, QString *error)
{
    file.setFileName(path);
    const QByteArray h = pcapHeader();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(h) != h.size()
        || !file.flush()) {
        *error = Texts::tr("无法写入 %1: %2").arg(path, file.errorString());
        file.close();
        return false;
    }
    return true;
}

bool PcapWriter::write(const BusFrame &frame)
{
    const QByteArray r = pcapRecord(frame);
    return file.write(r) == r.size() && file.flush();
}

bool saveFramesPcap(const QString &path, const QVector<CapturedFrame> &frames, QString *error)
{
    QByteArray content = pcapHeader();
    for (const CapturedFrame &c : frames) {
        content += pcapRecord(c.frame);
    }
    QSaveFile file(path);
    return commit(&file, content, error);
}
