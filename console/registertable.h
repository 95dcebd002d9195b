#ifndef REGISTERTABLE_H
#define REGISTERTABLE_H

#include "polls.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <memory>
#include <vector>

// The names a user gives registers and coils, per slave, function and address, kept in a
// file of "slave function address name" lines.
class RegisterNames
{
public:
    explicit RegisterNames(const QString &path = QString()) : path(path) {}
    // Problems reading the file, in words for the user; empty when all went well.
    QString load();
    QString name(int slave, int function, int address) const;
    // Writes the file at once; false with *error when it could not be written.
    bool setName(int slave, int function, int address, const QString &name, QString *error);

private:
    static quint64 key(int slave, int function, int address);
    QString path;
    QHash<quint64, QString> names;
};

// One row per address of a read: its name, its raw value, the value in the row's own format
// (a 32-bit format takes this register and the next), the time it last came. Values are
// replaced in place; a changed value is highlighted for a moment.
class RegisterTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { AddressColumn, NameColumn, RawColumn, ValueColumn, FormatColumn, TimeColumn };
    static constexpr int columns = 6;
    static constexpr int highlightMs = 1500;

    RegisterTableModel(const PollDefinition &read, RegisterNames *names, QObject *parent = nullptr);

    const PollDefinition &read() const { return def; }
    // A new read: the rows start over.
    void setRead(const PollDefinition &read);
    // The values of a good read reply to this table's read; false when it is another's.
    // `atMs`: milliseconds since the epoch.
    bool takeReply(const ReplyDecode &reply, qint64 atMs);

    RegisterFormat rowFormat(int row) const { return rows.at(row).format; }
    void setRowFormat(int row, RegisterFormat format);
    // Holding registers and coils can be written from the table.
    bool isWritable() const { return def.function == 1 || def.function == 3; }
    // The write of `text` to the row's register(s) or coil: FC 6 or 16 in the row's format,
    // FC 5 for a coil ("1"/"0"/"on"/"off"). The error names what is wrong.
    RequestRow writeRequest(int row, const QString &text) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // A name could not be stored.
    void problem(const QString &text);

private:
    struct Row {
        quint16 raw = 0;
        bool known = false;
        qint64 updatedMs = -1; // since the epoch
        qint64 changedAt = -1; // on `clock`
        RegisterFormat format;
    };
    bool isBits() const { return def.function == 1 || def.function == 2; }
    QString valueText(int row) const;
    void endHighlights();

    PollDefinition def;
    RegisterNames *names;
    std::vector<Row> rows;
    QElapsedTimer clock;
    QTimer fade;
};

// The register tables the console keeps: the one of the last read sent by hand and one per
// poll definition, their statistics, and the turn of the polls on the auto-send timer.
class RegisterTables : public QObject
{
    Q_OBJECT
public:
    // Definitions and names are kept in files at these paths (none when empty).
    explicit RegisterTables(const QString &pollsPath = QString(),
                            const QString &namesPath = QString(), QObject *parent = nullptr);
    ~RegisterTables() override;

    // What reading the files found wrong, one line each.
    QStringList load();
    // Table 0 is the last read sent by hand; the others follow the poll definitions.
    int tableCount() const { return int(tables.size()); }
    RegisterTableModel *table(int index) const { return tables.at(size_t(index)).get(); }
    QVector<PollDefinition> definitions() const;
    // False with *error when the definition is no valid read, is there already, or the
    // file could not be written (the definition is kept even then).
    bool addDefinition(const PollDefinition &definition, QString *error);
    bool removeDefinition(int index, QString *error);

    bool polling() const { return pollingOn && tables.size() > 1; }
    void setPolling(bool on) { pollingOn = on; }
    // The next poll's request, in turn.
    RequestRow nextPoll();

    const PollStatistics &statistics() const { return stats; }
    void resetStatistics();

public slots:
    void requestSent(const ModbusRequest &request);
    void requestEnded(const ReplyDecode &outcome);

signals:
    void tablesChanged();
    void statisticsChanged();

private:
    bool saveDefinitions(QString *error);

    QString pollsPath;
    RegisterNames names;
    std::vector<std::unique_ptr<RegisterTableModel>> tables;
    PollStatistics stats;
    bool pollingOn = false;
    int turn = 0;
};

#endif // REGISTERTABLE_H
