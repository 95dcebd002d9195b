// The chart of decoded values: series per register, pause, legend, export, bounds.
#include "testsupport.h"
#include "valuechart.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using namespace QtCharts;
#endif

namespace {
const qint64 base = QDateTime::fromString("2024-03-05T06:07:09.045Z", Qt::ISODateWithMs).toMSecsSinceEpoch();

QChart *chartOf(ValueChart &chart) { return chart.findChild<QChartView *>("chartView")->chart(); }

QVector<QPointF> drawnPoints(ValueChart &chart, const QString &name)
{
    for (QAbstractSeries *series : chartOf(chart)->series()) {
        if (series->name() == name) {
            return qobject_cast<QLineSeries *>(series)->points().toVector();
        }
    }
    return {};
}
} // namespace

class TestValueChart : public QObject
{
    Q_OBJECT
private slots:
    void seriesPauseLegendAndExport()
    {
        ValueChart chart;
        chart.show(); // the legend shows its markers only in a shown chart
        chart.addValues(base, 3, 0, 1, {10, 20});
        chart.addValues(base + 500, 4, 17, 2, {0.1f, qQNaN(), -2.25e9}); // a float register value; 04:19 skipped
        chart.addValues(base + 1000, 3, 0, 1, {-123456789.125}); // after 04: arrival order differs from series order

        chart.findChild<QPushButton *>("btnChartPause")->click(); // paused: points are collected, not drawn
        chart.addValues(base + 2000, 3, 5, 1, {4});
        QTest::qWait(4 * ValueChart::redrawIntervalMs);
        QVERIFY(chart.isPaused() && drawnPoints(chart, "03:5").isEmpty() && chart.points("03:5").size() == 1);
        chart.findChild<QPushButton *>("btnChartPause")->click();
        QTRY_COMPARE(drawnPoints(chart, "03:5"), chart.points("03:5"));

        // The legend hides a series, its marker stays to be clicked again; the value axis follows.
        QLegendMarker *marker = chartOf(chart)->legend()->markers().value(3); // 04:21, the only value below -1e9
        auto *valueAxis = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        QTRY_VERIFY(marker->isVisible() && valueAxis->min() <= -2.25e9);
        emit marker->clicked();
        QVERIFY(!marker->series()->isVisible() && marker->isVisible());
        QTRY_VERIFY(valueAxis->min() > -1e9);

        QTemporaryDir dir; // the CSV: local time (UTC+8 here), arrival order, shortest number texts
        QVERIFY(chart.exportCsv(dir.filePath("values.csv")) && !chart.exportCsv(dir.filePath("missing/values.csv")));
        QCOMPARE(readFile(dir.filePath("values.csv")),
                 QByteArray("time,series,value\n2024-03-05T14:07:09.045+08:00,03:0,10\n2024-03-05T14:07:09.045+08:00,03:1,20\n"
                            "2024-03-05T14:07:09.545+08:00,04:17,0.10000000149011612\n2024-03-05T14:07:09.545+08:00,04:21,-2.25e+09\n"
                            "2024-03-05T14:07:10.045+08:00,03:0,-123456789.125\n2024-03-05T14:07:11.045+08:00,03:5,4\n"));
        chart.findChild<QPushButton *>("btnChartClear")->click();
        QVERIFY(chart.seriesNames().isEmpty() && chartOf(chart)->series().isEmpty());
    }

    void bounds()
    {
        ValueChart chart;
        for (int i = 0; i < 25000; ++i) {
            chart.addValues(base + i * 10, 3, 0, 1, {i == 17777 ? 1e6 : double(i)}); // a spike thinning must keep
        }
        const QVector<QPointF> kept = chart.points("03:0");
        QVERIFY(kept.size() == ValueChart::maxPointsPerSeries && kept.first() == QPointF(base + 5000 * 10.0, 5000));
        // 30 minutes and 100 s past the first point: everything before base + 100 s goes.
        chart.addValues(base + ValueChart::keptMs + 100 * 1000, 4, 0, 1, {-5});
        QCOMPARE(chart.points("03:0").first().x(), base + 100 * 1000.0);
        // The 30-minute window shows all that is kept, thinned, the spike included.
        auto *window = chart.findChild<QComboBox *>("cboxChartWindow");
        window->setCurrentIndex(window->findData(30));
        QTest::qWait(2 * ValueChart::redrawIntervalMs);
        QVERIFY(drawnPoints(chart, "03:0").isEmpty()); // a closed window is not drawn...
        chart.show();
        QTRY_VERIFY(!drawnPoints(chart, "03:0").isEmpty()); // ...until it opens
        const QVector<QPointF> shown = drawnPoints(chart, "03:0");
        QVERIFY(shown.size() <= ValueChart::maxDrawnPoints && shown.contains(QPointF(base + 17777 * 10.0, 1e6)));
        QCOMPARE(shown.first(), chart.points("03:0").first());
        QTemporaryDir dir; // written in 64 KB pieces
        QVERIFY(chart.exportCsv(dir.filePath("many.csv")) && QFileInfo(dir.filePath("many.csv")).size() > 64 * 1024);
        QCOMPARE(shown.last(), chart.points("03:0").last()); // the last slice reaches the end
        window->setCurrentIndex(window->findData(1)); // one minute holds only the late point
        QTRY_VERIFY(drawnPoints(chart, "03:0").isEmpty());
    }
};

int main(int argc, char *argv[])
{
    qputenv("TZ", "CST-8"); // so that a time written in UTC cannot pass for local time
    QApplication app(argc, argv);
    TestValueChart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_valuechart.moc"
