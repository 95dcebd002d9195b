#include "registertable.h"

#include "datafile.h"

#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>

namespace {
constexpr qint64 maxListBytes = 1 << 20;

// The file's text, or why it could not be read; a missing file is an empty list.
QString readList(const QString &path, QString *problem)
{
    if (path.isEmpty() || !QFile::exists(path)) {
        return QString();
    }
    *problem = dataFileProblem(path, maxListBytes);
    QFile file(path);
    if (!problem->isEmpty()) {
        return QString();
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

const QStringList &formatNames()
{
    static const QStringList names = formatChoices();
    return names;
}
} // namespace

quint64 RegisterNames::key(int slave, int function, int address)
{
    return quint64(slave & 0xFF) << 24 | quint64(function & 0xFF) << 16 | quint64(address & 0xFFFF);
}

QString RegisterNames::load()
{
    QString problem;
    const QString text = readList(path, &problem);
    names.clear();
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList f =
            line.trimmed().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        bool ok[3] = {false, false, false};
        if (f.size() >= 4) {
            const quint64 k =
                key(f.at(0).toInt(&ok[0]), f.at(1).toInt(&ok[1]), f.at(2).toInt(&ok[2]));
            if (ok[0] && ok[1] && ok[2]) {
                names.insert(k, f.mid(3).join(QLatin1Char(' ')));
            }
        }
    }
    return problem.isEmpty() ? QString() : path + QStringLiteral(": ") + problem;
}

QString RegisterNames::name(int slave, int function, int address) const
{
    return names.value(key(slave, function, address));
}

bool RegisterNames::setName(int slave, int function, int address, const QString &name,
                            QString *error)
{
    // One line a name: line breaks and surrounding blanks would not come back as typed.
    const QString clean = name.simplified();
    if (clean.isEmpty()) {
        names.remove(key(slave, function, address));
    } else {
        names.insert(key(slave, function, address), clean);
    }
    if (path.isEmpty()) {
        return true;
    }
    QList<quint64> keys = names.keys();
    std::sort(keys.begin(), keys.end());
    QByteArray bytes;
    for (const quint64 k : qAsConst(keys)) {
        bytes += QStringLiteral("%1 %2 %3 %4\n")
                     .arg(k >> 24)
                     .arg((k >> 16) & 0xFF)
                     .arg(k & 0xFFFF)
                     .arg(names.value(k))
                     .toUtf8();
    }
    return writeWholeFile(path, bytes, error);
}

RegisterTableModel::RegisterTableModel(const PollDefinition &read, RegisterNames *names,
                                       QObject *parent)
    : QAbstractTableModel(parent), def(read), names(names), rows(size_t(qMax(0, read.count)))
{
    clock.start();
    fade.setSingleShot(true);
    connect(&fade, &QTimer::timeout, this, &RegisterTableModel::endHighlights);
}

void RegisterTableModel::setRead(const PollDefinition &read)
{
    beginResetModel();
    def = read;
    rows.assign(size_t(qMax(0, read.count)), Row());
    endResetModel();
}

bool RegisterTableModel::takeReply(const ReplyDecode &reply, qint64 atMs)
{
    if (reply.kind != ReplyDecode::Values
        || !def.isRead(reply.slave, reply.functionCode, reply.firstRegister, reply.count)) {
        return false;
    }
    const auto *b = reinterpret_cast<const uchar *>(reply.data.constData());
    const int available = isBits() ? reply.data.size() * 8 : reply.data.size() / 2;
    const int n = qMin(int(rows.size()), available);
    bool changed = false;
    for (int i = 0; i < n; ++i) {
        const quint16 raw =
            isBits() ? quint16((b[i / 8] >> (i % 8)) & 1) : qFromBigEndian<quint16>(b + 2 * i);
        Row &r = rows[size_t(i)];
        if (r.known && r.raw != raw) {
            r.changedAt = clock.elapsed();
            changed = true;
        }
        r.raw = raw;
        r.known = true;
        r.updatedMs = atMs;
    }
    if (n > 0) {
        emit dataChanged(index(0, RawColumn), index(n - 1, TimeColumn));
    }
    // One timer for all highlights, never restarted per reply.
    if (changed && !fade.isActive()) {
        fade.start(highlightMs);
    }
    return true;
}

void RegisterTableModel::endHighlights()
{
    qint64 newest = -1;
    for (const Row &r : rows) {
        newest = qMax(newest, r.changedAt);
    }
    emit dataChanged(index(0, 0), index(int(rows.size()) - 1, columns - 1), {Qt::BackgroundRole});
    const qint64 left = newest + highlightMs - clock.elapsed();
    if (left > 0) {
        fade.start(int(left));
    }
}

void RegisterTableModel::setRowFormat(int row, RegisterFormat format)
{
    rows[size_t(row)].format = format;
    emit dataChanged(index(row, ValueColumn), index(row, FormatColumn));
}

QString RegisterTableModel::valueText(int row) const
{
    const Row &first = rows[size_t(row)];
    if (isBits()) {
        return first.known ? (first.raw ? QStringLiteral("ON") : QStringLiteral("OFF")) : QString();
    }
    const int n = registersPerValue(first.format);
    if (row + n > int(rows.size())) {
        return tr("(超出读取范围)");
    }
    QByteArray bytes;
    for (int i = row; i < row + n; ++i) {
        if (!rows[size_t(i)].known) {
            return QString();
        }
        bytes += char(rows[size_t(i)].raw >> 8);
        bytes += char(rows[size_t(i)].raw & 0xFF);
    }
    return decodeRegisterData(bytes, first.format).text.trimmed();
}

int RegisterTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows.size());
}

int RegisterTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant RegisterTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows.size())) {
        return QVariant();
    }
    const int row = index.row();
    const Row &r = rows[size_t(row)];
    if (role == Qt::BackgroundRole) {
        const bool fresh = r.changedAt >= 0 && clock.elapsed() - r.changedAt < highlightMs;
        return fresh ? QVariant(QColor(255, 230, 140)) : QVariant();
    }
    if (role == Qt::EditRole && index.column() == FormatColumn) {
        return indexOfFormat(r.format);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) {
        return QVariant();
    }
    switch (index.column()) {
    case AddressColumn:
        return def.address + row;
    case NameColumn:
        return names->name(def.slave, def.function, def.address + row);
    case RawColumn:
        if (!r.known) {
            return QString();
        }
        return isBits() ? QString::number(r.raw)
                        : QStringLiteral("0x")
                              + QStringLiteral("%1").arg(r.raw, 4, 16, QLatin1Char('0')).toUpper();
    case ValueColumn:
        return valueText(row);
    case FormatColumn:
        return isBits() ? QString() : formatNames().value(indexOfFormat(r.format));
    case TimeColumn:
        return r.updatedMs < 0 ? QString()
                               : QDateTime::fromMSecsSinceEpoch(r.updatedMs)
                                     .toString(QStringLiteral("HH:mm:ss.zzz"));
    default:
        return QVariant();
    }
}

QVariant RegisterTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const QStringList titles = {tr("地址"), tr("别名"), tr("原始值"),
                                tr("数值"), tr("格式"), tr("更新时间")};
    return titles.value(section);
}

Qt::ItemFlags RegisterTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == NameColumn || (index.column() == FormatColumn && !isBits())) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool RegisterTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    if (index.column() == FormatColumn) {
        const int choice = value.toInt();
        if (choice < 0 || choice >= formatNames().size()) {
            return false;
        }
        setRowFormat(index.row(), formatAt(choice));
        return true;
    }
    QString error;
    if (!names->setName(def.slave, def.function, def.address + index.row(), value.toString(),
                        &error)) {
        emit problem(tr("别名未能保存: %1").arg(error));
    }
    emit dataChanged(index, index);
    return true;
}

