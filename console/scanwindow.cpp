#include "scanwindow.h"

#include "requestframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QSerialPort::Parity scanParities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                            QSerialPort::OddParity};
const QSerialPort::StopBits scanStops[] = {QSerialPort::OneStop, QSerialPort::TwoStop};

QString parityName(QSerialPort::Parity parity)
{
    return parity == QSerialPort::EvenParity  ? ScanWindow::tr("偶")
           : parity == QSerialPort::OddParity ? ScanWindow::tr("奇")
                                              : ScanWindow::tr("无");
}

QSpinBox *spinBox(const char *name, int low, int high, int value)
{
    auto *box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

QCheckBox *checkBox(const QString &text, const QString &name, bool checked)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}
} // namespace

ScanWindow::ScanWindow(Scanner *scanner, QWidget *parent) : QWidget(parent), scanner(scanner)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("地址扫描"));
    resize(820, 560);
    fromBox = spinBox("spinScanFrom", 1, 247, 1);
    toBox = spinBox("spinScanTo", 1, 247, 247);
    functionBox = new QComboBox;
    functionBox->setObjectName(QStringLiteral("cboxScanFunction"));
    functionBox->addItems(functionChoices().mid(0, 4));
    functionBox->setCurrentIndex(2);
    registerBox = spinBox("spinScanRegister", 0, 65535, 0);
    answerBox = spinBox("spinScanAnswer", 1, 10000, deviceAnswerMs);
    answerBox->setSuffix(QStringLiteral(" ms"));
    answerBox->setToolTip(tr("每个地址等待的时间 = 请求和应答在线上的时间 + 此值; 慢的设备需加大"));
    auto *lineBox = new QGridLayout;
    lineBox->addWidget(new QLabel(tr("波特率")), 0, 0);
    const QVector<qint32> bauds = standardScanBauds();
    for (int i = 0; i < bauds.size(); ++i) {
        baudChecks << checkBox(QString::number(bauds[i]),
                               QStringLiteral("ckScanBaud%1").arg(bauds[i]), true);
        lineBox->addWidget(baudChecks.last(), 0, i + 1);
    }
    lineBox->addWidget(new QLabel(tr("校验位")), 1, 0);
    for (const QSerialPort::Parity parity : scanParities) {
        parityChecks << checkBox(
            parityName(parity), QStringLiteral("ckScanParity%1").arg(parityLetter(parity)),
            parity == QSerialPort::NoParity || parity == QSerialPort::EvenParity);
        lineBox->addWidget(parityChecks.last(), 1, parityChecks.size());
    }
    lineBox->addWidget(new QLabel(tr("停止位")), 2, 0);
    for (const QSerialPort::StopBits stop : scanStops) {
        stopChecks << checkBox(QString::number(stopBitCount(stop)),
                               QStringLiteral("ckScanStop%1").arg(stopBitCount(stop)),
                               stop == QSerialPort::OneStop);
        lineBox->addWidget(stopChecks.last(), 2, stopChecks.size());
    }
    stopAtFirst = checkBox(tr("找到即停"), QStringLiteral("ckScanStopAtFirst"), true);
    stopAtFirst->setToolTip(tr("扫描通讯参数时, 在第一个有设备应答的设置扫完后停止"));
    lineBox->addWidget(stopAtFirst, 2, 4, 1, 3);

    addressButton = new QPushButton(tr("扫描地址"));
    addressButton->setObjectName(QStringLiteral("btnScanAddresses"));
    addressButton->setToolTip(tr("以主界面的串口设置逐个询问地址范围内的从站"));
    lineButton = new QPushButton(tr("扫描通讯参数"));
    lineButton->setObjectName(QStringLiteral("btnScanLines"));
    lineButton->setToolTip(tr("对地址范围内的从站逐个尝试所选的波特率, 校验位和停止位"));
    cancelButton = new QPushButton(tr("取消"));
    cancelButton->setObjectName(QStringLiteral("btnScanCancel"));
    applyButton = new QPushButton(tr("使用此设置"));
    applyButton->setObjectName(QStringLiteral("btnScanApply"));
    applyButton->setToolTip(tr("把所选设备的地址和串口设置填入主界面"));
    bar = new QProgressBar;
    bar->setObjectName(QStringLiteral("barScan"));
    status = new QLabel;
    status->setObjectName(QStringLiteral("labScanStatus"));
    status->setWordWrap(true);
    table = new QTableWidget(0, 6);
    table->setObjectName(QStringLiteral("tableScan"));
    table->setHorizontalHeaderLabels(
        {tr("地址"), tr("波特率"), tr("校验位"), tr("停止位"), tr("应答"), tr("响应时间 (ms)")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setColumnWidth(4, 300);
    auto *note = new QLabel(tr("扫描时主界面的串口关闭, 由扫描独占; 扫描结束后再打开。"));
    note->setWordWrap(true);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("地址")));
    top->addWidget(fromBox);
    top->addWidget(new QLabel(QStringLiteral("-")));
    top->addWidget(toBox);
    top->addWidget(new QLabel(tr("功能码")));
    top->addWidget(functionBox);
    top->addWidget(new QLabel(tr("寄存器")));
    top->addWidget(registerBox);
    top->addWidget(new QLabel(tr("应答等待")));
    top->addWidget(answerBox);
    top->addStretch(1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {addressButton, lineButton, cancelButton}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(applyButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(lineBox);
    layout->addLayout(buttons);
    layout->addWidget(bar);
    layout->addWidget(status);
    layout->addWidget(table, 1);
    layout->addWidget(note);

    connect(addressButton, &QPushButton::clicked, this,
            [this] { emit startRequested(plan(true), true); });
    connect(lineButton, &QPushButton::clicked, this,
            [this] { emit startRequested(plan(false), false); });
    connect(cancelButton, &QPushButton::clicked, scanner, &Scanner::cancel);
    connect(applyButton, &QPushButton::clicked, this, [this] {
        const int row = table->currentRow();
        if (row >= 0 && row < rows.size()) {
            emit applyRequested(rows.at(row));
        }
    });
    connect(table, &QTableWidget::itemSelectionChanged, this, [this] {
        applyButton->setEnabled(!this->scanner->isRunning() && table->currentRow() >= 0);
    });
    connect(scanner, &Scanner::progress, this, &ScanWindow::showProgress);
    connect(scanner, &Scanner::deviceFound, this, &ScanWindow::addResult);
    connect(scanner, &Scanner::finished, this, &ScanWindow::finished);
    setScanning(false);
}

ScanPlan ScanWindow::plan(bool formLine) const
{
    ScanPlan p;
    p.firstAddress = fromBox->value();
    p.lastAddress = toBox->value();
    p.function = functionBox->currentIndex() + 1;
    p.reg = registerBox->value();
    p.answerMs = answerBox->value();
    p.stopAtFirst = !formLine && stopAtFirst->isChecked();
    if (formLine) {
        return p;
    }
    p.bauds.clear();
    p.parities.clear();
    p.stopBits.clear();
    const QVector<qint32> bauds = standardScanBauds();
    for (int i = 0; i < bauds.size(); ++i) {
        if (baudChecks[i]->isChecked()) {
            p.bauds << bauds[i];
        }
    }
    for (int i = 0; i < parityChecks.size(); ++i) {
        if (parityChecks[i]->isChecked()) {
            p.parities << scanParities[i];
        }
    }
    for (int i = 0; i < stopChecks.size(); ++i) {
        if (stopChecks[i]->isChecked()) {
            p.stopBits << scanStops[i];
        }
    }
    return p;
}

void ScanWindow::showWindow()
{
    show();
    raise();
}

void ScanWindow::showProblem(const QString &problem)
{
    status->setText(problem);
}

void ScanWindow::setScanning(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{addressButton, lineButton, fromBox, toBox,
                                                       functionBox, registerBox, answerBox}) {
        w->setEnabled(!on);
    }
    cancelButton->setEnabled(on);
    applyButton->setEnabled(!on && table->currentRow() >= 0);
}

