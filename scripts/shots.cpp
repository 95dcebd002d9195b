// Takes screenshots of the program's windows for the README. Run under xvfb-run by
// scripts/screenshots.sh, which also provides a virtual Modbus device for the console.
//   norvane_shots console OUTDIR PORT   the console talking to the device on PORT (started
//                                       with --changing), then its chart after 45 s of polling
//   norvane_shots console-en OUTDIR PORT the console in English (Language=en), reading the device
//   norvane_shots monitor OUTDIR PORT   the bus monitor listening on PORT, a tap of a line where
//                                       a master polls a device
//   norvane_shots scan OUTDIR PORT      the address scan of addresses 1-12 on PORT
//   norvane_shots kit OUTDIR            the framed window in three themes and each dialog
// Each picture is said in one line on standard output: file and how it was made.
#include "appsettings.h"
#include "frmtolvan.h"
#include "registertable.h"
#include "registerwindow.h"
#include "simulator.h"
#include "simulatorwindow.h"
#include "startup.h"
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "tavitipbox.h"
#include "taviwidget.h"
#include "valuechart.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

void settle(int ms)
{
    TaviHelper::delayMs(ms);
}

// Saves the widget as it is shown and says in one line what the picture is.
bool save(QWidget *w, const QString &path, const char *how)
{
    settle(300);
    const bool ok = w->grab().save(path);
    qInfo("%s: %s", qPrintable(path), ok ? how : "could not be written");
    return ok;
}

// Sets the request row and presses "发送".
void request(QWidget *form, const QString &slave, const QString &function, const QString &reg,
             const QString &count)
{
    form->findChild<QLineEdit *>("pid")->setText(slave);
    auto *fid = form->findChild<QComboBox *>("fid");
    fid->setCurrentIndex(fid->findText(function + QLatin1Char(' '), Qt::MatchStartsWith));
    form->findChild<QLineEdit *>("addr")->setText(reg);
    form->findChild<QLineEdit *>("value")->setText(count);
    form->findChild<QPushButton *>("btnSend")->click();
    settle(400);
}

// Reads registers, a float, an exception and a silence from the virtual device.
void pollDevice(QWidget *form)
{
    request(form, "1", "03", "0", "3");
    request(form, "1", "04", "0", "3");
    // Registers 10 and 11 hold 3.14159 as a float, high word first.
    auto *format = form->findChild<QComboBox *>("cboxValueFormat");
    format->setCurrentIndex(format->findData(QStringLiteral("float:ABCD")));
    request(form, "1", "03", "10", "2");
    format->setCurrentIndex(0);
    request(form, "1", "03", "500", "1"); // beyond the device's registers: an exception
    request(form, "2", "03", "0", "1");   // no device at address 2
    settle(400);
    form->findChild<QLineEdit *>("pid")->setText("1");
}

// The settings the console pictures are taken with, before the console is made.
void useShotSettings(const QString &port)
{
    AppSettings::PortName = port;
    AppSettings::HexSend = true;
    AppSettings::HexReceive = true;
    AppSettings::AutoPrint = true;
}

// Shows the console, opens its port and polls the virtual device.
void pollFromConsole(frmTolvan *form)
{
    form->setWindowTitle(mainWindowTitle());
    form->show();
    settle(200);
    form->findChild<QPushButton *>("btnOpen")->click();
    pollDevice(form);
}

int consoleEnglishShot(const QString &outDir, const QString &port)
{
    QTemporaryDir home;
    QFile ini(home.filePath("norvane.ini"));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[ComConfig]\nLanguage=en\n") < 0) {
        return 1;
    }
    ini.close();
    prepareApplication(ini.fileName(), home.path());
    useShotSettings(port);
    frmTolvan form;
    pollFromConsole(&form);
    return save(&form, outDir + "/console-en.png",
                "the console in English reading the virtual device")
               ? 0
               : 1;
}