RequestRow RegisterTableModel::writeRequest(int row, const QString &text) const
{
    const QString slave = QString::number(def.slave);
    const QString address = QString::number(def.address + row);
    if (!isWritable()) {
        return {QByteArray(), QStringLiteral("fid"), tr("只有线圈和保持寄存器可以写入")};
    }
    if (isBits()) {
        return checkRequest(slave, QStringLiteral("5"), address, text, QString());
    }
    QString error;
    const QByteArray wire = encodeRegisterValue(text, rows[size_t(row)].format, &error);
    if (wire.isEmpty()) {
        return {QByteArray(), QStringLiteral("value"), error};
    }
    if (wire.size() == 2) {
        const quint16 word = qFromBigEndian<quint16>(wire.constData());
        return checkRequest(slave, QStringLiteral("6"), address, QString::number(word), QString());
    }
    QStringList words;
    for (int i = 0; i + 1 < wire.size(); i += 2) {
        const quint16 word = qFromBigEndian<quint16>(wire.constData() + i);
        words << QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0'));
    }
    return checkRequest(slave, QStringLiteral("16"), address, QString(), words.join(' '));
}

RegisterTables::RegisterTables(const QString &pollsPath, const QString &namesPath, QObject *parent)
    : QObject(parent), pollsPath(pollsPath), names(namesPath)
{
    PollDefinition none;
    none.count = 0;
    tables.emplace_back(new RegisterTableModel(none, &names));
}

RegisterTables::~RegisterTables() = default;

QStringList RegisterTables::load()
{
    QStringList problems;
    const QString namesProblem = names.load();
    if (!namesProblem.isEmpty()) {
        problems << namesProblem;
    }
    QString problem;
    const QString text = readList(pollsPath, &problem);
    if (!problem.isEmpty()) {
        problems << pollsPath + QStringLiteral(": ") + problem;
    }
    QStringList lineProblems;
    const QVector<PollDefinition> defs = parsePollDefinitions(text, &lineProblems);
    for (const QString &p : qAsConst(lineProblems)) {
        problems << pollsPath + QStringLiteral(": ") + p;
    }
    tables.resize(1);
    for (const PollDefinition &d : defs) {
        tables.emplace_back(new RegisterTableModel(d, &names));
    }
    emit tablesChanged();
    return problems;
}

QVector<PollDefinition> RegisterTables::definitions() const
{
    QVector<PollDefinition> out;
    for (size_t i = 1; i < tables.size(); ++i) {
        out << tables[i]->read();
    }
    return out;
}

bool RegisterTables::addDefinition(const PollDefinition &definition, QString *error)
{
    const RequestRow row = definition.request();
    if (row.frame.isEmpty()) {
        *error = row.error;
        return false;
    }
    if (definitions().contains(definition)) {
        *error = tr("已有相同的轮询: %1").arg(definition.title());
        return false;
    }
    tables.emplace_back(new RegisterTableModel(definition, &names));
    emit tablesChanged();
    return saveDefinitions(error);
}

bool RegisterTables::removeDefinition(int index, QString *error)
{
    if (index < 0 || index + 1 >= int(tables.size())) {
        return true;
    }
    tables.erase(tables.begin() + index + 1);
    emit tablesChanged();
    return saveDefinitions(error);
}

bool RegisterTables::saveDefinitions(QString *error)
{
    if (pollsPath.isEmpty()) {
        return true;
    }
    QString why;
    if (!writeWholeFile(pollsPath, pollDefinitionsText(definitions()).toUtf8(), &why)) {
        *error = tr("轮询未能保存: %1").arg(why);
        return false;
    }
    return true;
}

RequestRow RegisterTables::nextPoll()
{
    if (!polling()) {
        return {};
    }
    const int polls = int(tables.size()) - 1;
    turn = turn % polls;
    return tables[size_t(1 + turn++)]->read().request();
}

void RegisterTables::resetStatistics()
{
    stats.reset();
    emit statisticsChanged();
}

void RegisterTables::requestSent(const ModbusRequest &request)
{
    stats.sent(request);
    const PollDefinition read{request.slave, request.function, request.address, request.count};
    const bool isRead = request.function >= 1 && request.function <= 4;
    const auto hasTable = [&read](const std::unique_ptr<RegisterTableModel> &t) {
        return t->read() == read;
    };
    if (isRead && std::none_of(tables.begin(), tables.end(), hasTable)) {
        tables[0]->setRead(read);
    }
    emit statisticsChanged();
}

void RegisterTables::requestEnded(const ReplyDecode &outcome)
{
    stats.ended(outcome);
    if (outcome.kind == ReplyDecode::Values) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (const auto &t : tables) {
            t->takeReply(outcome, now);
        }
    }
    emit statisticsChanged();
}