void ScanWindow::showProgress(const ScanProgress &p)
{
    if (p.done == 0) {
        table->setRowCount(0);
        rows.clear();
        setScanning(true);
    }
    bar->setRange(0, p.total);
    bar->setValue(p.done);
    status->setText(tr("正在询问地址 %1 (%2, 校验 %3, 停止位 %4), 已试 %5/%6, 最多还需 %7 秒")
                        .arg(p.address)
                        .arg(p.line.baudRate)
                        .arg(parityName(p.line.parity))
                        .arg(stopBitCount(p.line.stopBits))
                        .arg(p.done)
                        .arg(p.total)
                        .arg((p.msLeft + 999) / 1000));
}

void ScanWindow::addResult(const ScanResult &r)
{
    const int row = table->rowCount();
    rows.append(r);
    table->insertRow(row);
    const QString address =
        r.everyAddress() ? tr("%1-%2 (全部应答相同: 网关或中继)").arg(r.address).arg(r.lastAddress)
                         : QString::number(r.address);
    const QStringList cells{address,
                            QString::number(r.line.baudRate),
                            parityName(r.line.parity),
                            QString::number(stopBitCount(r.line.stopBits)),
                            r.exception ? exceptionName(r.exceptionCode) : r.text,
                            QString::number(r.responseMs)};
    for (int column = 0; column < cells.size(); ++column) {
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

void ScanWindow::finished(const QString &problem, bool cancelled)
{
    setScanning(false);
    if (!problem.isEmpty()) {
        status->setText(problem);
        return;
    }
    if (bar->maximum() > 0 && !cancelled) {
        bar->setValue(bar->maximum());
    }
    status->setText((cancelled ? tr("已取消, 找到 %1 个设备") : tr("扫描完成, 找到 %1 个设备"))
                        .arg(rows.size()));
}
