#include "valuechart.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using namespace QtCharts;
#endif

struct ValueChart::Plot {
    QChart *chart = nullptr;
    QChartView *view = nullptr;
    QDateTimeAxis *timeAxis = nullptr;
    QValueAxis *valueAxis = nullptr;
    QVector<QLineSeries *> lines; // one per track, same order
};

namespace {

const int windowMinutes[] = {1, 5, 10, 30};
const int defaultWindowIndex = 2;
const qint64 noTime = std::numeric_limits<qint64>::min();

// Keeps the lowest and the highest point of each time slice, so that spikes survive thinning.
QVector<QPointF> thinned(const QVector<QPointF> &points, int maxPoints)
{
    if (points.size() <= maxPoints) {
        return points;
    }
    const int slices = maxPoints / 2;
    const double start = points.first().x();
    const double span = points.last().x() - start;
    QVector<QPointF> out;
    out.reserve(maxPoints);
    int i = 0;
    for (int slice = 0; slice < slices && i < points.size(); ++slice) {
        const bool last = slice == slices - 1;
        const double end = start + span * (slice + 1) / slices;
        int low = i;
        int high = i;
        int j = i;
        // Arrival order may step back in time; the last slice takes whatever is left.
        for (; j < points.size() && (last || points.at(j).x() < end); ++j) {
            if (points.at(j).y() < points.at(low).y()) {
                low = j;
            }
            if (points.at(j).y() > points.at(high).y()) {
                high = j;
            }
        }
        if (j == i) {
            continue;
        }
        out.append(points.at(std::min(low, high)));
        if (low != high) {
            out.append(points.at(std::max(low, high)));
        }
        i = j;
    }
    return out;
}

QColor faded(QColor color, bool hidden)
{
    color.setAlphaF(hidden ? 0.35 : 1.0);
    return color;
}

QString csvTime(qint64 msecs)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs);
    // With the offset the times stay unambiguous across a daylight saving change.
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

} // namespace

ValueChart::ValueChart(QWidget *parent) : QWidget(parent), newest(noTime), plot(new Plot)
{
    // A window of its own, opened on demand: never part of the parent's layout.
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("曲线"));
    resize(900, 520);
    windowBox = new QComboBox;
    windowBox->setObjectName(QStringLiteral("cboxChartWindow"));
    for (int minutes : windowMinutes) {
        windowBox->addItem(QStringLiteral("%1 分钟").arg(minutes), minutes);
    }
    windowBox->setCurrentIndex(defaultWindowIndex);

    plot->chart = new QChart;
    plot->chart->setAnimationOptions(QChart::NoAnimation);
    plot->chart->legend()->setAlignment(Qt::AlignBottom);
    plot->timeAxis = new QDateTimeAxis;
    plot->timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    plot->timeAxis->setTickCount(6);
    plot->valueAxis = new QValueAxis;
    plot->chart->addAxis(plot->timeAxis, Qt::AlignBottom);
    plot->chart->addAxis(plot->valueAxis, Qt::AlignLeft);
    const QDateTime now = QDateTime::currentDateTime();
    plot->timeAxis->setRange(now.addMSecs(-windowMs()), now);
    plot->valueAxis->setRange(0, 1);

    plot->view = new QChartView(plot->chart);
    plot->view->setObjectName(QStringLiteral("chartView"));
    plot->view->setRenderHint(QPainter::Antialiasing);

    pauseButton = new QPushButton(QStringLiteral("暂停"));
    pauseButton->setObjectName(QStringLiteral("btnChartPause"));
    auto *clearButton = new QPushButton(QStringLiteral("清除"));
    clearButton->setObjectName(QStringLiteral("btnChartClear"));
    auto *csvButton = new QPushButton(QStringLiteral("导出CSV"));
    csvButton->setObjectName(QStringLiteral("btnChartCsv"));
    auto *pngButton = new QPushButton(QStringLiteral("导出图片"));
    pngButton->setObjectName(QStringLiteral("btnChartPng"));

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("显示最近")));
    bar->addWidget(windowBox);
    bar->addWidget(pauseButton);
    bar->addWidget(clearButton);
    bar->addWidget(csvButton);
    bar->addWidget(pngButton);
    bar->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(plot->view, 1);

    connect(windowBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &ValueChart::changed);
    connect(pauseButton, &QPushButton::clicked, this, [this] { setPaused(!paused); });
    connect(clearButton, &QPushButton::clicked, this, &ValueChart::clear);
    connect(csvButton, &QPushButton::clicked, this, &ValueChart::chooseCsv);
    connect(pngButton, &QPushButton::clicked, this, &ValueChart::choosePng);

    redrawTimer.setSingleShot(true);
    redrawTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    connect(&redrawTimer, &QTimer::timeout, this, &ValueChart::redrawTick);
}

