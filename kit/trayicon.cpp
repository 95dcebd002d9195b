#include "trayicon.h"

#include "dialogparts.h"

#include <QApplication>
#include <QMenu>
#include <QWidget>
#include <cstdlib>

TrayIcon *TrayIcon::instance()
{
    return sharedInstance<TrayIcon>();
}

TrayIcon::TrayIcon(QObject *parent)
    : QObject(parent), trayIcon(new QSystemTrayIcon(this)), menu(new QMenu()), exitDirect(true)
{
    connect(trayIcon, &QSystemTrayIcon::activated, this, &TrayIcon::iconIsActived);
}

void TrayIcon::iconIsActived(QSystemTrayIcon::ActivationReason reason)
{
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        && mainWidget) {
        mainWidget->showNormal();
    }
}

void TrayIcon::setExitDirect(bool exitDirect)
{
    this->exitDirect = exitDirect;
}

void TrayIcon::setMainWidget(QWidget *mainWidget)
{
    this->mainWidget = mainWidget;
    menu->addAction(tr("主界面"), mainWidget, &QWidget::showNormal);
    if (exitDirect) {
        menu->addAction(tr("退出"), this, &TrayIcon::closeAll);
    } else {
        menu->addAction(tr("退出"), this, &TrayIcon::trayIconExit);
    }
    trayIcon->setContextMenu(menu);
}

void TrayIcon::showMessage(const QString &title, const QString &msg,
                           QSystemTrayIcon::MessageIcon icon, int msecs)
{
    trayIcon->showMessage(title, msg, icon, msecs);
}

void TrayIcon::setIcon(const QString &strIcon)
{
    trayIcon->setIcon(QIcon(strIcon));
}

void TrayIcon::setToolTip(const QString &tip)
{
    trayIcon->setToolTip(tip);
}

void TrayIcon::setVisible(bool visible)
{
    // Where the platform has no tray, showing it only warns; nothing else happens.
    trayIcon->setVisible(visible);
}

void TrayIcon::closeAll()
{
    trayIcon->hide();
    trayIcon->deleteLater();
    std::exit(0);
}
