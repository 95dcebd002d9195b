// The chart of decoded values: series per register and format, their bound, the value axis,
// single points, pause, legend, export and its failures.
#include "testsupport.h"
#include "valuechart.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtTest>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using namespace QtCharts;
#endif

namespace {
const qint64 base =
    QDateTime::fromString("2024-03-05T06:07:09.045Z", Qt::ISODateWithMs).toMSecsSinceEpoch();

QChart *chartOf(ValueChart &chart)
{
    return chart.findChild<QChartView *>("chartView")->chart();
}
QListWidget *legendOf(ValueChart &c)
{
    return c.findChild<QListWidget *>("listChartSeries");
}
QCategoryAxis *valueAxisOf(ValueChart &chart)
{
    return qobject_cast<QCategoryAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
}

QLineSeries *lineOf(ValueChart &chart, const QString &name)
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
    QLineSeries *line = lineOf(chart, name);
    QVector<QPointF> points;
    for (int i = 0; line && i < line->count(); ++i) {
        points << line->at(i);
    }
    return points;
}

// Three replies: 03:0 and 03:1, then 04:17 and 04:21 as floats, then 03:0 again.
void addThreeReplies(ValueChart &chart)
{
    chart.addValues(base, 3, 0, 1, "int16", {10, 20});
    chart.addValues(base + 500, 4, 17, 2, "float:ABCD", {0.1f, qQNaN(), -2.25e9}); // no 04:19
    chart.addValues(base + 1000, 3, 0, 1, "int16", {-123456789.125});
}
} // namespace

