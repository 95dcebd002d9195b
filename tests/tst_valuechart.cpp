#include "valuechart.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
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
const double infinity = std::numeric_limits<double>::infinity();
const qint64 base = QDateTime::fromString(QStringLiteral("2024-03-05T06:07:09.045Z"), Qt::ISODateWithMs).toMSecsSinceEpoch();

struct Call {
    qint64 time;
    int functionCode;
    int firstRegister;
    int registersPerValue;
    QVector<double> values;
};

void add(ValueChart &chart, const Call &call)
{
    chart.addValues(call.time, call.functionCode, call.firstRegister, call.registersPerValue, call.values);
}

QChart *chartOf(ValueChart &chart)
{
    return chart.findChild<QChartView *>(QStringLiteral("chartView"))->chart();
}

QLineSeries *drawn(ValueChart &chart, const QString &name)
{
    const auto all = chartOf(chart)->series();
    for (QAbstractSeries *series : all) {
        if (series->name() == name) {
            return qobject_cast<QLineSeries *>(series);
        }
    }
    return nullptr;
}

QStringList drawnNames(ValueChart &chart)
{
    QStringList names;
    const auto all = chartOf(chart)->series();
    for (QAbstractSeries *series : all) {
        names.append(series->name());
    }
    return names;
}

QVector<QPointF> drawnPoints(ValueChart &chart, const QString &name)
{
    QLineSeries *series = drawn(chart, name);
    if (!series) {
        return {};
    }
    const auto points = series->points(); // a QList in Qt 5
    return QVector<QPointF>(points.begin(), points.end());
}

QPushButton *button(ValueChart &chart, const char *name)
{
    return chart.findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

Q_DECLARE_METATYPE(QVector<Call>)

class TestValueChart : public QObject
{
    Q_OBJECT
private slots:
    void seriesFromReplies_data();
    void seriesFromReplies();
    void pauseKeepsCollecting();
    void legendAndClear();
    void exports();
    void bounds();
    void redrawRate();
};

void TestValueChart::seriesFromReplies_data()
{
    QTest::addColumn<QVector<Call>>("calls");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector<QVector<QPointF>>>("points");

    QTest::newRow("16-bit") << QVector<Call>{{base, 3, 0, 1, {10, 20, 30}}, {base + 1000, 3, 0, 1, {-11, 21, 31}}}
                            << QStringList{"03:0", "03:1", "03:2"}
                            << QVector<QVector<QPointF>>{{{base + 0.0, 10}, {base + 1000.0, -11}},
                                                         {{base + 0.0, 20}, {base + 1000.0, 21}},
                                                         {{base + 0.0, 30}, {base + 1000.0, 31}}};
    // 04:19 first appears with the second reply, so it comes last.
    QTest::newRow("32-bit, non-finite left out")
        << QVector<Call>{{base, 4, 17, 2, {1.5, notANumber, -2.25e9}}, {base + 500, 4, 17, 2, {infinity, 7, -infinity}}}
        << QStringList{"04:17", "04:21", "04:19"}
        << QVector<QVector<QPointF>>{{{base + 0.0, 1.5}}, {{base + 0.0, -2.25e9}}, {{base + 500.0, 7}}};
}

void TestValueChart::seriesFromReplies()
{
    QFETCH(QVector<Call>, calls);
    QFETCH(QStringList, names);
    QFETCH(QVector<QVector<QPointF>>, points);

    ValueChart chart;
    for (const Call &call : calls) {
        add(chart, call);
    }
    QCOMPARE(chart.seriesNames(), names);
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(chart.points(names.at(i)), points.at(i));
    }
    QTRY_COMPARE(drawnNames(chart), names);
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(drawnPoints(chart, names.at(i)), points.at(i));
    }
}

