#ifndef TRAYICON_H
#define TRAYICON_H

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

// The system-tray icon of an application that can hide its main window.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(QObject *parent = nullptr);
    static TrayIcon *instance();

    QSystemTrayIcon *systemTrayIcon() const { return trayIcon; }
    QMenu *contextMenu() const { return menu; }
    bool getExitDirect() const { return exitDirect; }

private:
    QWidget *mainWidget = nullptr;
    QSystemTrayIcon *trayIcon;
    QMenu *menu;
    bool exitDirect;

signals:
    void trayIconExit();

private slots:
    void iconIsActived(QSystemTrayIcon::ActivationReason reason);

public slots:
    void setExitDirect(bool exitDirect);
    void setMainWidget(QWidget *mainWidget);
    void showMessage(const QString &title, const QString &msg,
                     QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Information,
                     int msecs = 5000);
    void setIcon(const QString &strIcon);
    void setToolTip(const QString &tip);
    void setVisible(bool visible);
    void closeAll();
};

#endif // TRAYICON_H
