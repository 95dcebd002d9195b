#include "polls.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(PollDefinition)
};

QString msText(qint64 ms)
{
    return ms < 0 ? QStringLiteral("-") : QString::number(ms);
}
} // namespace

RequestRow PollDefinition::request() const
{
    if (function < 1 || function > 4) {
        return {QByteArray(), QStringLiteral("fid"), Texts::tr("轮询只能用读功能码 01-04")};
    }
    return checkRequest(QString::number(slave), QString::number(function), QString::number(address),
                        QString::number(count), QString());
}

QString PollDefinition::title() const
{
    return Texts::tr("从站 %1 · %2 · %3-%4")
        .arg(slave)
        .arg(function, 2, 10, QLatin1Char('0'))
        .arg(address)
        .arg(address + count - 1);
}

bool PollDefinition::isRead(int s, int f, int a, int c) const
{
    return s == slave && f == function && a == address && c == count;
}

bool operator==(const PollDefinition &a, const PollDefinition &b)
{
    return a.isRead(b.slave, b.function, b.address, b.count);
}

QVector<PollDefinition> parsePollDefinitions(const QString &text, QStringList *problems)
{
    QVector<PollDefinition> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList fields =
            line.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
        PollDefinition d;
        bool ok = fields.size() == 4;
        int *targets[] = {&d.slave, &d.function, &d.address, &d.count};
        for (int f = 0; ok && f < 4; ++f) {
            *targets[f] = fields.at(f).toInt(&ok);
        }
        const RequestRow row = ok ? d.request() : RequestRow();
        if (row.frame.isEmpty()) {
            *problems << Texts::tr("第 %1 行: %2")
                             .arg(i + 1)
                             .arg(ok ? row.error : Texts::tr("应为 从站 功能码 地址 数量"));
        } else if (!out.contains(d)) {
            out << d;
        }
    }
    return out;
}

QString pollDefinitionsText(const QVector<PollDefinition> &definitions)
{
    QString text;
    for (const PollDefinition &d : definitions) {
        text += QStringLiteral("%1 %2 %3 %4\n")
                    .arg(d.slave)
                    .arg(d.function)
                    .arg(d.address)
                    .arg(d.count);
    }
    return text;
}

void PollCounters::add(const ReplyDecode &outcome)
{
    switch (outcome.kind) {
    case ReplyDecode::Values:
    case ReplyDecode::Written:
        ++good;
        break;
    case ReplyDecode::NoReply:
    case ReplyDecode::Incomplete:
        ++timeouts;
        break;
    case ReplyDecode::BadCrc:
        ++crcErrors;
        break;
    case ReplyDecode::Exception:
        ++exceptions;
        break;
    case ReplyDecode::Mismatch:
    case ReplyDecode::CountMismatch:
        ++mismatches;
        break;
    default:
        return;
    }
    if (outcome.responseMs >= 0) {
        lastMs = outcome.responseMs;
        minMs = timed == 0 ? lastMs : qMin(minMs, lastMs);
        maxMs = qMax(maxMs, lastMs);
        totalMs += lastMs;
        ++timed;
    }
}

double PollCounters::averageMs() const
{
    return timed == 0 ? -1 : double(totalMs) / double(timed);
}

QString PollCounters::text() const
{
    const QString average = timed == 0 ? QStringLiteral("-") : QString::number(averageMs(), 'f', 1);
    return Texts::tr("请求 %1  成功 %2  超时 %3  CRC错误 %4  异常 %5  不符 %6  "
                     "响应 ms 最近/最小/平均/最大 %7/%8/%9/%10")
        .arg(requests)
        .arg(good)
        .arg(timeouts)
        .arg(crcErrors)
        .arg(exceptions)
        .arg(mismatches)
        .arg(msText(lastMs), msText(minMs), average, msText(maxMs));
}

quint64 PollStatistics::key(int slave, int function, int address, int count)
{
    return quint64(slave & 0xFF) << 48 | quint64(function & 0xFF) << 40
           | quint64(address & 0xFFFF) << 16 | quint64(count & 0xFFFF);
}

void PollStatistics::sent(const ModbusRequest &r)
{
    ++slaves[r.slave].requests;
    ++reads[key(r.slave, r.function, r.address, r.count)].requests;
}

void PollStatistics::ended(const ReplyDecode &d)
{
    slaves[d.slave].add(d);
    reads[key(d.slave, d.functionCode, d.firstRegister, d.count)].add(d);
}

PollCounters PollStatistics::read(const PollDefinition &d) const
{
    return reads.value(key(d.slave, d.function, d.address, d.count));
}

void PollStatistics::reset()
{
    slaves.clear();
    reads.clear();
}