ValueChart::~ValueChart() = default;

ValueChart::Track &ValueChart::track(int functionCode, int reg)
{
    const quint64 key = (quint64(quint32(functionCode)) << 32) | quint32(reg);
    const auto found = trackIndex.constFind(key);
    if (found != trackIndex.constEnd()) {
        return tracks[*found];
    }
    trackIndex.insert(key, int(tracks.size()));
    tracks.emplace_back();
    tracks.back().name = QStringLiteral("%1:%2").arg(functionCode, 2, 10, QLatin1Char('0')).arg(reg);
    return tracks.back();
}

void ValueChart::addValues(qint64 msecsSinceEpoch, int functionCode, int firstRegister,
                           int registersPerValue, const QVector<double> &values)
{
    bool stored = false;
    for (int i = 0; i < values.size(); ++i) {
        const double value = values.at(i);
        if (!std::isfinite(value)) {
            continue;
        }
        Track &t = track(functionCode, firstRegister + i * registersPerValue);
        t.samples.push_back({msecsSinceEpoch, value, arrivals++});
        if (t.samples.size() > size_t(maxPointsPerSeries)) {
            t.samples.pop_front();
        }
        stored = true;
    }
    if (!stored) {
        return;
    }
    newest = std::max(newest, msecsSinceEpoch);
    const qint64 cutoff = newest - keptMs;
    for (Track &t : tracks) {
        while (!t.samples.empty() && t.samples.front().time < cutoff) {
            t.samples.pop_front();
        }
    }
    changed();
}

qint64 ValueChart::windowMs() const
{
    return qint64(windowBox->currentData().toInt()) * 60 * 1000;
}

void ValueChart::changed()
{
    dirty = true;
    // A closed window is drawn when it is opened again: points are only collected meanwhile.
    if (!paused && isVisible() && !redrawTimer.isActive()) {
        // A full interval after the last redraw, however late that one came.
        const qint64 wait = sinceRedraw.isValid() ? redrawIntervalMs - sinceRedraw.elapsed() : 0;
        redrawTimer.start(int(std::max<qint64>(0, wait)));
    }
}

void ValueChart::redrawTick()
{
    if (paused || !dirty) {
        return; // resuming or the next change starts the timer again
    }
    redraw();
    sinceRedraw.start();
}

void ValueChart::redraw()
{
    dirty = false;
    const qint64 from = newest - windowMs();
    qint64 earliest = std::numeric_limits<qint64>::max();
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Track &t = tracks[i];
        if (int(i) == plot->lines.size()) {
            auto *line = new QLineSeries;
            line->setName(t.name);
            plot->chart->addSeries(line);
            line->attachAxis(plot->timeAxis);
            line->attachAxis(plot->valueAxis);
            const auto markers = plot->chart->legend()->markers(line);
            for (QLegendMarker *marker : markers) {
                connect(marker, &QLegendMarker::clicked, this, [this, line, marker] {
                    line->setVisible(!line->isVisible());
                    // Hiding a series hides its marker too; it must stay to be clicked again.
                    marker->setVisible(true);
                    const bool hidden = !line->isVisible();
                    marker->setLabelBrush(faded(marker->labelBrush().color(), hidden));
                    marker->setBrush(faded(marker->brush().color(), hidden));
                    QPen pen = marker->pen();
                    pen.setColor(faded(pen.color(), hidden));
                    marker->setPen(pen);
                    changed(); // the value axis follows the visible series
                });
            }
            plot->lines.append(line);
        }
        QVector<QPointF> shown;
        shown.reserve(int(t.samples.size()));
        for (const Sample &s : t.samples) {
            if (s.time >= from) {
                shown.append(QPointF(double(s.time), s.value));
            }
        }
        shown = thinned(shown, maxDrawnPoints);
        QLineSeries *line = plot->lines.at(int(i));
        line->replace(shown);
        if (!line->isVisible()) {
            continue;
        }
        for (const QPointF &p : shown) {
            earliest = std::min(earliest, qint64(p.x()));
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    if (earliest == std::numeric_limits<qint64>::max()) {
        return; // nothing visible: the axes stay as they were
    }
    // A single instant still gets a readable time span.
    earliest = std::min(earliest, newest - 1000);
    plot->timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(earliest), QDateTime::fromMSecsSinceEpoch(newest));
    const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.1);
    plot->valueAxis->setRange(low - margin, high + margin);
    plot->valueAxis->applyNiceNumbers(); // round tick labels
}