void TestValueChart::pauseKeepsCollecting()
{
    ValueChart chart;
    add(chart, {base, 3, 0, 1, {1}});
    QTRY_COMPARE(drawnPoints(chart, "03:0").size(), 1);

    add(chart, {base + 1000, 3, 0, 1, {2, 3}}); // a redraw is due when the pause comes
    button(chart, "btnChartPause")->click();
    QVERIFY(chart.isPaused());
    QCOMPARE(button(chart, "btnChartPause")->text(), QStringLiteral("继续"));
    add(chart, {base + 2000, 3, 0, 1, {4, 5}});
    QTest::qWait(4 * ValueChart::redrawIntervalMs);
    QCOMPARE(drawnNames(chart), QStringList{"03:0"});
    QCOMPARE(drawnPoints(chart, "03:0").size(), 1);
    QCOMPARE(chart.seriesNames(), (QStringList{"03:0", "03:1"}));
    QCOMPARE(chart.points("03:1").size(), 2);

    button(chart, "btnChartPause")->click();
    QVERIFY(!chart.isPaused());
    QCOMPARE(button(chart, "btnChartPause")->text(), QStringLiteral("暂停"));
    QTRY_COMPARE(drawnNames(chart), chart.seriesNames());
    for (const QString &name : chart.seriesNames()) {
        QCOMPARE(drawnPoints(chart, name), chart.points(name));
    }
}

void TestValueChart::legendAndClear()
{
    ValueChart chart;
    chart.resize(800, 500);
    chart.show(); // the legend lays out, and so shows, its markers only in a shown chart
    add(chart, {base, 3, 0, 1, {1, 100}});
    QTRY_VERIFY(drawn(chart, "03:1"));
    QLineSeries *series = drawn(chart, "03:1");
    QLegendMarker *marker = chartOf(chart)->legend()->markers(series).value(0);
    QVERIFY(marker);
    QTRY_VERIFY(marker->isVisible());
    auto *valueAxis = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
    QVERIFY(valueAxis->max() >= 100);

    emit marker->clicked();
    QVERIFY(!series->isVisible());
    QVERIFY(marker->isVisible()); // it must stay to be clicked again
    QTRY_VERIFY(valueAxis->max() < 100); // scaled to the series still shown
    add(chart, {base + 1000, 3, 0, 1, {2, 200}});
    QTRY_COMPARE(series->count(), 2);
    QVERIFY(marker->isVisible()); // also after a redraw
    emit marker->clicked();
    QVERIFY(series->isVisible());

    button(chart, "btnChartClear")->click();
    QVERIFY(chart.seriesNames().isEmpty());
    QVERIFY(chartOf(chart)->series().isEmpty());
    add(chart, {base + 5000, 4, 9, 1, {2}});
    QTRY_COMPARE(drawnNames(chart), QStringList{"04:9"});
    QCOMPARE(chart.points("04:9"), (QVector<QPointF>{{base + 5000.0, 2}}));
}

