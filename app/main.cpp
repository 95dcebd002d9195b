#include "frmtolvan.h"
#include "startup.h"
#include "tavihelper.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication a(argc, argv);
    prepareApplication(defaultConfigFile(), TaviHelper::appDir());

    frmTolvan w;
    w.setWindowTitle(mainWindowTitle());
    w.show();

    return a.exec();
}