int consoleShot(const QString &outDir, const QString &port)
{
    QTemporaryDir home;
    prepareApplication(home.filePath("norvane.ini"), home.path());
    useShotSettings(port);
    frmTolvan form;
    pollFromConsole(&form);
    bool ok =
        save(&form, outDir + "/console.png",
             "the console reading the virtual device: registers, a float, an exception, a silence");

    // A typed path that is not there: the reason shows under the port box.
    form.findChild<QPushButton *>("btnOpen")->click();
    auto *box = form.findChild<QComboBox *>("cboxPortName");
    box->setEditText(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    form.findChild<QPushButton *>("btnOpen")->click();
    ok = save(&form, outDir + "/console-port.png",
              "a real failed open of a typed path with no adapter behind it")
         && ok;

    // The chart, fed by the console polling the changing device: the holding register counts
    // up every second, the input register follows a slow sine.
    box->setEditText(port);
    form.findChild<QPushButton *>("btnOpen")->click();
    auto *chart = form.findChild<ValueChart *>();
    form.findChild<QPushButton *>("btnChart")->click();
    chart->resize(1000, 560);
    chart->findChild<QComboBox *>()->setCurrentIndex(0); // the last minute
    for (int i = 0; i < 90; ++i) {
        request(&form, "1", i % 2 ? "04" : "03", "0", "1");
        settle(100);
    }
    ok = save(chart, outDir + "/chart.png",
              "the chart after 45 s of the console polling the changing device")
         && ok;
    chart->hide();

    // The register tables: two polls taking turns on the auto-send timer, a float over two rows.
    auto *tables = form.findChild<RegisterTables *>();
    QString error;
    tables->addDefinition({1, 3, 0, 12}, &error);
    tables->addDefinition({1, 4, 0, 3}, &error);
    tables->table(1)->setRowFormat(10, formatFromSetting(QStringLiteral("float:ABCD")));
    tables->table(1)->setData(tables->table(1)->index(0, RegisterTableModel::NameColumn),
                              QStringLiteral("计数器"));
    tables->table(1)->setData(tables->table(1)->index(10, RegisterTableModel::NameColumn),
                              QStringLiteral("温度 (float)"));
    auto *window = form.findChild<RegisterWindow *>();
    form.findChild<QPushButton *>("btnTable")->click();
    window->findChild<QCheckBox *>("ckPoll")->setChecked(true);
    window->findChild<QTabWidget *>("tabTables")->setCurrentIndex(1);
    form.findChild<QComboBox *>("cboxSendInterval")->setCurrentText(QStringLiteral("200"));
    form.findChild<QCheckBox *>("ckAutoSend")->setChecked(true);
    settle(3300);
    form.findChild<QCheckBox *>("ckAutoSend")->setChecked(false);
    settle(300);
    ok = save(window, outDir + "/registers.png",
              "the register table after 3 s of two polls taking turns on the changing device")
         && ok;
    return ok ? 0 : 1;
}

QWidget *demoContent()
{
    auto *content = new QWidget;
    content->resize(520, 300);
    auto *grid = new QGridLayout(content);
    grid->addWidget(new QLabel(QStringLiteral("设备地址")), 0, 0);
    grid->addWidget(new QLineEdit(QStringLiteral("192.168.1.20")), 0, 1);
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("Modbus RTU"), QStringLiteral("Modbus TCP")});
    grid->addWidget(new QLabel(QStringLiteral("协议")), 1, 0);
    grid->addWidget(combo, 1, 1);
    auto *options = new QGroupBox(QStringLiteral("选项"));
    auto *optionsLayout = new QVBoxLayout(options);
    auto *check = new QCheckBox(QStringLiteral("自动重连"));
    check->setChecked(true);
    optionsLayout->addWidget(check);
    optionsLayout->addWidget(new QCheckBox(QStringLiteral("记录日志")));
    grid->addWidget(options, 2, 0, 1, 2);
    auto *progress = new QProgressBar;
    progress->setValue(65);
    grid->addWidget(progress, 3, 0, 1, 2);
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setValue(40);
    grid->addWidget(slider, 4, 0, 1, 2);
    grid->addWidget(new QPushButton(QStringLiteral("连接")), 5, 0);
    grid->addWidget(new QPushButton(QStringLiteral("断开")), 5, 1);
    return content;
}

int kitShots(const QString &outDir)
{
    bool ok = true;
    const QList<QPair<TaviWidget::Style, QString>> themes = {
        {TaviWidget::Style_LightBlue, "lightblue"},
        {TaviWidget::Style_FlatBlack, "flatblack"},
        {TaviWidget::Style_Purple, "purple"}};
    for (const auto &theme : themes) {
        TaviHelper::applyTheme(theme.first);
        TaviWidget frame;
        frame.setTitle(QStringLiteral("Norvane 框架窗口"));
        frame.setVisible(TaviWidget::Widget_BtnMenu, true);
        frame.setMainWidget(demoContent());
        frame.show();
        ok = save(&frame, QStringLiteral("%1/kit-window-%2.png").arg(outDir, theme.second),
                  "the kit's framed window around sample controls, in this theme")
             && ok;
    }

    TaviHelper::applyTheme(TaviWidget::Style_LightBlue);
    TaviMessageBox message;
    message.setMessage(QStringLiteral("确定要断开设备连接吗?"), 1, 0);
    message.show();
    ok = save(&message, outDir + "/kit-message.png", "the kit's message box asking a question")
         && ok;

    TaviInputBox input;
    input.setParameter(QStringLiteral("请输入设备名称"), 0, 10, QStringLiteral("名称"));
    input.show();
    ok = save(&input, outDir + "/kit-input.png", "the kit's input box") && ok;

    TaviDateSelect date;
    date.show();
    ok = save(&date, outDir + "/kit-date.png", "the kit's date-range dialog") && ok;

    TaviTipBox tip;
    tip.setTip(QStringLiteral("提示"), QStringLiteral("收到新的报警数据"), false, true, 0);
    tip.show();
    settle(700);
    ok = save(&tip, outDir + "/kit-tip.png", "the kit's tip box after it slid in") && ok;
    return ok ? 0 : 1;
}

