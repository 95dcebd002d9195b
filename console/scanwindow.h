#ifndef SCANWINDOW_H
#define SCANWINDOW_H

#include "scanner.h"

#include <QVector>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Finding devices in a window of its own: what to ask and at which line settings, the
// progress, and the devices that answered. It never touches the port: starting asks the
// console with startRequested(), which frees the port and runs the scanner.
class ScanWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ScanWindow(Scanner *scanner, QWidget *parent = nullptr);

    // The plan the window's choices make; with `formLine`, the line settings are left for
    // the console to fill in with its own.
    ScanPlan plan(bool formLine) const;

public slots:
    void showWindow();
    // Why a scan could not start.
    void showProblem(const QString &problem);

signals:
    // `formLine`: addresses only, at the console's line settings.
    void startRequested(const ScanPlan &plan, bool formLine);
    // "使用此设置": the line settings and the address of a device found.
    void applyRequested(const ScanResult &result);

private:
    void showProgress(const ScanProgress &progress);
    void addResult(const ScanResult &result);
    void finished(const QString &problem, bool cancelled);
    void setScanning(bool on);

    Scanner *scanner;
    QSpinBox *fromBox;
    QSpinBox *toBox;
    QComboBox *functionBox;
    QSpinBox *registerBox;
    QSpinBox *answerBox;
    QVector<QCheckBox *> baudChecks;
    QVector<QCheckBox *> parityChecks;
    QVector<QCheckBox *> stopChecks;
    QCheckBox *stopAtFirst;
    QPushButton *addressButton;
    QPushButton *lineButton;
    QPushButton *cancelButton;
    QPushButton *applyButton;
    QProgressBar *bar;
    QLabel *status;
    QTableWidget *table;
    QVector<ScanResult> rows;
};

#endif // SCANWINDOW_H
