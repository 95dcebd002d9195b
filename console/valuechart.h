#ifndef VALUECHART_H
#define VALUECHART_H

#include <QElapsedTimer>
#include <QHash>
#include <QPointF>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <deque>
#include <memory>

class QComboBox;
class QPushButton;

// A live plot of decoded register values: one line per function code and register ("03:0").
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
    // NaN and infinities are left out.
    void addValues(qint64 msecsSinceEpoch, int functionCode, int firstRegister,
                   int registersPerValue, const QVector<double> &values);

    // "time,series,value" lines in arrival order, UTF-8, local time with milliseconds.
    bool exportCsv(const QString &path) const;
    // The chart as it is shown.
    bool exportPng(const QString &path);

    QStringList seriesNames() const;
    // x is milliseconds since the epoch.
    QVector<QPointF> points(const QString &name) const;
    bool isPaused() const { return paused; }
    // Opens the chart's window beside the console.
    void showWindow();
    void setPaused(bool paused);
    void clear();

    // Older points are dropped: they could not be shown in the longest window.
    static constexpr qint64 keptMs = 30 * 60 * 1000;
    static constexpr int maxPointsPerSeries = 20000;
    // Denser series are thinned to the lowest and highest value per slice before drawing.
    static constexpr int maxDrawnPoints = 1000;
    static constexpr int redrawIntervalMs = 250;

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Sample {
        qint64 time;
        double value;
        quint64 order; // arrival order across all series, for the CSV
    };
    struct Track {
        QString name;
        std::deque<Sample> samples;
    };
    struct Plot; // the Qt Charts objects

    Track &track(int functionCode, int reg);
    void changed();
    void redrawTick();
    void redraw();
    qint64 windowMs() const;
    void chooseCsv();
    void choosePng();

    std::deque<Track> tracks; // grows without moving its tracks
    QHash<quint64, int> trackIndex; // function code << 32 | register
    quint64 arrivals = 0;
    qint64 newest = 0;
    bool dirty = false;
    bool paused = false;
    QTimer redrawTimer;
    QElapsedTimer sinceRedraw;
    std::unique_ptr<Plot> plot;
    QComboBox *windowBox = nullptr;
    QPushButton *pauseButton = nullptr;
};

#endif // VALUECHART_H