int monitorShot(const QString &outDir, const QString &port)
{
    QTemporaryDir home;
    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = port;
    AppSettings::BaudRate = 9600;
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnMonitor")->click();
    QWidget *window = form.findChild<QPushButton *>("btnMonitorStart")->window();
    window->resize(1100, 560);
    form.findChild<QPushButton *>("btnMonitorStart")->click();
    settle(4000);
    return save(window, outDir + "/monitor.png",
                "the bus monitor after 4 s on a tap of a line where mbpoll polls a pymodbus device")
               ? 0
               : 1;
}

int scanShot(const QString &outDir, const QString &port)
{
    QTemporaryDir home;
    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = port;
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnScan")->click();
    auto *start = form.findChild<QPushButton *>("btnScanAddresses");
    QWidget *window = start->window();
    window->findChild<QSpinBox *>("spinScanTo")->setValue(12);
    start->click();
    for (int i = 0; i < 100 && !start->isEnabled(); ++i) {
        settle(100);
    }
    settle(300);
    return save(window, outDir + "/scan.png",
                "the address scan of addresses 1-12 at 9600 8N1, the virtual device at address 1")
               ? 0
               : 1;
}

// The simulator's window with a map of live values, a fault on slave 1 and what it did to a
// master's 40 reads.
int simulatorShot(const QString &outDir)
{
    QTemporaryDir home;
    const QString map = home.filePath("simulator_map.csv");
    QFile file(map);
    if (!file.open(QIODevice::WriteOnly)
        || file.write("slave,table,address,value,generator\n1,coil,0,1\n1,coil,1,0\n"
                      "1,discrete,0,1\n1,holding,0,123\n1,holding,1,0x4048,counter\n"
                      "1,holding,2,500,walk:400:600:20\n1,input,0,0,sine:0:1000:30\n"
                      "2,holding,0,7\n2,input,0,412\n")
               < 0) {
        return 1;
    }
    file.close();
    DeviceSimulator device;
    SimulatorWindow window(&device, map);
    window.loadMap();
    window.findChild<QSpinBox *>("faultBox0")->setValue(20); // no reply to a fifth
    window.findChild<QSpinBox *>("faultBox1")->setValue(5);  // 5-40 ms late
    window.findChild<QSpinBox *>("faultBox2")->setValue(40);
    for (int i = 0; i < 40; ++i) {
        device.feed(QByteArray::fromHex("010300000003"
                                        "05CB"));
    }
    window.findChild<QCheckBox *>("simulatorRun")->setChecked(true);
    window.show();
    settle(1500);
    return save(&window, outDir + "/simulator.png",
                "the register-map simulator: two slaves, live values, slave 1 answering late or "
                "not at all")
               ? 0
               : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == "console") {
        QDir().mkpath(args.at(2));
        return consoleShot(args.at(2), args.at(3));
    }
    if (args.size() >= 4 && args.at(1) == "console-en") {
        QDir().mkpath(args.at(2));
        return consoleEnglishShot(args.at(2), args.at(3));
    }
    if (args.size() >= 4 && args.at(1) == "scan") {
        QDir().mkpath(args.at(2));
        return scanShot(args.at(2), args.at(3));
    }
    if (args.size() >= 4 && args.at(1) == "monitor") {
        QDir().mkpath(args.at(2));
        return monitorShot(args.at(2), args.at(3));
    }
    if (args.size() >= 3 && args.at(1) == "simulator") {
        QDir().mkpath(args.at(2));
        return simulatorShot(args.at(2));
    }
    if (args.size() >= 3 && args.at(1) == "kit") {
        QDir().mkpath(args.at(2));
        return kitShots(args.at(2));
    }
    qWarning("usage: norvane_shots console|console-en|scan|monitor OUTDIR PORT | norvane_shots "
             "kit|simulator OUTDIR");
    return 2;
}
