#ifndef RANGECALC_H
#define RANGECALC_H

#include <QString>
#include <QStringList>

// Maps two (signal, sensor) points onto a standard signal range ("4-20mA", "0-5V",
// "0-10V", "0-20mA") and gives the two log lines of the range page.
struct RangeResult {
    bool valid = false;     // false when there is no range to show: see error
    QString error;          // equal signal points, or a result too large for a number
    QString actualLine;     // "实际量程: low ~ high"
    QString instrumentLine; // "仪表量程: low*10^d ~ high*10^d", whole numbers

    // What the range page logs: the two lines, or why there are none.
    QStringList lines() const
    {
        return valid ? QStringList{actualLine, instrumentLine} : QStringList{error};
    }
};

RangeResult computeRange(const QString &sensorDown, const QString &sensorUp,
                         const QString &signalDown, const QString &signalUp,
                         const QString &signalType, int decimals);

// Lower and upper end of a standard signal type; false for an unknown text.
bool standardSignalRange(const QString &signalType, float &lower, float &upper);

#endif // RANGECALC_H
