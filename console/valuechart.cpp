#include "valuechart.h"

#include "datafile.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>

#include <algorithm>
#include <cmath>
#include <limits>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
using namespace QtCharts;
#endif

struct ValueChart::Plot {
    QChart *chart = nullptr;
    QChartView *view = nullptr;
    // Qt Charts' own legend cuts every name to "..." once the names fill a row.
    QListWidget *legend = nullptr;
    QWidget *area = nullptr; // the view and the legend, as exported
    QDateTimeAxis *timeAxis = nullptr;
    // Its labels are ours: printf formats print the tick at zero as 3.5e-46 when the ends are
    // small or large, and a precision that suits one end does not suit the other.
    QCategoryAxis *valueAxis = nullptr;
    QVector<QLineSeries *> lines; // one per track, same order
    int linesMade = 0;            // so that a line keeps its colour when an older one goes
    double unit = 1;              // of the value axis
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

struct Scale {
    double unit = 1; // drawn y = value / unit
    double low = 0;  // the ends and ticks as drawn
    double high = 1;
    QVector<double> ticks;
    QStringList labels; // the values themselves
};

// Round ticks around the values from low to high (margins included), labelled so that they stay
// short and tell apart at any magnitude: fixed decimals for ordinary values, "%g"-like text
// (4e+38, 1.05e-30) for very large or very small ones.
Scale valueScale(double low, double high)
{
    // Beyond this the axis' span would not be finite.
    low = std::max(low, -1e300);
    high = std::min(high, 1e300);
    const double magnitude = std::max(std::abs(low), std::abs(high));
    const double span = high - low;
    // Qt Charts takes ends closer than about 1e-12 of their size for one value: keep them apart.
    const double pad = span > 0 ? std::max(span * 0.05, (magnitude * 1e-9 - span) / 2)
                                : (magnitude > 0 ? magnitude * 0.1 : 1.0);
    low -= pad;
    high += pad;
    const double rough = (high - low) / 4; // about five ticks
    int exponent = int(std::floor(std::log10(rough)));
    const double fraction = rough / std::pow(10.0, exponent);
    const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    const double step = nice * std::pow(10.0, exponent);
    if (fraction > 5) {
        ++exponent; // the step is 10^exponent
    }
    Scale scale;
    // Qt Charts draws nothing where the axis spans less than about 1e-12: tiny values are drawn
    // in units of their step's power of ten.
    if (exponent < -6) {
        scale.unit = std::pow(10.0, exponent);
    }
    const double drawnStep = scale.unit == 1 ? step : std::round(step / scale.unit);
    // Ticks are whole multiples of the step, so the one at zero is exactly zero.
    const double first = std::floor(low / step);
    const double last = std::ceil(high / step);
    const double top = std::max(std::abs(first), std::abs(last)) * step;
    const bool fixed = top >= 1e-4 && top < 1e7;
    const int digits = std::clamp(int(std::floor(std::log10(top))) - exponent + 1, 1, 17);
    for (double k = first; k <= last; ++k) {
        const double value = k * step + 0.0; // never -0
        scale.ticks.append(k * drawnStep + 0.0);
        scale.labels.append(fixed ? QString::number(value, 'f', std::max(0, -exponent))
                                  : QString::number(value, 'g', digits));
    }
    scale.low = scale.ticks.first();
    scale.high = scale.ticks.last();
    return scale;
}

void applyScale(QCategoryAxis *axis, const Scale &scale)
{
    if (axis->categoriesLabels() != scale.labels) {
        const QStringList old = axis->categoriesLabels();
        for (const QString &label : old) {
            axis->remove(label);
        }
        axis->setStartValue(scale.low);
        for (int i = 0; i < scale.ticks.size(); ++i) {
            axis->append(scale.labels.at(i), scale.ticks.at(i));
        }
    }
    axis->setRange(scale.low, scale.high);
}

QIcon swatch(const QColor &color)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The theme has five colours; hues a golden angle apart stay distinct for many more lines.
QColor lineColor(int n)
{
    return QColor::fromHsv(int(std::fmod(n * 137.508, 360.0)), 220, 200);
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
    setWindowTitle(tr("曲线"));
    resize(900, 520);
    windowBox = new QComboBox;
    windowBox->setObjectName(QStringLiteral("cboxChartWindow"));
    for (int minutes : windowMinutes) {
        windowBox->addItem(tr("%1 分钟").arg(minutes), minutes);
    }
    windowBox->setCurrentIndex(defaultWindowIndex);

    plot->chart = new QChart;
    plot->chart->setAnimationOptions(QChart::NoAnimation);
    plot->chart->legend()->hide();
    plot->timeAxis = new QDateTimeAxis;
    plot->timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    plot->timeAxis->setTickCount(6);
    plot->valueAxis = new QCategoryAxis;
    plot->valueAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    plot->chart->addAxis(plot->timeAxis, Qt::AlignBottom);
    plot->chart->addAxis(plot->valueAxis, Qt::AlignLeft);
    const QDateTime now = QDateTime::currentDateTime();
    plot->timeAxis->setRange(now.addMSecs(-windowMs()), now);
    applyScale(plot->valueAxis, valueScale(0, 1));

    plot->view = new QChartView(plot->chart);
    plot->view->setObjectName(QStringLiteral("chartView"));
    plot->view->setRenderHint(QPainter::Antialiasing);
    plot->legend = new QListWidget;
    plot->legend->setObjectName(QStringLiteral("listChartSeries"));
    plot->legend->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Wide enough for the longest name, its box and colour, and a scroll bar: no name is cut short.
    const QString longest = QStringLiteral("04:65535 uint32:ABCD");
    auto *probe = new QListWidgetItem(swatch(Qt::black), longest, plot->legend);
    probe->setCheckState(Qt::Checked);
    const int scrollBar = plot->legend->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    plot->legend->setFixedWidth(plot->legend->sizeHintForColumn(0) + 2 * plot->legend->frameWidth()
                                + scrollBar + 4);
    delete probe;
    plot->area = new QWidget;
    auto *areaLayout = new QHBoxLayout(plot->area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(plot->view, 1);
    areaLayout->addWidget(plot->legend);

    pauseButton = new QPushButton(tr("暂停"));
    pauseButton->setObjectName(QStringLiteral("btnChartPause"));
    auto *clearButton = new QPushButton(tr("清除"));
    clearButton->setObjectName(QStringLiteral("btnChartClear"));
    auto *csvButton = new QPushButton(tr("导出CSV"));
    csvButton->setObjectName(QStringLiteral("btnChartCsv"));
    auto *pngButton = new QPushButton(tr("导出图片"));
    pngButton->setObjectName(QStringLiteral("btnChartPng"));
    note = new QLabel;
    note->setObjectName(QStringLiteral("lblChartNote"));
    note->hide();

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("显示最近")));
    bar->addWidget(windowBox);
    bar->addWidget(pauseButton);
    bar->addWidget(clearButton);
    bar->addWidget(csvButton);
    bar->addWidget(pngButton);
    bar->addStretch();
    bar->addWidget(note);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(plot->area, 1);

