// The value chart's redraw and clear times: at its series bound, full of points, and fed with
// 10 000 distinct registers (more series than it keeps). Offscreen, the window at its default size.
#include "benchsupport.h"
#include "valuechart.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char *what, const std::vector<double> &ms, const char *note = "")
{
    const double most = *std::max_element(ms.begin(), ms.end());
    std::printf("    %-16s median %6.1f ms   max %6.1f ms   %zu times%s\n", what, median(ms), most,
                ms.size(), note);
}

struct Redraw {
    double data;  // redraw(): points to the series and the axes
    double total; // and the chart laid out and painted
};

// What the timer's redraw costs the user: the series updated, laid out and painted.
Redraw redrawAndPaint(ValueChart &chart)
{
    QElapsedTimer timer;
    timer.start();
    chart.redraw();
    const double data = msSince(timer);
    QCoreApplication::processEvents(); // the chart's layout
    chart.grab();
    return {data, msSince(timer)};
}

double timedClear(ValueChart &chart)
{
    QElapsedTimer timer;
    timer.start();
    chart.clear();
    QCoreApplication::processEvents();
    chart.grab();
    return msSince(timer);
}

// maxSeries registers with maxPointsPerSeries points each over the 30 minutes the chart keeps.
void fill(ValueChart &chart, qint64 end)
{
    const int n = ValueChart::maxSeries;
    const int points = ValueChart::maxPointsPerSeries;
    const qint64 every = ValueChart::keptMs / points;
    QVector<double> values(n);
    for (int p = 0; p < points; ++p) {
        for (int r = 0; r < n; ++r) {
            values[r] = 1000 * r + 500 * std::sin(p / 200.0 + r);
        }
        chart.addValues(end - (points - 1 - p) * every, 3, 0, 1, QStringLiteral("int16"), values);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ValueChart chart;
    chart.show();
    QCoreApplication::processEvents();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::printf("value chart, offscreen, window %dx%d, at most %d series\n", chart.width(),
                chart.height(), ValueChart::maxSeries);

    // At the bound: every series full, the 30-minute window (the most drawn points).
    chart.findChild<QObject *>("cboxChartWindow")->setProperty("currentIndex", 3);
    std::vector<double> data, total, clears;
    for (int round = 0; round < 5; ++round) {
        fill(chart, now);
        redrawAndPaint(chart); // the series are made once
        for (int i = 0; i < 10; ++i) {
            const QVector<double> values(ValueChart::maxSeries, 1);
            chart.addValues(now + i, 3, 0, 1, QStringLiteral("int16"), values);
            const Redraw r = redrawAndPaint(chart);
            data.push_back(r.data);
            total.push_back(r.total);
        }
        clears.push_back(timedClear(chart));
    }
    const int drawn = std::min(ValueChart::maxDrawnPoints,
                               ValueChart::maxDrawnPointsInAll / ValueChart::maxSeries);
    std::printf("  at the bound: %d series x %d points, %d drawn each\n", ValueChart::maxSeries,
                ValueChart::maxPointsPerSeries, drawn);
    report("redraw + paint", total, "   (target <= 100 ms)");
    report("of which data", data);
    report("clear", clears);

    // 10 000 distinct registers in 80 replies of 125, redrawn after each as the timer would.
    const int registers = 10000, perReply = 125;
    data.clear();
    total.clear();
    clears.clear();
    double adding = 0;
    for (int round = 0; round < 3; ++round) {
        for (int first = 0; first < registers; first += perReply) {
            QVector<double> values(perReply);
            for (int i = 0; i < perReply; ++i) {
                values[i] = first + i;
            }
            QElapsedTimer timer;
            timer.start();
            chart.addValues(now + first, 3, first, 1, QStringLiteral("float:ABCD"), values);
            adding += msSince(timer);
            const Redraw r = redrawAndPaint(chart);
            data.push_back(r.data);
            total.push_back(r.total);
        }
        if (chart.seriesNames().size() != ValueChart::maxSeries) {
            std::printf("unexpected: %d series kept\n", int(chart.seriesNames().size()));
            return 1;
        }
        clears.push_back(timedClear(chart));
    }
    std::printf("  %d distinct registers, %d replies of %d, a redraw after each (3 rounds)\n",
                registers, registers / perReply, perReply);
    std::printf("    addValues        %7.3f ms per reply\n", adding / double(total.size()));
    report("redraw + paint", total);
    report("of which data", data);
    report("clear", clears, "   (of the series kept)");

    // The same while the window is closed, then one redraw when it opens.
    data.clear();
    total.clear();
    clears.clear();
    for (int round = 0; round < 3; ++round) {
        for (int first = 0; first < registers; first += perReply) {
            chart.addValues(now + first, 3, first, 1, QStringLiteral("int32:ABCD"),
                            QVector<double>(perReply, first));
        }
        const Redraw r = redrawAndPaint(chart);
        data.push_back(r.data);
        total.push_back(r.total);
        clears.push_back(timedClear(chart));
    }
    std::printf("  the same %d registers fed at once, then one redraw\n", registers);
    report("redraw + paint", total);
    report("clear", clears);
    std::printf("  peak RSS %.1f MiB\n", peakRssMiB());
    return 0;
}
