#include "rangecalc.h"

#include <QCoreApplication>

#include <cmath>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(RangeCalc)
};
} // namespace

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

RangeResult computeRange(const QString &sensorDown, const QString &sensorUp,
                         const QString &signalDown, const QString &signalUp,
                         const QString &signalType, int decimals)
{
    RangeResult result;
    const float yDown = sensorDown.toFloat();
    const float yUp = sensorUp.toFloat();
    const float xDown = signalDown.toFloat();
    const float xUp = signalUp.toFloat();
    if (xUp == xDown) {
        result.error = Texts::tr("信号输入的两个点不能相同");
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
    if (!std::isfinite(low) || !std::isfinite(high)) {
        result.error = Texts::tr("计算结果超出数值范围, 请检查输入");
        return result;
    }

    // "-0" is no range anyone wants to read: a zero prints without its sign.
    const auto whole = [](double v) {
        const QString text = QString::number(v, 'f', 0);
        return text == QLatin1String("-0") ? QStringLiteral("0") : text;
    };
    result.valid = true;
    result.actualLine =
        Texts::tr("实际量程: %1 ~ %2").arg(double(low) + 0.0).arg(double(high) + 0.0);
    result.instrumentLine = Texts::tr("仪表量程: %1 ~ %2")
                                .arg(whole(double(low) * factor), whole(double(high) * factor));
    return result;
}
