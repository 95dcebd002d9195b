// Takes screenshots of the program's windows for the README. Run under xvfb-run by
// scripts/screenshots.sh, which also provides a virtual Modbus device for the console.
//   norvane_shots console OUTDIR PORT   the console talking to the device on PORT
//   norvane_shots kit OUTDIR            the framed window in three themes and each dialog
//   norvane_shots chart OUTDIR          the value chart with a few made-up series
#include "appsettings.h"
#include "frmtolvan.h"
#include "tavidateselect.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "tavitipbox.h"
#include "taviwidget.h"
#include "startup.h"
#include "tavihelper.h"
#include "valuechart.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>

namespace {

void settle(int ms)
{
    TaviHelper::delayMs(ms);
}

bool save(QWidget *w, const QString &path)
{
    settle(300);
    const bool ok = w->grab().save(path);
    qInfo("%s %s", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

int consoleShot(const QString &outDir, const QString &port)
{
    QTemporaryDir home;
    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = port;
    AppSettings::HexSend = true;
    AppSettings::HexReceive = true;
    AppSettings::AutoPrint = true;

    frmTolvan form;
    form.setWindowTitle(mainWindowTitle());
    form.show();
    settle(200);
    form.findChild<QPushButton *>("btnOpen")->click();
    form.findChild<QLineEdit *>("pid")->setText("1");
    form.findChild<QComboBox *>("fid")->setCurrentText("3");
    form.findChild<QLineEdit *>("value")->setText("3");
    for (int i = 0; i < 2; ++i) {
        form.findChild<QPushButton *>("btnSend")->click();
        settle(400);
    }
    form.findChild<QComboBox *>("fid")->setCurrentText("4");
    form.findChild<QPushButton *>("btnSend")->click();
    settle(400);
    // Registers 10 and 11 hold 3.14159 as a float, high word first.
    form.findChild<QComboBox *>("fid")->setCurrentText("3");
    form.findChild<QLineEdit *>("addr")->setText("10");
    form.findChild<QLineEdit *>("value")->setText("2");
    form.findChild<QComboBox *>("cboxValueFormat")->setCurrentText(QStringLiteral("32 位浮点 ABCD"));
    form.findChild<QPushButton *>("btnSend")->click();
    settle(400);
    bool ok = save(&form, outDir + "/console.png");

    // A typed path that is not there: the reason shows beside the port box.
    form.findChild<QPushButton *>("btnOpen")->click();
    auto *box = form.findChild<QComboBox *>("cboxPortName");
    box->setEditText(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    form.findChild<QPushButton *>("btnOpen")->click();
    settle(100);
    QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), box->toolTip(), box);
    settle(300);
    const QRect area = form.frameGeometry().adjusted(0, 0, 0, 0);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    ok = screen.save(outDir + "/console-port.png") && ok;
    qInfo("wrote %s", qPrintable(outDir + "/console-port.png"));
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
        {TaviWidget::Style_LightBlue, "lightblue"}, {TaviWidget::Style_FlatBlack, "flatblack"},
        {TaviWidget::Style_Purple, "purple"}};
    for (const auto &theme : themes) {
        TaviHelper::applyTheme(theme.first);
        TaviWidget frame;
        frame.setTitle(QStringLiteral("Norvane 框架窗口"));
        frame.setVisible(TaviWidget::Widget_BtnMenu, true);
        frame.setMainWidget(demoContent());
        frame.show();
        ok = save(&frame, QStringLiteral("%1/kit-window-%2.png").arg(outDir, theme.second)) && ok;
    }

    TaviHelper::applyTheme(TaviWidget::Style_LightBlue);
    TaviMessageBox message;
    message.setMessage(QStringLiteral("确定要断开设备连接吗?"), 1, 0);
    message.show();
    ok = save(&message, outDir + "/kit-message.png") && ok;

    TaviInputBox input;
    input.setParameter(QStringLiteral("请输入设备名称"), 0, 10, QStringLiteral("名称"));
    input.show();
    ok = save(&input, outDir + "/kit-input.png") && ok;

    TaviDateSelect date;
    date.show();
    ok = save(&date, outDir + "/kit-date.png") && ok;

    TaviTipBox tip;
    tip.setTip(QStringLiteral("提示"), QStringLiteral("收到新的报警数据"), false, true, 0);
    tip.show();
    settle(700);
    ok = save(&tip, outDir + "/kit-tip.png") && ok;
    return ok ? 0 : 1;
}

// Five minutes of made-up readings, one a second, ending now.
int chartShot(const QString &outDir)
{
    ValueChart chart;
    chart.resize(1000, 560);
    chart.show();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int s = -300; s <= 0; ++s) {
        const double phase = s / 40.0;
        chart.addValues(now + s * 1000, 3, 0, 1,
                        {25 + 4 * std::sin(phase), 48 + 10 * std::cos(phase / 2), 60 + std::floor(s / 60.0) * 5});
        chart.addValues(now + s * 1000, 4, 17, 2, {12.5 + 6 * std::sin(phase * 3) * std::exp(s / 200.0)});
    }
    return save(&chart, outDir + "/chart.png") ? 0 : 1;
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
    if (args.size() >= 3 && args.at(1) == "kit") {
        QDir().mkpath(args.at(2));
        return kitShots(args.at(2));
    }
    if (args.size() >= 3 && args.at(1) == "chart") {
        QDir().mkpath(args.at(2));
        return chartShot(args.at(2));
    }
    qWarning("usage: norvane_shots console OUTDIR PORT | norvane_shots kit OUTDIR | norvane_shots chart OUTDIR");
    return 2;
}
