#include "busmonitormodel.h"

#include <QBrush>
#include <QColor>

namespace {
QString msText(qint64 us)
{
    return QString::number(double(us) / 1000.0, 'f', 3);
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
} // namespace

BusMonitorModel::BusMonitorModel(QObject *parent) : QAbstractTableModel(parent)
{
    flushTimer.setSingleShot(true);
    flushTimer.setInterval(100);
    connect(&flushTimer, &QTimer::timeout, this, &BusMonitorModel::flush);
}

int BusMonitorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int BusMonitorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant BusMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case TimeColumn:
        return tr("时间");
    case GapColumn:
        return tr("间隔 ms");
    case LengthColumn:
        return tr("长度");
    case HexColumn:
        return tr("数据");
    case CrcColumn:
        return tr("CRC");
    case KindColumn:
        return tr("类型");
    case DecodedColumn:
        return tr("解析");
    default:
        return tr("时序");
    }
}

QString BusMonitorModel::decodedText(const Row &row) const
{
    const BusFrameInfo &info = row.info;
    const ModbusRequest &r = info.request;
    switch (info.kind) {
    case BusKind::Request: {
        QString text = r.slave == 0 ? tr("广播, 功能码 %1, 地址 %2, 数量 %3")
                                          .arg(r.function, 2, 16, QLatin1Char('0'))
                                          .arg(r.address)
                                          .arg(r.count)
                                    : tr("从站 %1, 功能码 %2, 地址 %3, 数量 %4")
                                          .arg(r.slave)
                                          .arg(r.function, 2, 16, QLatin1Char('0'))
                                          .arg(r.address)
                                          .arg(r.count);
        if (row.ended < 0) {
            text += tr(" (无应答)");
        }
        return text;
    }
    case BusKind::Reply:
    case BusKind::Exception:
        if (!info.paired) {
            return tr("无对应请求: %1").arg(info.outcome.text);
        }
        return tr("对帧 #%1 的应答, 用时 %2 ms: %3")
            .arg(info.requestNumber)
            .arg(msText(info.responseUs))
            .arg(info.outcome.kind == ReplyDecode::Written ? tr("写入确认") : info.outcome.text);
    case BusKind::Unknown:
        break;
    }
    return row.frame.crcOk ? QString() : tr("不是有效的 Modbus 帧");
}

QVariant BusMonitorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows.size())) {
        return QVariant();
    }
    const Row &row = rows.at(size_t(index.row()));
    const BusFrame &f = row.frame;
    if (role == Qt::ForegroundRole) {
        const bool bad = (index.column() == CrcColumn && !f.crcOk)
                         || (index.column() == TimingColumn && f.flags != 0)
                         || (index.column() == DecodedColumn && row.ended < 0)
                         || (index.column() == KindColumn && row.info.kind == BusKind::Exception);
        return bad ? QVariant(QBrush(QColor(0xc0, 0x39, 0x2b))) : QVariant();
    }
    if (role == Qt::ToolTipRole) {
        // The long texts whole; elsewhere the number replies refer to.
        const bool whole = index.column() == DecodedColumn || index.column() == TimingColumn;
        return whole ? data(index, Qt::DisplayRole) : tr("帧 #%1").arg(row.number);
    }
    if (role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (index.column()) {
    case TimeColumn:
        return busTimeText(f.timeUs).mid(11);
    case GapColumn:
        return f.gapUs < 0 ? QString() : msText(f.gapUs);
    case LengthColumn:
        return f.bytes.size();
    case HexColumn:
        return hexText(f.bytes);
    case CrcColumn:
        return f.crcOk ? tr("正确") : tr("错误");
    case KindColumn:
        switch (row.info.kind) {
        case BusKind::Request:
            return tr("请求");
        case BusKind::Reply:
            return tr("应答");
        case BusKind::Exception:
            return tr("异常应答");
        case BusKind::Unknown:
            return tr("未知");
        }
        return QVariant();
    case DecodedColumn:
        return decodedText(row);
    default: {
        QStringList notes;
        if (f.flags & BusFrame::ShortGap) {
            notes << tr("帧间隔不足 3.5 字符");
        }
        for (const BusFrame::Pause &p : f.pauses) {
            notes << tr("第 %1 字节前停顿 %2 ms").arg(p.offset).arg(msText(p.us));
        }
        if (f.flags & BusFrame::Split) {
            notes << tr("按帧结构拆分");
        }
        if (f.flags & BusFrame::Overlong) {
            notes << tr("超长, 已截断");
        }
        return notes.join(QStringLiteral("; "));
    }
    }
}

void BusMonitorModel::addFrame(qint64 number, const BusFrame &frame, const BusFrameInfo &info)
{
    pending.push_back({number, frame, info, 0});
    if (!flushTimer.isActive()) {
        flushTimer.start();
    }
}

void BusMonitorModel::flush()
{
    flushTimer.stop();
    if (pending.empty()) {
        return;
    }
    const int n = int(pending.size());
    const int over = int(rows.size()) + n - maxRows;
    if (over > 0) {
        const int gone = qMin(over, int(rows.size()));
        if (gone > 0) {
            beginRemoveRows(QModelIndex(), 0, gone - 1);
            rows.erase(rows.begin(), rows.begin() + gone);
            endRemoveRows();
        }
        if (over > gone) {
            pending.erase(pending.begin(), pending.begin() + (over - gone));
        }
    }
    const int at = int(rows.size());
    beginInsertRows(QModelIndex(), at, at + int(pending.size()) - 1);
    rows.insert(rows.end(), pending.begin(), pending.end());
    pending.clear();
    endInsertRows();
}

void BusMonitorModel::requestEnded(const ReplyDecode &outcome, qint64 requestNumber)
{
    const bool silent = outcome.kind == ReplyDecode::NoReply;
    (silent ? unanswered : answered) += 1;
    // Still waiting for the next batch: marked there, shown with it.
    for (Row &r : pending) {
        if (r.number == requestNumber) {
            r.ended = silent ? -1 : 1;
            return;
        }
    }
    if (rows.empty() || requestNumber < rows.front().number) {
        return;
    }
    const int at = int(requestNumber - rows.front().number);
    if (at >= int(rows.size())) {
        return;
    }
    rows[size_t(at)].ended = silent ? -1 : 1;
    emit dataChanged(index(at, 0), index(at, columns - 1));
}

void BusMonitorModel::clear()
{
    beginResetModel();
    rows.clear();
    pending.clear();
    answered = unanswered = 0;
    endResetModel();
}

QVector<CapturedFrame> BusMonitorModel::captured() const
{
    QVector<CapturedFrame> out;
    out.reserve(int(rows.size()));
    for (const Row &r : rows) {
        out.append({r.frame, r.info.kind});
    }
    for (const Row &r : pending) {
        out.append({r.frame, r.info.kind});
    }
    return out;
}