class TestValueChart : public QObject
{
    Q_OBJECT
    std::unique_ptr<ValueChart> axisChart;

private slots:
    void pauseAndLegend()
    {
        ValueChart chart;
        chart.show();
        addThreeReplies(chart);
        auto *pause = chart.findChild<QPushButton *>("btnChartPause");
        pause->click(); // paused: points are collected, not drawn
        chart.addValues(base + 2000, 3, 5, 1, "int16", {4});
        QTest::qWait(4 * ValueChart::redrawIntervalMs);
        QVERIFY(chart.isPaused());
        QCOMPARE(drawnPoints(chart, "03:5"), QVector<QPointF>());
        QCOMPARE(chart.points("03:5").size(), 1);
        pause->click();
        QTRY_COMPARE(drawnPoints(chart, "03:5"), chart.points("03:5"));

        // A click on a legend entry's name hides its line, one on its box shows it again; the
        // value axis follows. Its only value is below -1e9.
        QListWidget *legend = legendOf(chart);
        QListWidgetItem *entry = legend->item(3); // 03 comes before 04, whatever the arrival
        QCOMPARE(entry->text(), QString("04:21 float:ABCD"));
        QCategoryAxis *axis = valueAxisOf(chart);
        QTRY_VERIFY(axis->min() <= -2.25e9);
        const QRect rect = legend->visualItemRect(entry);
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(!lineOf(chart, entry->text())->isVisible());
        QCOMPARE(entry->checkState(), Qt::Unchecked);
        QTRY_VERIFY(axis->min() > -1e9);
        const QPoint box(rect.left() + 8, rect.center().y());
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, box);
        QVERIFY(lineOf(chart, entry->text())->isVisible());
        QTRY_VERIFY(axis->min() <= -2.25e9);
    }

    void csvAndClear()
    {
        ValueChart chart;
        addThreeReplies(chart);
        QTemporaryDir dir; // local time (UTC+8 here), arrival order, shortest number texts
        QVERIFY(chart.exportCsv(dir.filePath("values.csv")));
        QCOMPARE(readFile(dir.filePath("values.csv")),
                 QByteArray("time,series,value\n"
                            "2024-03-05T14:07:09.045+08:00,03:0,10\n"
                            "2024-03-05T14:07:09.045+08:00,03:1,20\n"
                            "2024-03-05T14:07:09.545+08:00,04:17 float:ABCD,0.10000000149011612\n"
                            "2024-03-05T14:07:09.545+08:00,04:21 float:ABCD,-2.25e+09\n"
                            "2024-03-05T14:07:10.045+08:00,03:0,-123456789.125\n"));
        chart.findChild<QPushButton *>("btnChartClear")->click();
        QCOMPARE(chart.seriesNames(), QStringList());
        QCOMPARE(chartOf(chart)->series().size(), 0);
        QCOMPARE(legendOf(chart)->count(), 0);
    }

    void seriesPerFormat()
    {
        // One register read in several formats in turn: a line per format, the default unnamed.
        ValueChart chart;
        chart.addValues(base, 3, 2, 1, "int16", {16457});
        chart.addValues(base + 1000, 3, 2, 2, "int32:ABCD", {1078530000});
        chart.addValues(base + 2000, 3, 2, 2, "float:ABCD", {3.14, 2.5});
        chart.addValues(base + 3000, 3, 2, 2, "float:CDAB", {-1.5});
        chart.addValues(base + 4000, 4, 2, 1, "uint16", {65535});
        chart.addValues(base + 5000, 3, 2, 1, "int16", {-7});
        QCOMPARE(chart.seriesNames(),
                 QStringList({"03:2", "03:2 int32:ABCD", "03:2 float:ABCD", "03:4 float:ABCD",
                              "03:2 float:CDAB", "04:2 uint16"}));
        QCOMPARE(chart.points("03:2"), (QVector<QPointF>{{base + 0.0, 16457}, {base + 5e3, -7}}));
    }

    void seriesBound()
    {
        ValueChart chart;
        chart.show();
        const int n = ValueChart::maxSeries;
        const auto name = [](int reg) { return QString("04:%1 uint32:ABCD").arg(reg); }; // longest
        QStringList expected;
        for (int i = 0; i < n; ++i) {
            chart.addValues(base + i, 4, 65000 + 2 * i, 2, "uint32:ABCD", {double(i)});
            expected << name(65000 + 2 * i);
        }
        chart.redraw();
        auto *note = chart.findChild<QLabel *>("lblChartNote");
        QCOMPARE(chart.seriesNames(), expected);
        QVERIFY(!note->isVisible());
        // The first is updated again, so three new ones push out the second to the fourth.
        chart.addValues(base + n, 4, 65000, 2, "uint32:ABCD", {-1});
        chart.addValues(base + n + 1, 4, 100, 2, "uint32:ABCD", {1, 2, 3});
        expected =
            expected.mid(0, 1) + expected.mid(4) + QStringList{name(100), name(102), name(104)};
        chart.redraw();
        QListWidget *legend = legendOf(chart);
        QCOMPARE(chart.seriesNames(), expected);
        QCOMPARE(chartOf(chart)->series().size(), n);
        QCOMPARE(legend->count(), n);
        QCOMPARE(legend->item(n - 1)->text(), name(104));
        QVERIFY(note->isVisible());
        QVERIFY(note->text().startsWith("已移除 3 条最久未更新的曲线"));
        QVERIFY(legend->sizeHintForColumn(0) <= legend->viewport()->width()); // names shown whole
        // A reply wider than the bound keeps its last values.
        chart.addValues(base + n + 2, 3, 0, 1, "int16", QVector<double>(1000, 5.0));
        QCOMPARE(chart.seriesNames().size(), n);
        QCOMPARE(chart.seriesNames().first(), QString("03:%1").arg(1000 - n));
        QVERIFY(note->text().startsWith("已移除 1003 条"));
        chart.clear();
        QVERIFY(!note->isVisible());
    }

    void valueAxis_data()
    {
        // Run in turn, so that each range follows another, starting from one with an end at 0.
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<QStringList>("labels"); // where they matter
        QTest::newRow("float range") << QVector<double>{-3.4e38, 3.4e38}
                                     << QStringList{"-4e+38", "-2e+38", "0", "2e+38", "4e+38"};
        QTest::newRow("tiny") << QVector<double>{1e-30}
                              << QStringList{"9e-31", "9.5e-31", "1e-30", "1.05e-30", "1.1e-30"};
        QTest::newRow("1 to 10") << QVector<double>{1, 10} << QStringList{"0", "5", "10", "15"};
        QTest::newRow("zero") << QVector<double>{0, 0}
                              << QStringList{"-1.0", "-0.5", "0.0", "0.5", "1.0"};
        QTest::newRow("large, narrow") << QVector<double>{3e9, 3e9 + 1} << QStringList();
    }

    void valueAxis()
    {
        QFETCH(QVector<double>, values);
        QFETCH(QStringList, labels);
        if (!axisChart) {
            axisChart.reset(new ValueChart); // each row's range follows the one before
        }
        ValueChart &chart = *axisChart;
        chart.clear();
        chart.addValues(base, 3, 0, 1, "float:ABCD", values);
        chart.redraw();
        QCategoryAxis *axis = valueAxisOf(chart);
        const QStringList got = axis->categoriesLabels();
        if (!labels.isEmpty()) {
            QCOMPARE(got, labels);
        }
        QVERIFY(got.size() >= 3);
        QVERIFY(got.size() <= 8);
        QCOMPARE(QSet<QString>(got.begin(), got.end()).size(), got.size());
        // Each label reads the value drawn at its tick, and the points lie between the ends.
        const double min = axis->min(), max = axis->max();
        const double low = got.first().toDouble(), high = got.last().toDouble();
        const auto read = [&](double y) { return low + (y - min) / (max - min) * (high - low); };
        const auto near = [&](double a, double b) { return qAbs(a - b) <= (high - low) / 1e9; };
        QVERIFY(min < max);
        QCOMPARE(axis->endValue(got.first()), min);
        for (const QString &label : got) {
            QVERIFY2(label.size() <= 11, qPrintable(label));
            QVERIFY2(near(label.toDouble(), read(axis->endValue(label))), qPrintable(label));
        }
        for (int i = 0; i < values.size(); ++i) { // a register each
            const double y = drawnPoints(chart, chart.seriesNames().at(i)).value(0).y();
            QVERIFY(min < y);
            QVERIFY(y < max);
            QVERIFY(near(read(y), values.at(i)));
        }
    }

    void singlePointShows()
    {
        // A register read once is a dot, however small its value; read again it is a line.
        ValueChart chart;
        chart.addValues(base, 3, 7, 1, "float:ABCD", {1e-30});
        chart.redraw();
        QLineSeries *line = lineOf(chart, "03:7 float:ABCD");
        QCOMPARE(line->count(), 1);
        QVERIFY(line->pointsVisible());
        chart.addValues(base + 60000, 3, 7, 1, "float:ABCD", {3e-30});
        chart.redraw();
        QVERIFY(!line->pointsVisible());
    }

    void pointsKeptAndDrawn()
    {
        ValueChart chart;
        for (int i = 0; i < 25000; ++i) {
            const double value = i == 17777 ? 1e6 : double(i); // a spike thinning must keep
            chart.addValues(base + i * 10, 3, 0, 1, "int16", {value});
        }
        const QVector<QPointF> kept = chart.points("03:0");
        QCOMPARE(kept.size(), ValueChart::maxPointsPerSeries);
        QCOMPARE(kept.first(), QPointF(base + 5e4, 5000));
        // 30 minutes and 100 s past the first point: everything before base + 100 s goes.
        chart.addValues(base + ValueChart::keptMs + 100 * 1000, 4, 0, 1, "int16", {-5});
        QCOMPARE(chart.points("03:0").first().x(), base + 100 * 1000.0);
        // The 30-minute window shows all that is kept, thinned, the spike included.
        auto *window = chart.findChild<QComboBox *>("cboxChartWindow");
        window->setCurrentIndex(window->findData(30));
        QTest::qWait(2 * ValueChart::redrawIntervalMs);
        QCOMPARE(drawnPoints(chart, "03:0").size(), 0); // a closed window is not drawn...
        chart.show();
        QTRY_VERIFY(!drawnPoints(chart, "03:0").isEmpty()); // ...until it opens
        const QVector<QPointF> shown = drawnPoints(chart, "03:0");
        QVERIFY(shown.size() <= ValueChart::maxDrawnPoints);
        QVERIFY(shown.contains(QPointF(base + 177770, 1e6)));
        QCOMPARE(shown.first(), chart.points("03:0").first());
        QCOMPARE(shown.last(), chart.points("03:0").last()); // the last slice reaches the end
        window->setCurrentIndex(window->findData(1));        // one minute holds only the late point
        QTRY_VERIFY(drawnPoints(chart, "03:0").isEmpty());
    }

    void failedExportsKeepThePreviousFiles()
    {
        ValueChart chart;
        chart.show();
        for (int i = 0; i < 200; ++i) {
            chart.addValues(base + i * 1000, 3, 0, 1, "int16", {double(i)});
        }
        QTemporaryDir dir;
        const QString csv = dir.filePath("values.csv"), png = dir.filePath("chart.png");
        QVERIFY(writeFile(csv, "1"));
        QVERIFY(writeFile(png, "2"));
        // A full disk (files may not grow past 4 KB): the previous exports stay, nothing else.
        QString csvError, pngError;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.set);
            QVERIFY(!chart.exportCsv(csv, &csvError));
            QVERIFY(!chart.exportPng(png, &pngError));
        }
        QVERIFY(!csvError.isEmpty());
        QCOMPARE(pngError, csvError);
        QCOMPARE(readFile(csv), QByteArray("1"));
        QCOMPARE(readFile(png), QByteArray("2"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"chart.png", "values.csv"}));
        QVERIFY(chart.exportPng(png)); // with room again
        QVERIFY(!QImage(png).isNull());
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
