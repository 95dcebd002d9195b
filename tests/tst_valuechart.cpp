// The chart of decoded values: series per register and format, their bound, the value axis,
// single points, pause, legend, export and its failures.
#include "testsupport.h"
#include "valuechart.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
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

QChart *chartOf(ValueChart &chart) { return chart.findChild<QChartView *>("chartView")->chart(); }
QListWidget *legendOf(ValueChart &c) { return c.findChild<QListWidget *>("listChartSeries"); }

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
    return line ? line->pointsVector() : QVector<QPointF>();
}

// Pixels of about this colour inside the plot area, as the view shows it.
int pixelsOf(ValueChart &chart, const QColor &color)
{
    auto *view = chart.findChild<QChartView *>("chartView");
    const QImage image = view->viewport()->grab().toImage();
    const QRect area = view->mapFromScene(chartOf(chart)->plotArea()).boundingRect() & image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += qAbs(c.red() - color.red()) + qAbs(c.green() - color.green())
                         + qAbs(c.blue() - color.blue())
                     < 24;
        }
    }
    return count;
}
} // namespace

class TestValueChart : public QObject
{
    Q_OBJECT
private slots:
    void seriesPauseLegendAndExport()
    {
        ValueChart chart;
        chart.show();
        chart.addValues(base, 3, 0, 1, "int16", {10, 20});
        chart.addValues(base + 500, 4, 17, 2, "float:ABCD", {0.1f, qQNaN(), -2.25e9}); // no 04:19
        // After 04: arrival order differs from series order.
        chart.addValues(base + 1000, 3, 0, 1, "int16", {-123456789.125});

        auto *pause = chart.findChild<QPushButton *>("btnChartPause");
        pause->click(); // paused: points are collected, not drawn
        chart.addValues(base + 2000, 3, 5, 1, "int16", {4});
        QTest::qWait(4 * ValueChart::redrawIntervalMs);
        QVERIFY(chart.isPaused() && drawnPoints(chart, "03:5").isEmpty());
        QCOMPARE(chart.points("03:5").size(), 1);
        pause->click();
        QTRY_COMPARE(drawnPoints(chart, "03:5"), chart.points("03:5"));

        // A click on a legend entry's name hides its line, one on its box shows it again; the
        // value axis follows.
        QListWidget *legend = legendOf(chart);
        QListWidgetItem *entry = legend->item(3);
        QCOMPARE(entry->text(), QString("04:21 float:ABCD")); // the only value below -1e9
        auto *axis = qobject_cast<QCategoryAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        QTRY_VERIFY(axis->min() <= -2.25e9);
        const QRect rect = legend->visualItemRect(entry);
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(!lineOf(chart, entry->text())->isVisible() && entry->checkState() == Qt::Unchecked);
        QTRY_VERIFY(axis->min() > -1e9);
        const QPoint box(rect.left() + 8, rect.center().y());
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, box);
        QTRY_VERIFY(lineOf(chart, entry->text())->isVisible() && axis->min() <= -2.25e9);