void ValueChart::setPaused(bool pause)
{
    paused = pause;
    pauseButton->setText(pause ? QStringLiteral("继续") : QStringLiteral("暂停"));
    if (!pause && dirty) {
        changed();
    }
}

void ValueChart::clear()
{
    tracks.clear();
    trackIndex.clear();
    newest = noTime;
    dirty = false;
    plot->chart->removeAllSeries();
    plot->lines.clear();
}

QStringList ValueChart::seriesNames() const
{
    QStringList names;
    for (const Track &t : tracks) {
        names.append(t.name);
    }
    return names;
}

QVector<QPointF> ValueChart::points(const QString &name) const
{
    QVector<QPointF> out;
    for (const Track &t : tracks) {
        if (t.name == name) {
            for (const Sample &s : t.samples) {
                out.append(QPointF(double(s.time), s.value));
            }
        }
    }
    return out;
}

bool ValueChart::exportCsv(const QString &path) const
{
    struct Row {
        quint64 order;
        qint64 time;
        double value;
        int track;
    };
    QVector<Row> rows;
    for (size_t i = 0; i < tracks.size(); ++i) {
        for (const Sample &s : tracks[i].samples) {
            rows.append({s.order, s.time, s.value, int(i)});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.order < b.order; });

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray text("time,series,value\n");
    // The values of one reply share their time, and local time is slow to work out.
    qint64 lastTime = noTime;
    QByteArray timeText;
    for (const Row &row : rows) {
        if (row.time != lastTime || timeText.isEmpty()) {
            lastTime = row.time;
            timeText = csvTime(row.time).toUtf8();
        }
        text += timeText;
        text += ',';
        text += tracks[size_t(row.track)].name.toUtf8();
        text += ',';
        // The shortest text that reads back as the same number.
        text += QByteArray::number(row.value, 'g', QLocale::FloatingPointShortest);
        text += '\n';
        if (text.size() >= 64 * 1024) {
            if (file.write(text) != text.size()) {
                return false;
            }
            text.clear();
        }
    }
    return file.write(text) == text.size() && file.commit();
}

bool ValueChart::exportPng(const QString &path)
{
    if (dirty && !paused) {
        redraw();
    }
    return plot->view->grab().save(path, "PNG");
}

void ValueChart::chooseCsv()
{
    const QString name = QStringLiteral("values-%1.csv").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出CSV"), name, QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty() && !exportCsv(path)) {
        QMessageBox::warning(this, QStringLiteral("导出CSV"), QStringLiteral("写入失败: %1").arg(path));
    }
}

void ValueChart::choosePng()
{
    const QString name = QStringLiteral("chart-%1.png").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出图片"), name, QStringLiteral("PNG (*.png)"));
    if (!path.isEmpty() && !exportPng(path)) {
        QMessageBox::warning(this, QStringLiteral("导出图片"), QStringLiteral("写入失败: %1").arg(path));
    }
}

void ValueChart::showWindow()
{
    show();
    raise();
}

void ValueChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (dirty) {
        changed(); // what came in while the window was closed
    }
}
