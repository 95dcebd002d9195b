#include "busmonitorwindow.h"

#include "busmonitor.h"
#include "busmonitormodel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QString lineText(const PortSettings &line)
{
    const char parity = line.parity == QSerialPort::EvenParity  ? 'E'
                        : line.parity == QSerialPort::OddParity ? 'O'
                                                                : 'N';
    return QStringLiteral("%1 %2%3%4")
        .arg(line.baudRate)
        .arg(int(line.dataBits))
        .arg(QLatin1Char(parity))
        .arg(line.stopBits == QSerialPort::TwoStop ? 2 : 1);
}

QString msText(qint64 us)
{
    return QString::number(double(us) / 1000.0, 'f', 3);
}
} // namespace

BusMonitorWindow::BusMonitorWindow(BusMonitor *monitor, BusMonitorModel *model, QWidget *parent)
    : QWidget(parent), monitor(monitor), model(model)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("总线监听"));
    resize(1240, 600);
    startButton = new QPushButton(tr("开始监听"));
    startButton->setObjectName(QStringLiteral("btnMonitorStart"));
    gapBox = new QDoubleSpinBox;
    gapBox->setObjectName(QStringLiteral("spinFrameGap"));
    gapBox->setRange(0, 1000);
    gapBox->setDecimals(2);
    gapBox->setSingleStep(0.5);
    gapBox->setSuffix(QStringLiteral(" ms"));
    gapBox->setSpecialValueText(tr("3.5 字符"));
    gapBox->setToolTip(tr("结束一帧的静默时间; 0 为标准的 3.5 字符 (19200 以上为 1.75 ms)"));
    formatBox = new QComboBox;
    formatBox->setObjectName(QStringLiteral("cboxMonitorFormat"));
    formatBox->addItems(formatChoices());
    auto *clear = new QPushButton(tr("清空"));
    auto *saveCsv = new QPushButton(tr("保存 CSV"));
    saveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    auto *savePcap = new QPushButton(tr("保存 pcap"));
    savePcap->setObjectName(QStringLiteral("btnSavePcap"));
    auto *loadCsv = new QPushButton(tr("载入 CSV"));
    loadCsv->setObjectName(QStringLiteral("btnLoadCsv"));
    timing = new QLabel;
    timing->setObjectName(QStringLiteral("labMonitorTiming"));
    counts = new QLabel;
    counts->setObjectName(QStringLiteral("labMonitorCounts"));
    note =
        new QLabel(tr("监听时串口只读打开, 不发送任何数据。时间为程序读到数据的时刻 (微秒), "
                      "精度受事件循环和 USB 转换器的缓冲 (1-16 ms) 限制, 更短的间隔可能测不出。"));
    note->setObjectName(QStringLiteral("labMonitorNote"));
    note->setWordWrap(true);
    view = new QTableView;
    view->setObjectName(QStringLiteral("tableFrames"));
    view->setModel(model);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    const QVector<int> widths{155, 80, 45, 250, 45, 80, 360};
    for (int column = 0; column < widths.size(); ++column) {
        view->setColumnWidth(column, widths[column]);
    }

    auto *top = new QHBoxLayout;
    top->addWidget(startButton);
    top->addWidget(new QLabel(tr("帧间隔")));
    top->addWidget(gapBox);
    top->addWidget(new QLabel(tr("数值格式")));
    top->addWidget(formatBox);
    top->addStretch(1);
    top->addWidget(clear);
    top->addWidget(saveCsv);
    top->addWidget(savePcap);
    top->addWidget(loadCsv);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(timing);
    layout->addWidget(view, 1);
    layout->addWidget(counts);
    layout->addWidget(note);

    connect(startButton, &QPushButton::clicked, this, [this] {
        if (this->monitor->isRunning()) {
            this->monitor->stop();
        } else {
            applyOptions();
            emit startRequested();
        }
    });
    connect(gapBox, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &BusMonitorWindow::applyOptions);
    connect(formatBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &BusMonitorWindow::applyOptions);
    connect(clear, &QPushButton::clicked, model, &BusMonitorModel::clear);
    connect(saveCsv, &QPushButton::clicked, this, &BusMonitorWindow::saveCsv);
    connect(savePcap, &QPushButton::clicked, this, &BusMonitorWindow::savePcap);
    connect(loadCsv, &QPushButton::clicked, this, &BusMonitorWindow::loadCsv);
    connect(monitor, &BusMonitor::frameSeen, model, &BusMonitorModel::addFrame);
    connect(monitor, &BusMonitor::requestEnded, model, &BusMonitorModel::requestEnded);
    connect(monitor, &BusMonitor::cleared, model, &BusMonitorModel::clear);
    connect(monitor, &BusMonitor::started, this, &BusMonitorWindow::started);
    connect(monitor, &BusMonitor::stopped, this, &BusMonitorWindow::stopped);
    // New rows are followed while the view is at its end; the view and the counts follow the
    // frames ten times a second, not at every frame of a busy line.
    QScrollBar *bar = view->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { following = value >= bar->maximum() - 1; });
    refresh = new QTimer(this);
    refresh->setSingleShot(true);
    refresh->setInterval(100);
    connect(refresh, &QTimer::timeout, this, [this] {
        if (following) {
            view->scrollToBottom();
        }
        showCounts();
    });
    const auto later = [this] {
        if (!refresh->isActive()) {
            refresh->start();
        }
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, later);
    connect(model, &QAbstractItemModel::modelReset, this, later);
    connect(model, &QAbstractItemModel::dataChanged, this, later);
    showCounts();
}

