#include "registermap.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(RegisterMap)
};

const char *const tableNames[] = {"coil", "discrete", "holding", "input"};

bool isBits(RegisterMap::Table table)
{
    return table == RegisterMap::Coil || table == RegisterMap::Discrete;
}

bool numberIn(const QString &text, double low, double high, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value) && *value >= low && *value <= high;
}

bool integerIn(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const QString t = text.trimmed();
    *value = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toInt(&ok, 16)
                                                                    : t.toInt(&ok, 10);
    return ok && *value >= low && *value <= high;
}
} // namespace

QString RegisterMap::tableName(Table table)
{
    return QLatin1String(tableNames[table]);
}

bool RegisterMap::tableFromName(const QString &name, Table *table)
{
    for (int t = Coil; t <= Input; ++t) {
        if (name.trimmed().compare(QLatin1String(tableNames[t]), Qt::CaseInsensitive) == 0) {
            *table = static_cast<Table>(t);
            return true;
        }
    }
    return false;
}

bool RegisterMap::Generator::parse(const QString &text, Generator *out)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    const QString kind = parts.first().toLower();
    Generator g;
    if (kind.isEmpty() && parts.size() == 1) {
        *out = g;
        return true;
    }
    if (kind == QLatin1String("counter") && parts.size() <= 2) {
        g.kind = Counter;
        if (parts.size() == 2 && !numberIn(parts[1], -65535, 65535, &g.param)) {
            return false;
        }
    } else if ((kind == QLatin1String("sine") || kind == QLatin1String("walk"))
               && parts.size() == 4) {
        g.kind = kind == QLatin1String("sine") ? Sine : Walk;
        if (!numberIn(parts[1], -32768, 65535, &g.low) || !numberIn(parts[2], g.low, 65535, &g.high)
            || !numberIn(parts[3], 0.001, 1e6, &g.param)) {
            return false;
        }
    } else {
        return false;
    }
    *out = g;
    return true;
}

QString RegisterMap::Generator::text() const
{
    switch (kind) {
    case Counter:
        return param == 1 ? QStringLiteral("counter") : QStringLiteral("counter:%1").arg(param);
    case Sine:
    case Walk:
        return QStringLiteral("%1:%2:%3:%4")
            .arg(kind == Sine ? QLatin1String("sine") : QLatin1String("walk"))
            .arg(low)
            .arg(high)
            .arg(param);
    case None:
        break;
    }
    return QString();
}

RegisterMap::RegisterMap() : random(QRandomGenerator::securelySeeded())
{
}

bool RegisterMap::parseValue(const QString &text, Table table, quint16 *value)
{
    int v = 0;
    if (!integerIn(text, isBits(table) ? 0 : -32768, isBits(table) ? 1 : 65535, &v)) {
        return false;
    }
    *value = static_cast<quint16>(v & 0xFFFF);
    return true;
}

bool RegisterMap::parse(const QString &text, const QString &fileName, QString *error)
{
    QMap<quint32, Cell> read;
    bool headerSeen = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const auto fail = [&](const QString &reason) {
            *error = QStringLiteral("%1:%2: %3").arg(fileName).arg(n + 1).arg(reason);
            return false;
        };
        QStringList fields = line.split(QLatin1Char(','));
        for (QString &f : fields) {
            f = f.trimmed();
        }
        if (!headerSeen) {
            const QStringList header = {"slave", "table", "address", "value"};
            if (fields.mid(0, 4) != header || fields.size() > 5
                || (fields.size() == 5 && fields[4] != QLatin1String("generator"))) {
                return fail(Texts::tr("第一行应为 slave,table,address,value"));
            }
            headerSeen = true;
            continue;
        }
        if (fields.size() < 4 || fields.size() > 5) {
            return fail(Texts::tr("应有 4 或 5 个字段, 实有 %1").arg(fields.size()));
        }
        Entry e;
        Cell cell;
        if (!integerIn(fields[0], 1, 247, &e.slave)) {
            return fail(Texts::tr("从站地址 %1 应为 1-247").arg(fields[0]));
        }
        if (!tableFromName(fields[1], &e.table)) {
            return fail(Texts::tr("表 %1 应为 coil, discrete, holding 或 input").arg(fields[1]));
        }
        if (!integerIn(fields[2], 0, 65535, &e.address)) {
            return fail(Texts::tr("地址 %1 应为 0-65535").arg(fields[2]));
        }
        if (!parseValue(fields[3], e.table, &cell.value)) {
            return fail(Texts::tr("数值 %1 不可用").arg(fields[3]));
        }
        if (fields.size() == 5 && !Generator::parse(fields[4], &cell.generator)) {
            return fail(Texts::tr("生成器 %1 不可用").arg(fields[4]));
        }
        if (cell.generator.kind != Generator::None && isBits(e.table)) {
            return fail(Texts::tr("生成器只用于寄存器"));
        }
        const quint32 k = key(e.slave, e.table, e.address);
        if (read.contains(k)) {
            return fail(Texts::tr("地址重复"));
        }
        read.insert(k, cell);
    }
    if (!headerSeen) {
        *error = Texts::tr("%1: 文件为空, 第一行应为 slave,table,address,value").arg(fileName);
        return false;
    }
    cells = read;
    return true;
}