void TestValueChart::exports()
{
    ValueChart chart;
    const double tenth = double(0.1f); // a float register value, as the decoder hands it on
    add(chart, {base, 3, 0, 1, {1, 2}});
    add(chart, {base + 1001, 4, 10, 2, {tenth, notANumber}});
    add(chart, {base + 2002, 3, 0, 1, {-123456789.125}});

    QTemporaryDir dir;
    QVERIFY(chart.exportCsv(dir.filePath("values.csv")));
    QFile file(dir.filePath("values.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    // The test runs eight hours east of UTC: base is 06:07:09.045 UTC.
    const QList<QByteArray> want = {"time,series,value",
                                    "2024-03-05T14:07:09.045+08:00,03:0,1",
                                    "2024-03-05T14:07:09.045+08:00,03:1,2",
                                    "2024-03-05T14:07:10.046+08:00,04:10,",
                                    "2024-03-05T14:07:11.047+08:00,03:0,-123456789.125",
                                    ""};
    QCOMPARE(lines.size(), want.size());
    for (int i = 0; i < want.size(); ++i) {
        if (i == 3) { // the float's shortest text must read back as the same double
            QVERIFY2(lines.at(i).startsWith(want.at(i)), lines.at(i).constData());
            QCOMPARE(lines.at(i).mid(want.at(i).size()).toDouble(), tenth);
        } else {
            QCOMPARE(lines.at(i), want.at(i));
        }
    }
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
        // One spike that thinning must keep.
        add(chart, {base + i * 10, 3, 0, 1, {i == 17777 ? 1e6 : double(i)}});
    }
    QVector<QPointF> kept = chart.points("03:0");
    QCOMPARE(kept.size(), 20000);
    QCOMPARE(kept.first(), QPointF(base + 5000 * 10.0, 5000));
    QCOMPARE(kept.last(), QPointF(base + (calls - 1) * 10.0, calls - 1));

    // 30 minutes and 100 s past the first point: everything before base + 100 s goes.
    const qint64 late = base + 30 * 60 * 1000 + 100 * 1000;
    add(chart, {late, 4, 0, 1, {-5}});
    kept = chart.points("03:0");
    QCOMPARE(kept.size(), calls - 10000);
    QCOMPARE(kept.first().x(), base + 100 * 1000.0);

    // The 30-minute window shows all that is kept, thinned.
    auto *windowBox = chart.findChild<QComboBox *>("cboxChartWindow");
    QCOMPARE(windowBox->currentText(), QStringLiteral("10 分钟"));
    windowBox->setCurrentIndex(windowBox->findData(30));
    QTRY_VERIFY(!drawnPoints(chart, "03:0").isEmpty());
    const QVector<QPointF> shown = drawnPoints(chart, "03:0");
    QVERIFY(shown.size() <= ValueChart::maxDrawnPoints);
    QVERIFY(shown.contains(QPointF(base + 17777 * 10.0, 1e6)));
    QCOMPARE(shown.first(), kept.first());
    QCOMPARE(shown.last(), kept.last());
    auto *timeAxis = qobject_cast<QDateTimeAxis *>(chartOf(chart)->axes(Qt::Horizontal).value(0));
    auto *valueAxis = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
    QCOMPARE(timeAxis->min().toMSecsSinceEpoch(), base + 100 * 1000);
    QCOMPARE(timeAxis->max().toMSecsSinceEpoch(), late);
    QVERIFY(valueAxis->min() <= -5 && valueAxis->max() >= 1e6);

    // One minute holds only the late point: the old series is drawn empty, the axes follow.
    windowBox->setCurrentIndex(windowBox->findData(1));
    QTRY_VERIFY(drawnPoints(chart, "03:0").isEmpty());
    QVERIFY(timeAxis->min().toMSecsSinceEpoch() >= late - 60 * 1000);
    QVERIFY(valueAxis->max() < 1e6);
}

void TestValueChart::redrawRate()
{
    ValueChart chart;
    QVector<double> values(40);
    add(chart, {base, 3, 0, 1, values});
    QTRY_VERIFY(drawn(chart, "03:0"));

    QElapsedTimer clock;
    clock.start();
    QVector<qint64> replaced;
    connect(drawn(chart, "03:0"), &QXYSeries::pointsReplaced, this, [&] { replaced.append(clock.elapsed()); });
    const int floodMs = 2000;
    for (qint64 t = base + 1; clock.elapsed() < floodMs; ++t) {
        values[0] = double(t % 1000);
        add(chart, {t, 3, 0, 1, values});
        if (t % 50 == 0) {
            QCoreApplication::processEvents();
        }
    }
    const int limit = floodMs / ValueChart::redrawIntervalMs + 1;
    QVERIFY2(replaced.size() >= limit / 2 && replaced.size() <= limit, qPrintable(QString::number(replaced.size())));
    for (int i = 1; i < replaced.size(); ++i) {
        // Whole milliseconds on both clocks.
        QVERIFY2(replaced.at(i) - replaced.at(i - 1) >= ValueChart::redrawIntervalMs - 2,
                 qPrintable(QStringLiteral("redraws at %1 and %2 ms").arg(replaced.at(i - 1)).arg(replaced.at(i))));
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
