#include "simulatorwindow.h"

#include "simulator.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The fault boxes, in the order of the window.
struct FaultField {
    int SlaveFaults::*field;
    const char *label;
    int maximum;
};
const FaultField faultFields[] = {
    {&SlaveFaults::noReplyPercent, QT_TRANSLATE_NOOP("SimulatorWindow", "不应答 %"), 100},
    {&SlaveFaults::delayMinMs, QT_TRANSLATE_NOOP("SimulatorWindow", "延时 ms"), 60000},
    {&SlaveFaults::delayMaxMs, QT_TRANSLATE_NOOP("SimulatorWindow", "至 ms"), 60000},
    {&SlaveFaults::badCrcPercent, QT_TRANSLATE_NOOP("SimulatorWindow", "CRC错 %"), 100},
    {&SlaveFaults::splitPercent, QT_TRANSLATE_NOOP("SimulatorWindow", "分两段 %"), 100},
    {&SlaveFaults::splitGapMs, QT_TRANSLATE_NOOP("SimulatorWindow", "段间隔 ms"), 10000},
    {&SlaveFaults::exceptionFunction, QT_TRANSLATE_NOOP("SimulatorWindow", "异常于功能码"), 127},
    {&SlaveFaults::exceptionCode, QT_TRANSLATE_NOOP("SimulatorWindow", "异常码"), 255},
    {&SlaveFaults::wrongSlavePercent, QT_TRANSLATE_NOOP("SimulatorWindow", "错从站地址 %"), 100},
};
} // namespace

RegisterMapModel::RegisterMapModel(DeviceSimulator *device, QObject *parent)
    : QAbstractTableModel(parent), device(device)
{
    reload();
}

int RegisterMapModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int RegisterMapModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant RegisterMapModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return QVariant();
    }
    const RegisterMap::Entry &e = rows.at(index.row());
    switch (index.column()) {
    case SlaveColumn:
        return e.slave;
    case TableColumn:
        return RegisterMap::tableName(e.table);
    case AddressColumn:
        return e.address;
    case ValueColumn:
        return e.value;
    default:
        return e.generator.text();
    }
}

QVariant RegisterMapModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const QStringList names = {tr("从站"), tr("表"), tr("地址"), tr("数值"), tr("生成器")};
    return names.value(section);
}

Qt::ItemFlags RegisterMapModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.column() >= ValueColumn ? f | Qt::ItemIsEditable : f;
}

bool RegisterMapModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() < ValueColumn) {
        return false;
    }
    RegisterMap::Entry e = rows.at(index.row());
    const bool ok = index.column() == ValueColumn
                        ? RegisterMap::parseValue(value.toString(), e.table, &e.value)
                        : RegisterMap::Generator::parse(value.toString(), &e.generator);
    if (!ok || !device->registers().put(e)) {
        return false;
    }
    rows[index.row()] = e;
    emit dataChanged(index, index);
    return true;
}

void RegisterMapModel::reload()
{
    beginResetModel();
    rows = device->registers().entries();
    endResetModel();
}

void RegisterMapModel::refresh()
{
    RegisterMap &map = device->registers();
    const qint64 now = device->nowMs();
    for (int i = 0; i < rows.size(); ++i) {
        RegisterMap::Entry &e = rows[i];
        const quint16 v = map.value(e.slave, e.table, e.address, now);
        if (v != e.value) {
            e.value = v;
            emit dataChanged(index(i, ValueColumn), index(i, ValueColumn));
        }
    }
}

