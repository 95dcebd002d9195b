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
#include "trafficlog.h"
#include "valuechart.h"

#include <QPushButton>

ConsoleTools::ConsoleTools(ConsoleSession *session, TrafficLog *log, const Buttons &buttons,
                           QWidget *window)
    : QObject(window), session(session), log(log), chart(new ValueChart(window)),
      tables(new RegisterTables(AppSettings::dataFilePath(QStringLiteral("polls.txt")),
                                AppSettings::dataFilePath(QStringLiteral("register_names.txt")),
                                this)),
      fileSender(new FileSender(session, this))
{
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
        this->session->setMonitoring(true);
        monitor->start(portSettingsFromConfig());
    });
    connect(monitor, &BusMonitor::stopped, session,
            [this] { this->session->setMonitoring(false); });
    connect(monitor, &BusMonitor::requestSeen, tables, &RegisterTables::requestSent);
    connect(monitor, &BusMonitor::requestEnded, tables, &RegisterTables::requestEnded);
    connect(monitor, &BusMonitor::requestEnded, chart, [this](const ReplyDecode &reply) {
        chart->addReply(reply, formatSettingText(monitor->format()));
    });
    connect(buttons.chart, &QPushButton::clicked, chart, &ValueChart::showWindow);
    connect(buttons.table, &QPushButton::clicked, tableWindow, &RegisterWindow::showWindow);
    connect(buttons.file, &QPushButton::clicked, fileWindow, &FileSendWindow::showWindow);
    connect(buttons.monitor, &QPushButton::clicked, monitorWindow, &BusMonitorWindow::showWindow);
    for (const QString &problem : tables->load()) {
        log->append(LogInfo, problem);
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
