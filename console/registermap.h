#ifndef REGISTERMAP_H
#define REGISTERMAP_H

#include <QMap>
#include <QRandomGenerator>
#include <QString>
#include <QVector>

// What a simulated device holds: per slave address, coils, discrete inputs, holding and
// input registers, each address with its value and, for a live value, a generator.
class RegisterMap
{
public:
    enum Table { Coil, Discrete, Holding, Input };
    static QString tableName(Table table);
    // "coil", "discrete", "holding", "input" in any case; false for anything else.
    static bool tableFromName(const QString &name, Table *table);

    // A value that moves by itself, worked out when it is read.
    struct Generator {
        enum Kind { None, Counter, Sine, Walk };
        Kind kind = None;
        double low = 0;   // sine and walk: the range
        double high = 0;  //
        double param = 1; // counter: step per second; sine: period in s; walk: largest step
        // "", "counter[:STEP]", "sine:LOW:HIGH:PERIOD_S", "walk:LOW:HIGH:STEP".
        static bool parse(const QString &text, Generator *out);
        QString text() const;
    };

    struct Entry {
        int slave = 1;
        Table table = Holding;
        int address = 0;
        quint16 value = 0;
        Generator generator;
    };

    RegisterMap();

    // The map file: a CSV with the header "slave,table,address,value" (a fifth column
    // "generator" may follow), one line per address, values decimal or 0x hex; blank lines
    // and lines starting with '#' are skipped. False with "file:line: reason" in *error, the
    // map left as it was.
    bool parse(const QString &text, const QString &fileName, QString *error);
    bool load(const QString &path, QString *error);
    QString toCsv() const;
    bool save(const QString &path, QString *error) const;

    bool isEmpty() const { return cells.isEmpty(); }
    int size() const { return cells.size(); }
    bool hasSlave(int slave) const;
    QVector<int> slaves() const;
    // Every address of first..first+count-1 is in the table.
    bool covers(int slave, Table table, int first, int count) const;

    // The value now (monotonic ms), its generator applied; 0 for an address not in the map.
    quint16 value(int slave, Table table, int address, qint64 nowMs);
    // A master's write; a generator goes on from the written value.
    void write(int slave, Table table, int address, quint16 value, qint64 nowMs);

    // Entries in order of slave, table and address; values as last worked out.
    QVector<Entry> entries() const;
    Entry entryAt(int index) const;
    // Adds or replaces; false when a field is out of range.
    bool put(const Entry &entry);
    void removeAt(int index);
    int indexOf(int slave, Table table, int address) const;

    // For tests: the random walk's draws.
    void seed(quint32 value) { random.seed(value); }

    // A value as the file writes it: 0 or 1 for bits, else 0..65535 (negative decimals are
    // taken as 16-bit two's complement).
    static bool parseValue(const QString &text, Table table, quint16 *value);

private:
    struct Cell {
        quint16 value = 0;
        Generator generator;
        qint64 sinceMs = -1; // when the generator last moved the value
    };
    static quint32 key(int slave, Table table, int address);
    static Entry entryOf(quint32 key, const Cell &cell);
    void advance(Cell *cell, Table table, qint64 nowMs);

    QMap<quint32, Cell> cells;
    QRandomGenerator random;
};

#endif // REGISTERMAP_H