SimulatorWindow::SimulatorWindow(DeviceSimulator *device, const QString &mapPath, QWidget *parent)
    : QWidget(parent, Qt::Window), device(device), mapPath(mapPath),
      mapModel(new RegisterMapModel(device, this)), view(new QTableView(this)),
      runBox(new QCheckBox(tr("启动模拟"), this)), status(new QLabel(this)),
      counts(new QLabel(this)), slaveBox(new QSpinBox(this)), refreshTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("simulatorWindow"));
    setWindowTitle(tr("寄存器表模拟"));
    runBox->setObjectName(QStringLiteral("simulatorRun"));
    view->setObjectName(QStringLiteral("simulatorMap"));
    view->setModel(mapModel);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->hide();
    view->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(runBox);
    const auto addButton = [&](const QString &text, auto slot) {
        auto *b = new QPushButton(text, this);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
    };
    addButton(tr("载入"), [this] { loadMap(); });
    addButton(tr("保存"), &SimulatorWindow::saveMap);
    addButton(tr("添加"), &SimulatorWindow::addRow);
    addButton(tr("删除"), &SimulatorWindow::removeRow);
    buttons->addStretch();

    auto *faults = new QGridLayout;
    slaveBox->setRange(1, 247);
    faults->addWidget(new QLabel(tr("故障, 从站"), this), 0, 0);
    faults->addWidget(slaveBox, 0, 1);
    int n = 0;
    for (const FaultField &f : faultFields) {
        auto *box = new QSpinBox(this);
        box->setRange(0, f.maximum);
        box->setObjectName(QStringLiteral("faultBox%1").arg(n));
        faultBoxes << box;
        const int row = 1 + n / 3;
        const int column = 2 * (n % 3);
        faults->addWidget(new QLabel(tr(f.label), this), row, column);
        faults->addWidget(box, row, column + 1);
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &SimulatorWindow::storeFaults);
        ++n;
    }
    connect(slaveBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &SimulatorWindow::showFaults);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(status);
    layout->addWidget(view, 1);
    layout->addLayout(faults);
    layout->addWidget(counts);
    status->setWordWrap(true);
    resize(620, 560);

    connect(runBox, &QCheckBox::toggled, this, &SimulatorWindow::runToggled);
    connect(device, &DeviceSimulator::written, mapModel, &RegisterMapModel::refresh);
    // Live values and counts, only while the window is shown.
    refreshTimer->setInterval(500);
    connect(refreshTimer, &QTimer::timeout, this, &SimulatorWindow::refreshLive);
}

void SimulatorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshLive(); // what changed while it was hidden
    refreshTimer->start();
}

void SimulatorWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    refreshTimer->stop();
}

void SimulatorWindow::refreshLive()
{
    mapModel->refresh();
    showCounts();
}

QString SimulatorWindow::loadMap()
{
    QString error;
    if (!device->registers().load(mapPath, &error)) {
        status->setText(error);
        return error;
    }
    mapModel->reload();
    status->setText(tr("%1: %2 个地址").arg(mapPath).arg(device->registers().size()));
    const QVector<int> slaves = device->registers().slaves();
    if (!slaves.isEmpty()) {
        slaveBox->setValue(slaves.first());
    }
    return QString();
}

void SimulatorWindow::saveMap()
{
    QString error;
    status->setText(device->registers().save(mapPath, &error) ? tr("已保存 %1").arg(mapPath)
                                                              : error);
}

void SimulatorWindow::addRow()
{
    // After the selected row (or the last): the next address of the same table.
    const QModelIndex current = view->currentIndex();
    const int from = current.isValid() ? current.row() : mapModel->rowCount() - 1;
    RegisterMap::Entry e;
    e.slave = slaveBox->value();
    if (from >= 0) {
        e = device->registers().entryAt(from);
        e.generator = RegisterMap::Generator();
        e.value = 0;
    }
    while (e.address < 65535 && device->registers().indexOf(e.slave, e.table, e.address) >= 0) {
        ++e.address;
    }
    // The table is full up to its last address: nothing to add, and nothing overwritten.
    if (device->registers().indexOf(e.slave, e.table, e.address) >= 0) {
        return;
    }
    device->registers().put(e);
    mapModel->reload();
    view->selectRow(device->registers().indexOf(e.slave, e.table, e.address));
}

void SimulatorWindow::removeRow()
{
    const QModelIndex current = view->currentIndex();
    if (current.isValid()) {
        device->registers().removeAt(current.row());
        mapModel->reload();
    }
}

void SimulatorWindow::showFaults()
{
    const SlaveFaults f = device->slaves().faults(slaveBox->value());
    int n = 0;
    for (const FaultField &field : faultFields) {
        QSignalBlocker block(faultBoxes[n]);
        faultBoxes[n++]->setValue(f.*field.field);
    }
    showCounts();
}

void SimulatorWindow::storeFaults()
{
    SlaveFaults f;
    int n = 0;
    for (const FaultField &field : faultFields) {
        f.*field.field = faultBoxes[n++]->value();
    }
    device->slaves().setFaults(slaveBox->value(), f);
}

void SimulatorWindow::showCounts()
{
    const FaultCounts c = device->slaves().counts(slaveBox->value());
    counts->setText(tr("请求 %1, 异常 %2 (故障 %3), 不应答 %4, 延时 %5, CRC错 %6, 分段 %7, "
                       "错从站地址 %8")
                        .arg(c.requests)
                        .arg(c.exceptions)
                        .arg(c.forcedException)
                        .arg(c.noReply)
                        .arg(c.delayed)
                        .arg(c.badCrc)
                        .arg(c.split)
                        .arg(c.wrongSlave));
}

void SimulatorWindow::showWindow()
{
    show();
    raise();
}
