#ifndef BUSMONITORWINDOW_H
#define BUSMONITORWINDOW_H

#include <QWidget>

class BusMonitor;
class BusMonitorModel;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;
struct PortSettings;

// The bus monitor in a window of its own: the frames heard, the timing it frames by, and the
// captures. It never touches the port: starting asks the console with startRequested(), which
// hands the line to the monitor.
class BusMonitorWindow : public QWidget
{
    Q_OBJECT
public:
    BusMonitorWindow(BusMonitor *monitor, BusMonitorModel *model, QWidget *parent = nullptr);

public slots:
    void showWindow();

signals:
    void startRequested();

private:
    void started(const PortSettings &line);
    void stopped(const QString &problem);
    void applyOptions();
    void showCounts();
    void saveCsv();
    void savePcap();
    void loadCsv();

    BusMonitor *monitor;
    BusMonitorModel *model;
    QPushButton *startButton;
    QDoubleSpinBox *gapBox;
    QComboBox *formatBox;
    QLabel *timing;
    QLabel *counts;
    QLabel *note;
    QTableView *view;
    QTimer *refresh;
    bool following = true;
};

#endif // BUSMONITORWINDOW_H
