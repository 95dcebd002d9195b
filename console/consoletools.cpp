#include "consoletools.h"

#include "appsettings.h"
#include "busmonitor.h"
#include "busmonitormodel.h"
#include "busmonitorwindow.h"
#include "consolesession.h"
#include "filesender.h"
#include "filesendwindow.h"
#include "logformat.h"
#include "portsettings.h"
#include "registertable.h"
#include "registerwindow.h"
#include "scanner.h"
#include "scanwindow.h"
#include "settingsbinding.h"
#include "simulator.h"
#include "simulatorwindow.h"
#include "trafficlog.h"
#include "valuechart.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

ConsoleTools::ConsoleTools(ConsoleSession *session, TrafficLog *log, const Buttons &buttons)
    : QObject(buttons.chart->window()), session(session), log(log),
      chart(new ValueChart(buttons.chart->window())),
      tables(new RegisterTables(AppSettings::dataFilePath(QStringLiteral("polls.txt")),
                                AppSettings::dataFilePath(QStringLiteral("register_names.txt")),
                                this)),
      fileSender(new FileSender(session, this))
{
    window = buttons.chart->window();
    tableWindow = new RegisterWindow(tables, window);
    fileWindow = new FileSendWindow(fileSender, window);
    connect(session, &ConsoleSession::replyDecoded, chart, [this](const ReplyDecode &reply) {
        chart->addReply(reply, formatSettingText(this->session->options().format));
    });
    connect(session, &ConsoleSession::requestSent, tables, &RegisterTables::requestSent);
    connect(session, &ConsoleSession::requestEnded, tables, &RegisterTables::requestEnded);
    connect(tableWindow, &RegisterWindow::writeRequested, session, &ConsoleSession::sendFrame);
    connect(fileSender, &FileSender::finished, this,
            [log](bool, const QString &message) { log->append(LogInfo, message); });

    monitor = new BusMonitor(this);
    monitorWindow = new BusMonitorWindow(monitor, new BusMonitorModel(this), window);
    // The monitor listens at the form's line settings; the console keeps off the port meanwhile.
    connect(monitorWindow, &BusMonitorWindow::startRequested, this, [this] {
        if (scanner->isRunning()) {
            this->log->append(LogInfo, tr("地址扫描中, 不能开始总线监听"));
            return;
        }
        this->session->setMonitoring(true);
        monitor->start(portSettingsFromConfig());
    });
    connect(monitor, &BusMonitor::stopped, session, [this] {
        if (!scanner->isRunning()) {
            this->session->setMonitoring(false);
        }
    });
    connect(monitor, &BusMonitor::requestSeen, tables, &RegisterTables::requestSent);
    connect(monitor, &BusMonitor::requestEnded, tables, &RegisterTables::requestEnded);
    connect(monitor, &BusMonitor::requestEnded, chart, [this](const ReplyDecode &reply) {
        chart->addReply(reply, formatSettingText(monitor->format()));
    });

    // The scanner, too, has the port to itself: the console, its auto-send and its device
    // simulation keep off the line until it is done.
    scanner = new Scanner(this);
    scanWindow = new ScanWindow(scanner, window);
    connect(scanWindow, &ScanWindow::startRequested, this, &ConsoleTools::startScan);
    connect(scanner, &Scanner::finished, session, [this] {
        if (!monitor->isRunning()) {
            this->session->setMonitoring(false);
        }
    });
    connect(scanWindow, &ScanWindow::applyRequested, this, &ConsoleTools::applyScanResult);
    connect(buttons.scan, &QPushButton::clicked, scanWindow, &ScanWindow::showWindow);
    connect(buttons.chart, &QPushButton::clicked, chart, &ValueChart::showWindow);
    connect(buttons.table, &QPushButton::clicked, tableWindow, &RegisterWindow::showWindow);
    connect(buttons.file, &QPushButton::clicked, fileWindow, &FileSendWindow::showWindow);
    connect(buttons.monitor, &QPushButton::clicked, monitorWindow, &BusMonitorWindow::showWindow);

    device = new DeviceSimulator(this);
    const QString mapPath = AppSettings::dataFilePath(QStringLiteral("simulator_map.csv"));
    simulatorWindow = new SimulatorWindow(device, mapPath, window);
    connect(buttons.simulate, &QPushButton::clicked, simulatorWindow, &SimulatorWindow::showWindow);
    connect(simulatorWindow, &SimulatorWindow::runToggled, this, [this](bool on) {
        this->session->setSimulator(on ? device : nullptr);
        this->log->append(LogInfo, on ? tr("寄存器表模拟已启动") : tr("寄存器表模拟已停止"));
    });
    if (QFile::exists(mapPath)) {
        const QString problem = simulatorWindow->loadMap();
        if (!problem.isEmpty()) {
            log->append(LogInfo, problem);
        }
    }
    for (const QString &problem : tables->load()) {
        log->append(LogInfo, problem);
    }
}

void ConsoleTools::startScan(ScanPlan plan, bool formLine)
{
    if (monitor->isRunning()) {
        scanWindow->showProblem(tr("总线监听中, 请先停止监听"));
        return;
    }
    const PortSettings form = portSettingsFromConfig();
    plan.port = form.name;
    if (formLine) {
        plan.bauds = {form.baudRate};
        plan.parities = {form.parity};
        plan.stopBits = {form.stopBits};
    }
    session->setMonitoring(true);
    scanner->start(plan);
}

void ConsoleTools::applyScanResult(const ScanResult &result)
{
    const QString parity =
        parityChoices().value(result.line.parity == QSerialPort::OddParity    ? 1
                              : result.line.parity == QSerialPort::EvenParity ? 2
                                                                              : 0);
    const QVector<QPair<const char *, QString>> shown = {
        {"BaudRate", QString::number(result.line.baudRate)},
        {"DataBit", QStringLiteral("8")},
        {"Parity", parity},
        {"StopBit", QString::number(stopBitCount(result.line.stopBits))}};
    // Each control stores its setting when it changes, as if the user had chosen it.
    for (const auto &[key, value] : shown) {
        const SettingEntry *entry = AppSettings::setting(QLatin1String(key));
        auto *box = window->findChild<QComboBox *>(QLatin1String("cbox") + QLatin1String(key));
        if (entry && box) {
            entry->setValue(value);
            showSetting({box, entry});
        }
    }
    if (auto *address = window->findChild<QLineEdit *>(QStringLiteral("pid"))) {
        address->setText(QString::number(result.address));
    }
}

bool ConsoleTools::sendNextPoll()
{
    if (!tables->polling()) {
        return false;
    }
    session->sendFrame(tables->nextPoll());
    return true;
}
