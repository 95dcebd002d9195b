#ifndef PORTWATCHER_H
#define PORTWATCHER_H

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

class QComboBox;
class QLabel;
class QWidget;

// Keeps the port box's choices up to date as ports come and go, without polling: the device
// folder and the folders of stable names are watched by the system (inotify), and the ports
// are listed again only after one of them changed. Also shows why a port did not open.
class PortWatcher : public QObject
{
    Q_OBJECT
public:
    // Entries of `portFolders` that are serial devices (or links to them) count as ports by
    // their full path, as /dev/serial/by-id/usb-... does. `storedName` stays offered. Why a
    // port did not open shows in `errorLabel`.
    PortWatcher(QComboBox *box, QWidget *label, QLabel *errorLabel, const QStringList &portFolders,
                const QString *storedName);

    // The reason as text under the box (shortened to fit, whole in the tooltips) and the box's
    // label in red, until the next attempt or another port is chosen; empty clears it.
    void showOpenFailure(const QString &reason);

    // The system's ports by name, then the ports in the folders by path.
    QStringList presentPorts() const;
    // Lists now and starts watching; portsChanged follows.
    void start();

signals:
    void portsChanged(const QStringList &present);

private:
    void watchFolders();

    QComboBox *box;
    QWidget *label;
    QLabel *errorLabel;
    const QString *storedName;
    QStringList folders;
    QFileSystemWatcher watcher;
    QTimer settle; // a plugged adapter makes several nodes: list once they are there
};

// Puts the present ports into the port box after the fixed names. Ports that went away
// leave it, unless chosen or stored; the choice and any text being typed stay as they are.
void applyPortChoices(QComboBox *box, const QStringList &present, const QString &storedName);

#endif // PORTWATCHER_H
