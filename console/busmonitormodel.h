#ifndef BUSMONITORMODEL_H
#define BUSMONITORMODEL_H

#include "buscapture.h"
#include "buspairer.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <deque>
#include <vector>

// The frames a monitor heard, one row each: when, the silence before, the bytes, the CRC, what
// the frame is and says, and what broke the timing rules. The oldest rows go beyond maxRows.
class BusMonitorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        TimeColumn,
        GapColumn,
        LengthColumn,
        HexColumn,
        CrcColumn,
        KindColumn,
        DecodedColumn,
        TimingColumn
    };
    static constexpr int columns = 8;
    static constexpr int maxRows = 100000;

    explicit BusMonitorModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // All rows, for saving.
    QVector<CapturedFrame> captured() const;
    // The numbers of requests answered, unanswered and replies nobody asked for.
    int answeredCount() const { return answered; }
    int unansweredCount() const { return unanswered; }

public slots:
    void addFrame(qint64 number, const BusFrame &frame, const BusFrameInfo &info);
    void requestEnded(const ReplyDecode &outcome, qint64 requestNumber);
    void clear();

private:
    struct Row {
        qint64 number = 0;
        BusFrame frame;
        BusFrameInfo info;
        int ended = 0; // a request's: 0 waiting, 1 answered, -1 unanswered
    };
    QString decodedText(const Row &row) const;
    // Frames come in batches, ten times a second: a view that took each row by itself would
    // spend a busy line's time on its own bookkeeping.
    void flush();

    std::deque<Row> rows;
    std::vector<Row> pending;
    QTimer flushTimer;
    int answered = 0;
    int unanswered = 0;
};

#endif // BUSMONITORMODEL_H