        QTemporaryDir dir; // the CSV: local time (UTC+8 here), arrival order, shortest number texts
        QVERIFY(chart.exportCsv(dir.filePath("values.csv")));
        QCOMPARE(readFile(dir.filePath("values.csv")),
                 QByteArray("time,series,value\n"
                            "2024-03-05T14:07:09.045+08:00,03:0,10\n"
                            "2024-03-05T14:07:09.045+08:00,03:1,20\n"
                            "2024-03-05T14:07:09.545+08:00,04:17 float:ABCD,0.10000000149011612\n"
                            "2024-03-05T14:07:09.545+08:00,04:21 float:ABCD,-2.25e+09\n"
                            "2024-03-05T14:07:10.045+08:00,03:0,-123456789.125\n"
                            "2024-03-05T14:07:11.045+08:00,03:5,4\n"));
        chart.findChild<QPushButton *>("btnChartClear")->click();
        QVERIFY(chart.seriesNames().isEmpty() && chartOf(chart)->series().isEmpty());
        QCOMPARE(legend->count(), 0);
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
        const QStringList names{"03:2",           "03:2 int32:ABCD", "03:2 float:ABCD",
                                "03:4 float:ABCD", "03:2 float:CDAB", "04:2 uint16"};
        QCOMPARE(chart.seriesNames(), names);
        QCOMPARE(chart.points("03:2"), (QVector<QPointF>{{base + 0.0, 16457}, {base + 5e3, -7}}));
        QCOMPARE(chart.points("03:2 float:ABCD") + chart.points("03:4 float:ABCD"),
                 (QVector<QPointF>{{base + 2000.0, 3.14}, {base + 2000.0, 2.5}}));
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
        QVERIFY(chart.seriesNames() == expected && !note->isVisible());
        // The first is updated again, so three new ones push out the second to the fourth.
        chart.addValues(base + n, 4, 65000, 2, "uint32:ABCD", {-1});
        chart.addValues(base + n + 1, 4, 100, 2, "uint32:ABCD", {1, 2, 3});
        expected = expected.mid(0, 1) + expected.mid(4);
        expected << name(100) << name(102) << name(104);
        chart.redraw();
        QListWidget *legend = legendOf(chart);
        QCOMPARE(chart.seriesNames(), expected);
        QVERIFY(!lineOf(chart, name(65002)) && lineOf(chart, name(104)) && legend->count() == n);
        QVERIFY(chartOf(chart)->series().size() == n && legend->item(n - 1)->text() == name(104));
        QVERIFY(note->isVisible() && note->text().startsWith("已移除 3 条最久未更新的曲线"));
        // Every name is shown whole beside the chart.
        QVERIFY(legend->sizeHintForColumn(0) <= legend->viewport()->width());
        // A reply wider than the bound keeps its last values.
        chart.addValues(base + n + 2, 3, 0, 1, "int16", QVector<double>(1000, 5.0));
        QVERIFY(chart.seriesNames().size() == n && note->text().startsWith("已移除 1003 条"));
        QCOMPARE(chart.seriesNames().first(), QString("03:%1").arg(1000 - n));
        chart.clear();
        QVERIFY(!note->isVisible() && chartOf(chart)->series().isEmpty() && legend->count() == 0);
    }

    void valueAxisAtAnyMagnitude()
    {
        // In turn, so that each range follows another: from one with an end at zero, for one.
        const struct {
            QVector<double> values;
            QStringList labels; // where it matters
        } cases[] = {{{-3.4e38, 3.4e38}, {"-4e+38", "-2e+38", "0", "2e+38", "4e+38"}},
                     {{1e-30}, {"9e-31", "9.5e-31", "1e-30", "1.05e-30", "1.1e-30"}},
                     {{1, 10}, {"0", "5", "10", "15"}},
                     {{-1e-30}, {"-1.1e-30", "-1.05e-30", "-1e-30", "-9.5e-31", "-9e-31"}},
                     {{0, 0}, {"-1.0", "-0.5", "0.0", "0.5", "1.0"}},
                     {{-2.5e-7, 1e-7}, {}},
                     {{3e9, 3e9 + 1}, {}},
                     {{16457, 16457}, {}}};
        ValueChart chart;
        auto *axis = qobject_cast<QCategoryAxis *>(chartOf(chart)->axes(Qt::Vertical).value(0));
        for (const auto &c : cases) {
            chart.clear();
            chart.addValues(base, 3, 0, 1, "float:ABCD", c.values);
            chart.redraw();
            const QStringList labels = axis->categoriesLabels();
            const QString where = QString::number(c.values.first()) + ": " + labels.join(' ');
            QVERIFY2(c.labels.isEmpty() || labels == c.labels, qPrintable(where));
            QVERIFY2(labels.size() >= 3 && labels.size() <= 8
                         && QSet<QString>(labels.begin(), labels.end()).size() == labels.size(),
                     qPrintable(where));
            // Each label reads the value drawn at its tick, and the points lie between the ends.
            const double min = axis->min(), max = axis->max();
            const double low = labels.first().toDouble(), high = labels.last().toDouble();
            const double span = max - min;
            const auto read = [&](double y) { return low + (y - min) / span * (high - low); };
            const auto near = [&](double a, double b) { return qAbs(a - b) <= (high - low) / 1e9; };
            QVERIFY2(min < max && axis->endValue(labels.first()) == min, qPrintable(where));
            for (const QString &label : labels) {
                QVERIFY2(label.size() <= 11 && near(label.toDouble(), read(axis->endValue(label))),
                         qPrintable(where));
            }
            for (int i = 0; i < c.values.size(); ++i) { // a register each
                const double y = drawnPoints(chart, chart.seriesNames().at(i)).value(0).y();
                QVERIFY2(min < y && y < max && near(read(y), c.values.at(i)), qPrintable(where));
            }
        }
    }

    void singlePointShows()
    {
        // A register read once is a dot, however small its value; read again it is a line.
        ValueChart chart;
        chart.resize(600, 400);
        chart.show();
        chart.addValues(base, 3, 7, 1, "float:ABCD", {1e-30});
        chart.redraw();
        QLineSeries *line = lineOf(chart, "03:7 float:ABCD");
        QTRY_VERIFY(pixelsOf(chart, line->color()) >= 9);
        chart.addValues(base + 60000, 3, 7, 1, "float:ABCD", {3e-30});
        chart.redraw();
        QVERIFY(!line->pointsVisible());
        QTRY_VERIFY(pixelsOf(chart, line->color()) >= 100);
    }

    void bounds()
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
        QVERIFY(drawnPoints(chart, "03:0").isEmpty()); // a closed window is not drawn...
        chart.show();
        QTRY_VERIFY(!drawnPoints(chart, "03:0").isEmpty()); // ...until it opens
        const QVector<QPointF> shown = drawnPoints(chart, "03:0");
        QVERIFY(shown.size() <= ValueChart::maxDrawnPoints);
        QVERIFY(shown.contains(QPointF(base + 177770, 1e6)));
        QCOMPARE(shown.first(), chart.points("03:0").first());
        QCOMPARE(shown.last(), chart.points("03:0").last()); // the last slice reaches the end
        window->setCurrentIndex(window->findData(1)); // one minute holds only the late point
        QTRY_VERIFY(drawnPoints(chart, "03:0").isEmpty());
    }

    void exportFailureKeepsThePreviousFile()
    {
        ValueChart chart;
        chart.show();
        for (int i = 0; i < 200; ++i) {
            chart.addValues(base + i * 1000, 3, 0, 1, "int16", {double(i)});
        }
        QTemporaryDir dir;
        const QString csv = dir.filePath("values.csv"), png = dir.filePath("chart.png");
        const QString blocked = dir.filePath("blocker/out"); // its folder is a file
        QVERIFY(writeFile(dir.filePath("blocker"), "") && writeFile(csv, "1"));
        QVERIFY(writeFile(png, "2"));
        QString blockedError, pngError;
        QVERIFY(!chart.exportCsv(blocked, &blockedError) && !chart.exportPng(blocked, &pngError));
        QVERIFY(!blockedError.isEmpty() && pngError == blockedError);
        // A full disk (files may not grow past 4 KB): the previous exports stay, nothing else.
        QString csvError;
        bool written = true;
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.set);
            written = chart.exportCsv(csv, &csvError) || chart.exportPng(png, &pngError);
        }
        QVERIFY(!written && !csvError.isEmpty() && pngError == csvError);
        QCOMPARE(readFile(csv) + readFile(png), QByteArray("12"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({"blocker", "chart.png", "values.csv"}));
        QVERIFY(chart.exportCsv(csv) && chart.exportPng(png)); // with room again both are replaced
        QVERIFY(readFile(csv).startsWith("time,series,value\n") && readFile(csv).size() > 4096);
        QVERIFY(readFile(png).size() > 4096 && !QImage(png).isNull());

        // The buttons say that and why an export failed. The file dialog is given the path, the
        // warning is read and closed.
        QString message;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                files->findChild<QLineEdit *>("fileNameEdit")->setText(blocked);
                static_cast<QDialog *>(files)->accept(); // as "Save" does
            } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                message += box->text() + '\n';
                box->accept();
            }
        });
        answer.start(20);
        chart.findChild<QPushButton *>("btnChartCsv")->click();
        chart.findChild<QPushButton *>("btnChartPng")->click();
        const QString warning = QString("写入失败: %1\n%2\n").arg(blocked, blockedError);
        QCOMPARE(message, warning + warning);
    }
};

int main(int argc, char *argv[])
{
    qputenv("TZ", "CST-8"); // so that a time written in UTC cannot pass for local time
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    TestValueChart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_valuechart.moc"
