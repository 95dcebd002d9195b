#include "rangecalc.h"

#include <cmath>

bool standardSignalRange(const QString &signalType, float &lower, float &upper)
{
    if (signalType == QLatin1String("4-20mA")) {
        lower = 4;
        upper = 20;
    } else if (signalType == QLatin1String("0-20mA")) {
        lower = 0;
        upper = 20;
    } else if (signalType == QLatin1String("0-5V")) {
        lower = 0;
        upper = 5;
    } else if (signalType == QLatin1String("0-10V")) {
        lower = 0;
        upper = 10;
    } else {
        return false;
    }
    return true;
}

RangeResult computeRange(const QString &sensorDown, const QString &sensorUp, const QString &signalDown,
                         const QString &signalUp, const QString &signalType, int decimals)
{
    RangeResult result;
    const float yDown = sensorDown.toFloat();
    const float yUp = sensorUp.toFloat();
    const float xDown = signalDown.toFloat();
    const float xUp = signalUp.toFloat();
    if (xUp == xDown) {
        return result;
    }
    float lower = 0;
    float upper = 0;
    standardSignalRange(signalType, lower, upper);

    const float k = (yUp - yDown) / (xUp - xDown);
    const float b = yDown - xDown * k;
    const float low = b + k * lower;
    const float high = b + k * upper;
    const double factor = std::pow(10.0, decimals);

    result.valid = true;
    result.actualLine = QStringLiteral("实际量程: %1 ~ %2").arg(double(low)).arg(double(high));
    result.instrumentLine = QStringLiteral("仪表量程: %1 ~ %2")
                                .arg(QString::number(double(low) * factor, 'f', 0),
                                     QString::number(double(high) * factor, 'f', 0));
    return result;
}
