// The chart of decoded values: series per register, pause, legend, export, bounds, redraws.
#include "testsupport.h"
#include "valuechart.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <limits>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using namespace QtCharts;
#endif

namespace {
const double notANumber = std::numeric_limits<double>::quiet_NaN();
const qint64 base = QDateTime::fromString(QStringLiteral("2024-03-05T06:07:09.045Z"), Qt::ISODateWithMs).toMSecsSinceEpoch();

QChart *chartOf(ValueChart &chart)
{
    return chart.findChild<QChartView *>(QStringLiteral("chartView"))->chart();
}

QLineSeries *drawn(ValueChart &chart, const QString &name)
{
    for (QAbstractSeries *series : chartOf(chart)->series()) {
        if (series->name() == name) {
            return qobject_cast<QLineSeries *>(series);
        }
    }
    return nullptr;
}

QVector<QPointF> drawnPoints(ValueChart &chart, const QString &name)
{
    QLineSeries *series = drawn(chart, name);
    const auto points = series ? series->points() : decltype(series->points())(); // a QList in Qt 5
    return QVector<QPointF>(points.begin(), points.end());
}
} // namespace

class TestValueChart : public QObject
{
    Q_OBJECT
private slots:
    void seriesPauseAndLegend();
    void exports();
    void bounds();
    void redrawRate();
};

void TestValueChart::seriesPauseAndLegend()
{
    ValueChart chart;
    chart.resize(800, 500);
    chart.show(); // the legend shows its markers only in a shown chart
    chart.addValues(base, 3, 0, 1, {10, 20});
    chart.addValues(base + 500, 4, 17, 2, {1.5, notANumber, -2.25e9}); // 04:19 skipped: not a number
    chart.addValues(base + 1000, 3, 0, 1, {-11, 21});
    QCOMPARE(chart.seriesNames(), (QStringList{"03:0", "03:1", "04:17", "04:21"}));
    QCOMPARE(chart.points("03:0"), (QVector<QPointF>{{base + 0.0, 10}, {base + 1000.0, -11}}));
    QCOMPARE(chart.points("04:21"), (QVector<QPointF>{{base + 500.0, -2.25e9}}));
    QTRY_COMPARE(drawnPoints(chart, "03:0"), chart.points("03:0"));

    // Paused: the picture stands still, the points are still collected.
    chart.findChild<QPushButton *>("btnChartPause")->click();
    QVERIFY(chart.isPaused());
    chart.addValues(base + 2000, 3, 5, 1, {4});
    QTest::qWait(4 * ValueChart::redrawIntervalMs);
    QVERIFY(!drawn(chart, "03:5"));
    QCOMPARE(chart.points("03:5").size(), 1);
    chart.findChild<QPushButton *>("btnChartPause")->click();
    QTRY_COMPARE(drawnPoints(chart, "03:5"), chart.points("03:5"));

    // The legend hides and shows a series; the value axis follows what is shown.
    QLineSeries *series = drawn(chart, "04:21");
    QLegendMarker *marker = chartOf(chart)->legend()->markers(series).value(0);
    auto *valueAxis = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
    QVERIFY(valueAxis->min() <= -2.25e9);
    QTRY_VERIFY(marker->isVisible());
    emit marker->clicked();
    QVERIFY(!series->isVisible() && marker->isVisible());
    QTRY_VERIFY(valueAxis->min() > -1e9);
    emit marker->clicked();
    QVERIFY(series->isVisible());

    chart.findChild<QPushButton *>("btnChartClear")->click();
    QVERIFY(chart.seriesNames().isEmpty() && chartOf(chart)->series().isEmpty());
}

