#ifndef VALUECHART_H
#define VALUECHART_H

#include "replymatcher.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPair>
#include <QPointF>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <deque>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

// A live plot of decoded register values: one line per function code, register and value
// format ("03:0" for the default 16-bit format, "03:2 float:CDAB" for others), so that a
// register read as int16 and then as float never mixes both in one line.
// Replies only add to the stored points; a timer redraws the chart from them at most four
// times a second, so the receive path pays next to nothing per reply.
// Qt Charts types stay out of this header, so that includers need not see Qt Charts.
class ValueChart : public QWidget
{
    Q_OBJECT
public:
    explicit ValueChart(QWidget *parent = nullptr);
    ~ValueChart() override;

    // One decoded read reply: value i belongs to register firstRegister + i * registersPerValue.
    // formatKey names how the registers were decoded ("int16", "float:CDAB"); "int16" (or
    // nothing) is the default and is left out of the series name. NaN and infinities are
    // left out.
    void addValues(qint64 msecsSinceEpoch, int functionCode, int firstRegister,
                   int registersPerValue, const QString &formatKey, const QVector<double> &values);

    // The values of a complete reply with a good CRC to the request it answers, now; other
    // replies and verdicts are not plotted.
    void addReply(const ReplyDecode &reply, const QString &formatKey);

    // "time,series,value" lines in arrival order, UTF-8, local time with milliseconds.
    // The previous file stays when the new one cannot be written whole; *error says why.
    bool exportCsv(const QString &path, QString *error = nullptr) const;
    // The chart as it is shown, as PNG; on failure as exportCsv.
    bool exportPng(const QString &path, QString *error = nullptr);

    QStringList seriesNames() const;
    // x is milliseconds since the epoch.
    QVector<QPointF> points(const QString &name) const;
    bool isPaused() const { return paused; }
    // Opens the chart's window beside the console.
    void showWindow();
    void setPaused(bool paused);
    void clear();
    // Draws what is stored now; the timer calls it at most four times a second.
    void redraw();

    // Older points are dropped: they could not be shown in the longest window.
    static constexpr qint64 keptMs = 30 * 60 * 1000;
    static constexpr int maxPointsPerSeries = 20000;
    // Denser series are thinned to the lowest and highest value per slice before drawing; with
    // many series each gets less, so that a redraw takes about as long as with sixteen.
    static constexpr int maxDrawnPoints = 1000;
    static constexpr int maxDrawnPointsInAll = 16 * maxDrawnPoints;
    static constexpr int redrawIntervalMs = 250;
    // More lines than this are neither readable nor quick to draw: a new series beyond it
    // takes the place of the one updated longest ago, and the window says so.
    static constexpr int maxSeries = 32;

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Sample {
        qint64 time;
        double value;
        quint64 order; // arrival order across all series, for the CSV
    };
    using Key = QPair<QString, quint64>; // format, function code << 32 | register
    struct Track {
        Key key;
        QString name;
        std::deque<Sample> samples;
        quint64 lastArrival = 0;
    };
    struct Plot; // the Qt Charts objects

    Track &track(int functionCode, int reg, const QString &formatKey);
    void evictOldest();
    void changed();
    void redrawTick();
    qint64 windowMs() const;
    QString chooseFile(const QString &title, const QString &namePattern, const QString &filter);
    void chooseCsv();
    void choosePng();

    std::vector<Track> tracks; // in order of first arrival, as the legend
    QHash<Key, int> trackIndex;
    int evicted = 0; // since the last clear
    quint64 arrivals = 0;
    qint64 newest = 0;
    bool dirty = false;
    bool paused = false;
    QTimer redrawTimer;
    QElapsedTimer sinceRedraw;
    std::unique_ptr<Plot> plot;
    QComboBox *windowBox = nullptr;
    QPushButton *pauseButton = nullptr;
    QLabel *note = nullptr;
};

#endif // VALUECHART_H