void BusMonitorWindow::showWindow()
{
    show();
    raise();
}

void BusMonitorWindow::applyOptions()
{
    monitor->setFrameGapUs(qint64(gapBox->value() * 1000.0 + 0.5));
    monitor->setFormat(formatAt(formatBox->currentIndex()));
}

void BusMonitorWindow::started(const PortSettings &line)
{
    startButton->setText(tr("停止监听"));
    const BusFramer &f = monitor->framing();
    timing->setText(tr("%1 %2: 每字符 %3 ms, 帧间隔 %4 ms (标准 %5 ms), 字符间隔上限 %6 ms")
                        .arg(line.name, lineText(line), msText(f.charUs()), msText(f.frameGapUs()),
                             msText(f.standardGap()), msText(f.charGapUs())));
}

void BusMonitorWindow::stopped(const QString &problem)
{
    startButton->setText(tr("开始监听"));
    timing->setText(problem.isEmpty() ? tr("监听已停止") : problem);
}

void BusMonitorWindow::showCounts()
{
    counts->setText(tr("帧 %1, 已应答请求 %2, 无应答请求 %3")
                        .arg(model->rowCount())
                        .arg(model->answeredCount())
                        .arg(model->unansweredCount()));
}

void BusMonitorWindow::saveCsv()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("保存 CSV"), QString(), tr("CSV 文件 (*.csv)"));
    QString error;
    if (!path.isEmpty() && !saveFramesCsv(path, model->captured(), &error)) {
        timing->setText(error);
    }
}

void BusMonitorWindow::savePcap()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("保存 pcap"), QString(), tr("pcap 文件 (*.pcap)"));
    QString error;
    if (!path.isEmpty() && !saveFramesPcap(path, model->captured(), &error)) {
        timing->setText(error);
    }
}

void BusMonitorWindow::loadCsv()
{
    const QString path =
        QFileDialog::getOpenFileName(this, tr("载入 CSV"), QString(), tr("CSV 文件 (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    const QVector<BusFrame> frames = loadFramesCsv(path, &error);
    if (!error.isEmpty()) {
        timing->setText(error);
        return;
    }
    applyOptions();
    monitor->replay(frames, monitor->line());
    timing->setText(tr("已载入 %1 帧: %2").arg(frames.size()).arg(path));
}