void TestValueChart::exports()
{
    ValueChart chart;
    const double tenth = double(0.1f); // a float register value, as the decoder hands it on
    chart.addValues(base, 3, 0, 1, {1, 2});
    chart.addValues(base + 1001, 4, 10, 2, {tenth});
    chart.addValues(base + 2002, 3, 0, 1, {-123456789.125});
    QTemporaryDir dir;
    QVERIFY(chart.exportCsv(dir.filePath("values.csv")));
    // Local time, in arrival order; the test runs eight hours east of UTC.
    const QList<QByteArray> lines = readFile(dir.filePath("values.csv")).split('\n');
    QCOMPARE(lines.mid(0, 3), (QList<QByteArray>{"time,series,value", "2024-03-05T14:07:09.045+08:00,03:0,1",
                                                  "2024-03-05T14:07:09.045+08:00,03:1,2"}));
    QVERIFY(lines.at(3).startsWith("2024-03-05T14:07:10.046+08:00,04:10,"));
    QCOMPARE(lines.at(3).split(',').value(2).toDouble(), tenth); // reads back as the same number
    QCOMPARE(lines.at(4), QByteArray("2024-03-05T14:07:11.047+08:00,03:0,-123456789.125"));
    QVERIFY(!chart.exportCsv(dir.filePath("missing/values.csv")));
    chart.resize(800, 500);
    QVERIFY(chart.exportPng(dir.filePath("chart.png")));
    QVERIFY(QImage(dir.filePath("chart.png")).width() > 400);
}

void TestValueChart::bounds()
{
    ValueChart chart;
    const int calls = 25000;
    for (int i = 0; i < calls; ++i) {
        chart.addValues(base + i * 10, 3, 0, 1, {i == 17777 ? 1e6 : double(i)}); // a spike thinning must keep
    }
    QVector<QPointF> kept = chart.points("03:0");
    QCOMPARE(kept.size(), ValueChart::maxPointsPerSeries);
    QCOMPARE(kept.first(), QPointF(base + 5000 * 10.0, 5000));
    // 30 minutes and 100 s past the first point: everything before base + 100 s goes.
    const qint64 late = base + ValueChart::keptMs + 100 * 1000;
    chart.addValues(late, 4, 0, 1, {-5});
    kept = chart.points("03:0");
    QCOMPARE(kept.first().x(), base + 100 * 1000.0);
    // The 30-minute window shows all that is kept, thinned, the spike included.
    auto *window = chart.findChild<QComboBox *>("cboxChartWindow");
    QCOMPARE(window->currentText(), QStringLiteral("10 分钟"));
    window->setCurrentIndex(window->findData(30));
    QTRY_VERIFY(!drawnPoints(chart, "03:0").isEmpty());
    const QVector<QPointF> shown = drawnPoints(chart, "03:0");
    QVERIFY(shown.size() <= ValueChart::maxDrawnPoints);
    QVERIFY(shown.contains(QPointF(base + 17777 * 10.0, 1e6)));
    QCOMPARE(shown.first(), kept.first());
    window->setCurrentIndex(window->findData(1)); // one minute holds only the late point
    QTRY_VERIFY(drawnPoints(chart, "03:0").isEmpty());
}

void TestValueChart::redrawRate()
{
    ValueChart chart;
    QVector<double> values(40);
    chart.addValues(base, 3, 0, 1, values);
    QTRY_VERIFY(drawn(chart, "03:0"));
    QElapsedTimer clock;
    clock.start();
    QVector<qint64> redraws;
    connect(drawn(chart, "03:0"), &QXYSeries::pointsReplaced, this, [&] { redraws << clock.elapsed(); });
    for (qint64 t = base + 1; clock.elapsed() < 2000; ++t) { // a flood of replies
        chart.addValues(t, 3, 0, 1, values);
        if (t % 50 == 0) {
            QCoreApplication::processEvents();
        }
    }
    QVERIFY2(redraws.size() >= 3 && redraws.size() <= 2000 / ValueChart::redrawIntervalMs + 1,
             qPrintable(QString::number(redraws.size())));
    for (int i = 1; i < redraws.size(); ++i) {
        QVERIFY(redraws.at(i) - redraws.at(i - 1) >= ValueChart::redrawIntervalMs - 2);
    }
}

int main(int argc, char *argv[])
{
    // Eight hours east of UTC, so that a time written in UTC cannot pass for local time.
    qputenv("TZ", "CST-8");
    QApplication app(argc, argv);
    TestValueChart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_valuechart.moc"
