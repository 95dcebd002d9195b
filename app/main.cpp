#include "startup.h"
#include "tavihelper.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    prepareApplication(defaultConfigFile(), TaviHelper::appDir());

    QWidget w;
    w.setObjectName(QStringLiteral("frmTolvan"));
    w.resize(800, 600);
    w.setWindowTitle(mainWindowTitle());
    w.show();

    return a.exec();
}
