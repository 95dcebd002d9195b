// Takes screenshots of the program's windows for the README. Run under xvfb-run by
// scripts/screenshots.sh, which also provides a virtual Modbus device for the console.
//   norvane_shots console OUTDIR PORT   the console talking to the device on PORT
#include "appsettings.h"
#include "frmtolvan.h"
#include "startup.h"
#include "tavihelper.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

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
    for (int i = 0; i < 3; ++i) {
        form.findChild<QPushButton *>("btnSend")->click();
        settle(400);
    }
    form.findChild<QComboBox *>("fid")->setCurrentText("4");
    form.findChild<QPushButton *>("btnSend")->click();
    settle(400);
    return save(&form, outDir + "/console.png") ? 0 : 1;
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
    qWarning("usage: norvane_shots console OUTDIR PORT");
    return 2;
}