    connect(windowBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ValueChart::changed);
    connect(pauseButton, &QPushButton::clicked, this, [this] { setPaused(!paused); });
    connect(clearButton, &QPushButton::clicked, this, &ValueChart::clear);
    connect(csvButton, &QPushButton::clicked, this, &ValueChart::chooseCsv);
    connect(pngButton, &QPushButton::clicked, this, &ValueChart::choosePng);
    // A click anywhere on an entry toggles it (the items are not user-checkable, or a click on
    // the box would toggle twice).
    connect(plot->legend, &QListWidget::itemClicked, this, [](QListWidgetItem *item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    connect(plot->legend, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        const int row = plot->legend->row(item);
        if (row >= 0 && row < plot->lines.size()) {
            plot->lines.at(row)->setVisible(item->checkState() == Qt::Checked);
            changed(); // the value axis follows the visible series
        }
    });

    redrawTimer.setSingleShot(true);
    redrawTimer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    connect(&redrawTimer, &QTimer::timeout, this, &ValueChart::redrawTick);
}

ValueChart::~ValueChart() = default;

ValueChart::Track &ValueChart::track(int functionCode, int reg, const QString &formatKey)
{
    const Key key(formatKey, (quint64(quint32(functionCode)) << 32) | quint32(reg));
    const auto found = trackIndex.constFind(key);
    if (found != trackIndex.constEnd()) {
        return tracks[size_t(*found)];
    }
    if (tracks.size() >= size_t(maxSeries)) {
        evictOldest();
    }
    trackIndex.insert(key, int(tracks.size()));
    tracks.emplace_back();
    Track &t = tracks.back();
    t.key = key;
    t.name = QStringLiteral("%1:%2").arg(functionCode, 2, 10, QLatin1Char('0')).arg(reg);
    if (!formatKey.isEmpty()) {
        t.name += QLatin1Char(' ') + formatKey;
    }
    return t;
}

void ValueChart::evictOldest()
{
    const auto older = [](const Track &a, const Track &b) { return a.lastArrival < b.lastArrival; };
    const auto oldest = std::min_element(tracks.begin(), tracks.end(), older);
    const int i = int(oldest - tracks.begin());
    if (i < plot->lines.size()) {
        QLineSeries *line = plot->lines.takeAt(i);
        plot->chart->removeSeries(line);
        delete line;
        delete plot->legend->takeItem(i);
    }
    tracks.erase(oldest);
    trackIndex.clear();
    for (size_t j = 0; j < tracks.size(); ++j) {
        trackIndex.insert(tracks[j].key, int(j));
    }
    ++evicted;
}

void ValueChart::addReply(const ReplyDecode &reply, const QString &formatKey)
{
    if (reply.trusted) {
        addValues(QDateTime::currentMSecsSinceEpoch(), reply.functionCode, reply.firstRegister,
                  reply.registersPerValue, formatKey, reply.numbers);
    }
}

void ValueChart::addValues(qint64 msecsSinceEpoch, int functionCode, int firstRegister,
                           int registersPerValue, const QString &formatKey,
                           const QVector<double> &values)
{
    // The default format keeps the short names the chart always had.
    const QString format = formatKey == QLatin1String("int16") ? QString() : formatKey;
    const int evictedBefore = evicted;
    bool stored = false;
    for (int i = 0; i < values.size(); ++i) {
        const double value = values.at(i);
        if (!std::isfinite(value)) {
            continue;
        }
        Track &t = track(functionCode, firstRegister + i * registersPerValue, format);
        t.lastArrival = arrivals;
        t.samples.push_back({msecsSinceEpoch, value, arrivals++});
        if (t.samples.size() > size_t(maxPointsPerSeries)) {
            t.samples.pop_front();
        }
        stored = true;
    }
    if (evicted != evictedBefore) {
        const QString text = tr("已移除 %1 条最久未更新的曲线 (最多 %2 条)");
        note->setText(text.arg(evicted).arg(maxSeries));
        note->show();
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
    QVector<QVector<QPointF>> shown(int(tracks.size()));
    const int perSeries =
        std::min(maxDrawnPoints, maxDrawnPointsInAll / std::max(1, int(tracks.size())));
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Track &t = tracks[i];
        if (int(i) == plot->lines.size()) {
            auto *line = new QLineSeries;
            line->setName(t.name);
            plot->chart->addSeries(line);
            line->attachAxis(plot->timeAxis);
            line->attachAxis(plot->valueAxis);
            line->setColor(lineColor(plot->linesMade++));
            auto *item = new QListWidgetItem(swatch(line->color()), t.name);
            item->setFlags(Qt::ItemIsEnabled);
            item->setCheckState(Qt::Checked);
            plot->legend->addItem(item);
            plot->lines.append(line);
        }
        QVector<QPointF> &points = shown[int(i)];
        points.reserve(int(t.samples.size()));
        for (const Sample &s : t.samples) {
            if (s.time >= from) {
                points.append(QPointF(double(s.time), s.value));
            }
        }
        points = thinned(points, perSeries);
        if (!plot->lines.at(int(i))->isVisible()) {
            continue;
        }
        for (const QPointF &p : points) {
            earliest = std::min(earliest, qint64(p.x()));
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    // With nothing visible the axes stay as they were.
    if (earliest != std::numeric_limits<qint64>::max()) {
        // A single instant still gets a readable time span.
        earliest = std::min(earliest, newest - 1000);
        plot->timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(earliest),
                                 QDateTime::fromMSecsSinceEpoch(newest));
        const Scale scale = valueScale(low, high);
        applyScale(plot->valueAxis, scale);
        plot->unit = scale.unit;
    }
    for (int i = 0; i < shown.size(); ++i) {
        if (plot->unit != 1) {
            for (QPointF &p : shown[i]) {
                p.setY(p.y() / plot->unit);
            }
        }
        QLineSeries *line = plot->lines.at(i);
        line->replace(shown.at(i));
        // A line through one point draws nothing: a register read once shows as a dot.
        line->setPointsVisible(shown.at(i).size() == 1);
    }
}

void ValueChart::setPaused(bool pause)
{
    paused = pause;
    pauseButton->setText(pause ? tr("继续") : tr("暂停"));
    if (!pause && dirty) {
        changed();
    }
}

void ValueChart::clear()
{
    tracks.clear();
    trackIndex.clear();
    evicted = 0;
    note->hide();
    newest = noTime;
    dirty = false;
    plot->chart->removeAllSeries();
    plot->lines.clear();
    plot->legend->clear();
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

bool ValueChart::exportCsv(const QString &path, QString *error) const
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
    std::sort(rows.begin(), rows.end(),
              [](const Row &a, const Row &b) { return a.order < b.order; });

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
    }
    return writeWholeFile(path, text, error);
}

bool ValueChart::exportPng(const QString &path, QString *error)
{
    if (dirty && !paused) {
        redraw();
    }
    // Encoded in memory: QImage::save to a file misses a failed write.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !plot->area->grab().save(&buffer, "PNG")) {
        if (error) {
            *error = tr("无法生成 PNG 图片");
        }
        return false;
    }
    return writeWholeFile(path, bytes, error);
}

QString ValueChart::chooseFile(const QString &title, const QString &namePattern,
                               const QString &filter)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return QFileDialog::getSaveFileName(this, title, namePattern.arg(stamp), filter);
}

void ValueChart::chooseCsv()
{
    const QString title = tr("导出CSV");
    const QString path =
        chooseFile(title, QStringLiteral("values-%1.csv"), QStringLiteral("CSV (*.csv)"));
    QString error;
    if (!path.isEmpty() && !exportCsv(path, &error)) {
        QMessageBox::warning(this, title, tr("写入失败: %1\n%2").arg(path, error));
    }
}

void ValueChart::choosePng()
{
    const QString title = tr("导出图片");
    const QString path =
        chooseFile(title, QStringLiteral("chart-%1.png"), QStringLiteral("PNG (*.png)"));
    QString error;
    if (!path.isEmpty() && !exportPng(path, &error)) {
        QMessageBox::warning(this, title, tr("写入失败: %1\n%2").arg(path, error));
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