bool RegisterMap::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = Texts::tr("%1: 无法读取: %2").arg(path, file.errorString());
        return false;
    }
    return parse(QString::fromUtf8(file.readAll()), path, error);
}

QString RegisterMap::toCsv() const
{
    QString out = QStringLiteral("slave,table,address,value,generator\n");
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        const Entry e = entryOf(it.key(), it.value());
        out += QStringLiteral("%1,%2,%3,%4,%5\n")
                   .arg(e.slave)
                   .arg(tableName(e.table))
                   .arg(e.address)
                   .arg(e.value)
                   .arg(e.generator.text());
    }
    return out;
}

bool RegisterMap::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toCsv().toUtf8()) < 0 || !file.commit()) {
        *error = Texts::tr("%1: 无法写入: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

quint32 RegisterMap::key(int slave, Table table, int address)
{
    return (quint32(slave) << 24) | (quint32(table) << 16) | quint32(address & 0xFFFF);
}

RegisterMap::Entry RegisterMap::entryOf(quint32 key, const Cell &cell)
{
    Entry e;
    e.slave = int(key >> 24);
    e.table = static_cast<Table>((key >> 16) & 0xFF);
    e.address = int(key & 0xFFFF);
    e.value = cell.value;
    e.generator = cell.generator;
    return e;
}

bool RegisterMap::hasSlave(int slave) const
{
    const auto it = cells.lowerBound(key(slave, Coil, 0));
    return it != cells.cend() && int(it.key() >> 24) == slave;
}

QVector<int> RegisterMap::slaves() const
{
    QVector<int> out;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        const int slave = int(it.key() >> 24);
        if (out.isEmpty() || out.last() != slave) {
            out << slave;
        }
    }
    return out;
}

bool RegisterMap::covers(int slave, Table table, int first, int count) const
{
    if (first < 0 || count < 1 || first + count > 65536) {
        return false;
    }
    // The addresses are sorted: the range is covered when its ends are and nothing lacks.
    const auto from = cells.find(key(slave, table, first));
    const auto to = cells.find(key(slave, table, first + count - 1));
    return from != cells.cend() && to != cells.cend() && std::distance(from, to) == count - 1;
}

void RegisterMap::advance(Cell *cell, Table table, qint64 nowMs)
{
    const Generator &g = cell->generator;
    if (g.kind == Generator::None || isBits(table)) {
        return;
    }
    if (cell->sinceMs < 0) {
        cell->sinceMs = nowMs; // it starts moving from its first read
    }
    const qint64 elapsed = nowMs - cell->sinceMs;
    if (g.kind == Generator::Sine) {
        // The wave runs from the first read; the value is always the wave's.
        const double mid = (g.low + g.high) / 2;
        const double amplitude = (g.high - g.low) / 2;
        const double phase = 2 * M_PI * double(elapsed) / (g.param * 1000);
        cell->value = quint16(qint64(std::lround(mid + amplitude * std::sin(phase))) & 0xFFFF);
        return;
    }
    const qint64 steps = elapsed / 1000; // one step a second
    if (steps <= 0) {
        return;
    }
    cell->sinceMs += steps * 1000;
    if (g.kind == Generator::Counter) {
        cell->value = quint16(qint64(cell->value + std::llround(g.param * double(steps))) & 0xFFFF);
        return;
    }
    double v = cell->value;
    for (qint64 i = 0; i < qMin<qint64>(steps, 3600); ++i) {
        v += (random.generateDouble() * 2 - 1) * g.param;
        v = qBound(g.low, v, g.high);
    }
    cell->value = quint16(qint64(std::lround(v)) & 0xFFFF);
}

quint16 RegisterMap::value(int slave, Table table, int address, qint64 nowMs)
{
    const auto it = cells.find(key(slave, table, address));
    if (it == cells.end()) {
        return 0;
    }
    advance(&it.value(), table, nowMs);
    return it->value;
}

void RegisterMap::write(int slave, Table table, int address, quint16 value, qint64 nowMs)
{
    const auto it = cells.find(key(slave, table, address));
    if (it != cells.end()) {
        advance(&it.value(), table, nowMs);
        it->value = isBits(table) ? quint16(value ? 1 : 0) : value;
    }
}

QVector<RegisterMap::Entry> RegisterMap::entries() const
{
    QVector<Entry> out;
    out.reserve(cells.size());
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        out << entryOf(it.key(), it.value());
    }
    return out;
}

RegisterMap::Entry RegisterMap::entryAt(int index) const
{
    auto it = cells.cbegin();
    std::advance(it, index);
    return entryOf(it.key(), it.value());
}

bool RegisterMap::put(const Entry &entry)
{
    if (entry.slave < 1 || entry.slave > 247 || entry.address < 0 || entry.address > 65535
        || (isBits(entry.table) && (entry.value > 1 || entry.generator.kind != Generator::None))) {
        return false;
    }
    Cell &cell = cells[key(entry.slave, entry.table, entry.address)];
    cell.value = entry.value;
    cell.generator = entry.generator;
    cell.sinceMs = -1;
    return true;
}

void RegisterMap::removeAt(int index)
{
    auto it = cells.begin();
    std::advance(it, index);
    cells.erase(it);
}

int RegisterMap::indexOf(int slave, Table table, int address) const
{
    const auto it = cells.find(key(slave, table, address));
    return it == cells.cend() ? -1 : int(std::distance(cells.cbegin(), it));
}
