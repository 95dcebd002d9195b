#ifndef REGISTERWINDOW_H
#define REGISTERWINDOW_H

#include "requestframe.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTimer;
class RegisterTables;

// The register tables in a window of their own: a tab per table, the poll definitions, and
// a status line with the statistics of the table shown. It never touches the port: writes
// from the table leave as writeRequested().
class RegisterWindow : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterWindow(RegisterTables *tables, QWidget *parent = nullptr);

public slots:
    void showWindow();

signals:
    void writeRequested(const RequestRow &row);

private:
    void rebuildTabs();
    void showStatistics();
    void addPoll();
    void removePoll();
    void editValue(const QModelIndex &index);

    RegisterTables *tables;
    QTabWidget *tabs;
    QLineEdit *pollEdit;
    QCheckBox *pollBox;
    QLabel *stats;
    QLabel *note;
    QTimer *statsTimer;
};

#endif // REGISTERWINDOW_H
