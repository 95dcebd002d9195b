#include "terminalcontrols.h"

#include "appsettings.h"
#include "consolesession.h"
#include "datalistwatcher.h"
#include "logformat.h"
#include "sendbox.h"
#include "trafficlog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>

TerminalControls::TerminalControls(const Widgets &widgets, ConsoleSession *session, TrafficLog *log,
                                   QObject *parent)
    : QObject(parent), ui(widgets), session(session), log(log)
{
    ui.box->addItems(AppSettings::SendList);
    ui.ending->addItem(tr("无结尾"), QStringLiteral("none"));
    ui.ending->addItem(QStringLiteral("CR"), QStringLiteral("CR"));
    ui.ending->addItem(QStringLiteral("LF"), QStringLiteral("LF"));
    ui.ending->addItem(QStringLiteral("CR LF"), QStringLiteral("CRLF"));
    sendBox = new SendBox({ui.box, ui.ending, ui.crc, ui.hex, ui.autoClear}, session,
                          AppSettings::dataFilePath(QStringLiteral("history.txt")), this);
    connect(sendBox, &SendBox::problem, this, &TerminalControls::info);
    info(sendBox->load());
    connect(ui.sendText, &QPushButton::clicked, sendBox, &SendBox::send);
    connect(ui.rts, &QCheckBox::clicked, session, &ConsoleSession::setRequestToSend);
    connect(ui.dtr, &QCheckBox::clicked, session, &ConsoleSession::setDataTerminalReady);
    connect(session, &ConsoleSession::modemLinesChanged, this, &TerminalControls::showModemLines);
    showModemLines(-1);
    auto *watcher = new DataListWatcher(
        AppSettings::DataDir, {AppSettings::SendFileName, AppSettings::DeviceFileName}, this);
    connect(watcher, &DataListWatcher::changed, this, &TerminalControls::dataListChanged);
}

void TerminalControls::info(const QString &text)
{
    if (!text.isEmpty()) {
        log->append(LogInfo, text);
    }
}

void TerminalControls::showModemLines(int lines)
{
    const bool known = lines >= 0;
    ui.rts->setChecked(known && (lines & QSerialPort::RequestToSendSignal));
    ui.dtr->setChecked(known && (lines & QSerialPort::DataTerminalReadySignal));
    const std::pair<int, const char *> inputs[] = {{QSerialPort::ClearToSendSignal, "CTS"},
                                                   {QSerialPort::DataSetReadySignal, "DSR"},
                                                   {QSerialPort::DataCarrierDetectSignal, "DCD"},
                                                   {QSerialPort::RingIndicatorSignal, "RI"}};
    QStringList shown;
    for (const auto &[bit, name] : inputs) {
        shown << QString::fromLatin1(name) + ((lines & bit) ? QChar(0x25CF) : QChar(0x25CB));
    }
    ui.lines->setText(known ? shown.join(QLatin1Char(' ')) : tr("线路状态不可读"));
}

void TerminalControls::dataListChanged(const QString &name)
{
    if (name == AppSettings::SendFileName) {
        AppSettings::readSendData();
        const QString typed = ui.box->currentText();
        ui.box->clear();
        ui.box->addItems(AppSettings::SendList);
        ui.box->setEditText(typed);
    } else {
        AppSettings::readDeviceData();
        ConsoleSession::Options options = session->options();
        options.deviceKeys = AppSettings::DeviceKeys;
        options.deviceValues = AppSettings::DeviceValues;
        session->setOptions(options);
        info(tr("已重新读取 %1: %2 对").arg(name).arg(AppSettings::DeviceKeys.size()));
    }
    for (const QString &notice : qAsConst(AppSettings::Notices)) {
        info(notice);
    }
    AppSettings::Notices.clear();
}
