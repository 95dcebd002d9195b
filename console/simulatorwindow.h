#ifndef SIMULATORWINDOW_H
#define SIMULATORWINDOW_H

#include "registermap.h"

#include <QAbstractTableModel>
#include <QVector>
#include <QWidget>

class DeviceSimulator;
class QCheckBox;
class QLabel;
class QSpinBox;
class QTableView;
class QTimer;

// The simulated devices' map as a table: slave, table, address, value, generator; values and
// generators can be edited, and live values are worked out again on refresh().
class RegisterMapModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { SlaveColumn, TableColumn, AddressColumn, ValueColumn, GeneratorColumn };
    RegisterMapModel(DeviceSimulator *device, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Rows anew after the map changed shape (loaded, added, removed).
    void reload();
    // Values anew: a master wrote, or a generator moved on.
    void refresh();

private:
    DeviceSimulator *device;
    QVector<RegisterMap::Entry> rows;
};

// The register-map simulator's window: the map (loaded from and saved to a CSV file), the
// faults of each slave with what they did, and the switch that puts it on the line. It never
// touches the port: runToggled() asks the console.
class SimulatorWindow : public QWidget
{
    Q_OBJECT
public:
    SimulatorWindow(DeviceSimulator *device, const QString &mapPath, QWidget *parent = nullptr);
    RegisterMapModel *model() const { return mapModel; }
    // Reads the map file; a problem is shown and returned.
    QString loadMap();

public slots:
    void showWindow();

signals:
    void runToggled(bool on);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refreshLive();
    void saveMap();
    void addRow();
    void removeRow();
    void showFaults();
    void storeFaults();
    void showCounts();

    DeviceSimulator *device;
    QString mapPath;
    RegisterMapModel *mapModel;
    QTableView *view;
    QCheckBox *runBox;
    QLabel *status;
    QLabel *counts;
    QSpinBox *slaveBox;
    QVector<QSpinBox *> faultBoxes;
    QTimer *refreshTimer;
};

#endif // SIMULATORWINDOW_H
