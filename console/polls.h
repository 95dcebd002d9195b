#ifndef POLLS_H
#define POLLS_H

#include "replymatcher.h"
#include "requestframe.h"

#include <QHash>
#include <QString>
#include <QVector>

// One read the console polls: a slave, a read function (1-4), the first address and a count.
struct PollDefinition {
    int slave = 1;
    int function = 3;
    int address = 0;
    int count = 10;

    // The request, checked as the request row checks it.
    RequestRow request() const;
    // "从站 1 · 03 · 0-9", for tabs and status lines.
    QString title() const;
    // Whether a request or reply is about exactly this read.
    bool isRead(int slave, int function, int address, int count) const;
};
bool operator==(const PollDefinition &a, const PollDefinition &b);

// One definition a line, "slave function address count" separated by blanks or commas
// ("1 3 0 10"); blank lines and lines starting with '#' are skipped. A line that is no valid
// read is left out and told in *problems ("第 N 行: why").
QVector<PollDefinition> parsePollDefinitions(const QString &text, QStringList *problems);
QString pollDefinitionsText(const QVector<PollDefinition> &definitions);

// How the requests of one slave or one read went.
struct PollCounters {
    qint64 requests = 0;
    qint64 good = 0;     // the reply asked for, or a write's echo
    qint64 timeouts = 0; // silence, or a reply still short when its time was up
    qint64 crcErrors = 0;
    qint64 exceptions = 0;
    qint64 mismatches = 0; // another slave, function, byte count or write echo
    qint64 lastMs = -1;    // response times of the requests answered at all
    qint64 minMs = -1;
    qint64 maxMs = -1;
    qint64 totalMs = 0;
    qint64 timed = 0;

    void add(const ReplyDecode &outcome);
    // -1 while no request was answered.
    double averageMs() const;
    // "请求 N  成功 N  超时 N  CRC错误 N  异常 N  不符 N  响应 ms 最近/最小/平均/最大 a/b/c/d".
    QString text() const;
};

// Counters per slave and per read, fed with what the session sends and how it ends.
class PollStatistics
{
public:
    void sent(const ModbusRequest &request);
    void ended(const ReplyDecode &outcome);
    PollCounters slave(int slave) const { return slaves.value(slave); }
    PollCounters read(const PollDefinition &definition) const;
    void reset();

private:
    static quint64 key(int slave, int function, int address, int count);
    QHash<int, PollCounters> slaves;
    QHash<quint64, PollCounters> reads;
};

#endif // POLLS_H
