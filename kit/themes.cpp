// Theme style sheets and small per-widget style sheets.
#include "navborder.h"
#include "taviappearance.h"
#include "tavihelper.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

namespace {

// Reads a theme file as Latin-1 up to its first zero byte; false when it cannot be opened.
bool readThemeText(const QString &fileName, QString &qss)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    const int end = bytes.indexOf('\0');
    qss = QString::fromLatin1(bytes.constData(), end < 0 ? bytes.size() : end);
    return true;
}

void applyPaletteAndSheet(const QString &paletteColor, const QString &qss)
{
    qApp->setPalette(QPalette(QColor(paletteColor)));
    qApp->setStyleSheet(qss);
}

void readIntoAppearance(const QString &qss)
{
    TaviHelper::readQssColors(qss, TaviAppearance::TextColor, TaviAppearance::PanelColor,
                              TaviAppearance::BorderColor, TaviAppearance::NormalColorStart,
                              TaviAppearance::NormalColorEnd, TaviAppearance::DarkColorStart,
                              TaviAppearance::DarkColorEnd, TaviAppearance::HighColor);
}

} // namespace

QString navBorderPart(const QString &position, int width)
{
    QString part;
    if (position == QLatin1String("top")) {
        part =
            QStringLiteral("border-width:%1px 0px 0px 0px;padding-top:%1px;padding-bottom:%2px;");
    } else if (position == QLatin1String("right")) {
        part =
            QStringLiteral("border-width:0px %1px 0px 0px;padding-right:%1px;padding-left:%2px;");
    } else if (position == QLatin1String("bottom")) {
        part =
            QStringLiteral("border-width:0px 0px %1px 0px;padding-bottom:%1px;padding-top:%2px;");
    } else if (position == QLatin1String("left")) {
        part =
            QStringLiteral("border-width:0px 0px 0px %1px;padding-left:%1px;padding-right:%2px;");
    } else {
        return QString();
    }
    return part.arg(width).arg(width * 2);
}

QString TaviHelper::themeFile(int style)
{
    static const char *const files[] = {
        ":/qss/silvery.css",    ":/qss/blue.css",      ":/qss/lightblue.css", ":/qss/darkblue.css",
        ":/qss/gray.css",       ":/qss/lightgray.css", ":/qss/darkgray.css",  ":/qss/black.css",
        ":/qss/lightblack.css", ":/qss/darkblack.css", ":/qss/psblack.css",   ":/qss/flatblack.css",
        ":/qss/flatwhite.css",  ":/qss/flatblue.css",  ":/qss/purple.css",    ":/qss/blackblue.css",
        ":/qss/blackvideo.css",
    };
    if (style < 0 || style >= int(sizeof files / sizeof files[0])) {
        return QStringLiteral(":/qss/lightblue.css");
    }
    return QString::fromLatin1(files[style]);
}

void TaviHelper::readQssColors(const QString &qss, QString &textColor, QString &panelColor,
                               QString &borderColor, QString &normalColorStart,
                               QString &normalColorEnd, QString &darkColorStart,
                               QString &darkColorEnd, QString &highColor)
{
    const QList<QPair<const char *, QString *>> keys = {
        {"TextColor:", &textColor},           {"PanelColor:", &panelColor},
        {"BorderColor:", &borderColor},       {"NormalColorStart:", &normalColorStart},
        {"NormalColorEnd:", &normalColorEnd}, {"DarkColorStart:", &darkColorStart},
        {"DarkColorEnd:", &darkColorEnd},     {"HighColor:", &highColor},
    };
    for (const auto &key : keys) {
        const QString name = QLatin1String(key.first);
        const int at = qss.indexOf(name);
        if (at >= 0) {
            *key.second = qss.mid(at + name.size(), 7);
        }
    }
}

void TaviHelper::applyTheme(int style)
{
    QString qss;
    if (!readThemeText(themeFile(style), qss)) {
        return;
    }
    readIntoAppearance(qss);
    applyPaletteAndSheet(qss.mid(20, 7), qss);
}

void TaviHelper::applyThemeFile(const QString &qssFile, QString &paletteColor, QString &textColor)
{
    QString qss;
    if (!readThemeText(qssFile, qss)) {
        return;
    }
    paletteColor = qss.mid(20, 7);
    textColor = qss.mid(49, 7);
    readIntoAppearance(qss);
    applyPaletteAndSheet(paletteColor, qss);
}

void TaviHelper::applyThemeFile(const QString &qssFile, QString &textColor, QString &panelColor,
                                QString &borderColor, QString &normalColorStart,
                                QString &normalColorEnd, QString &darkColorStart,
                                QString &darkColorEnd, QString &highColor)
{
    QString qss;
    if (!readThemeText(qssFile, qss)) {
        return;
    }
    readQssColors(qss, textColor, panelColor, borderColor, normalColorStart, normalColorEnd,
                  darkColorStart, darkColorEnd, highColor);
    applyPaletteAndSheet(panelColor, qss);
}

void TaviHelper::styleLabel(QLabel *label, quint8 kind)
{
    static const char *const bases[] = {
        "QLabel{border:none;background-color:rgb(214,64,48);color:rgb(255,255,255);}",
        "QLabel{border:none;background-color:rgb(46,138,87);color:rgb(255,255,255);}",
        "QLabel{border:none;background-color:rgb(67,122,203);color:rgb(255,255,255);}",
        "QLabel{border:none;background-color:rgb(75,75,75);color:rgb(255,255,255);}",
    };
    if (kind > 3) {
        return;
    }
    const QString disabled = QStringLiteral("QLabel::disabled{background:none;color:%1;}")
                                 .arg(TaviAppearance::BorderColor);
    label->setStyleSheet(QLatin1String(bases[kind]) + disabled);
}

void TaviHelper::styleNavButtons(QWidget *widget, const QString &position, int borderWidth,
                                 const QString &borderColor, const QString &normalBgColor,
                                 const QString &darkBgColor, const QString &normalTextColor,
                                 const QString &darkTextColor)
{
    QStringList rules;
    rules << QStringLiteral("QWidget[flag=\"%1\"] "
                            "QAbstractButton{border-style:none;border-radius:0px;padding:5px;color:"
                            "%2;background:%3;}")
                 .arg(position)
                 .arg(normalTextColor)
                 .arg(normalBgColor);
    rules << QStringLiteral("QWidget[flag=\"%1\"] QAbstractButton:hover,QWidget[flag=\"%1\"] "
                            "QAbstractButton:pressed,"
                            "QWidget[flag=\"%1\"] "
                            "QAbstractButton:checked{border-style:solid;%2border-color:%3;color:%4;"
                            "background:%5;}")
                 .arg(position)
                 .arg(navBorderPart(position, borderWidth))
                 .arg(borderColor)
                 .arg(darkTextColor)
                 .arg(darkBgColor);
    widget->setStyleSheet(rules.join(QString()));
}

QString TaviHelper::stylePushButton(QPushButton *button, int radius, int padding,
                                    const QString &normalBgColor, const QString &normalTextColor,
                                    const QString &hoverBgColor, const QString &hoverTextColor,
                                    const QString &pressedBgColor, const QString &pressedTextColor)
{
    QStringList rules;
    rules << QStringLiteral("QPushButton{border-style:none;padding:%1px;border-radius:%2px;color:%"
                            "3;background:%4;}")
                 .arg(padding)
                 .arg(radius)
                 .arg(normalTextColor)
                 .arg(normalBgColor);
    rules << QStringLiteral("QPushButton:hover{color:%1;background:%2;}")
                 .arg(hoverTextColor)
                 .arg(hoverBgColor);
    rules << QStringLiteral("QPushButton:pressed{color:%1;background:%2;}")
                 .arg(pressedTextColor)
                 .arg(pressedBgColor);
    const QString qss = rules.join(QString());
    button->setStyleSheet(qss);
    return qss;
}

QString TaviHelper::styleLineEdit(QLineEdit *lineEdit, int radius, int borderWidth,
                                  const QString &normalColor, const QString &focusColor)
{
    QStringList rules;
    rules
        << QStringLiteral(
               "QLineEdit{border-style:none;padding:3px;border-radius:%1px;border:%2px solid %3;}")
               .arg(radius)
               .arg(borderWidth)
               .arg(normalColor);
    rules << QStringLiteral("QLineEdit:focus{border:%1px solid %2;}")
                 .arg(borderWidth)
                 .arg(focusColor);
    const QString qss = rules.join(QString());
    lineEdit->setStyleSheet(qss);
    return qss;
}

QString TaviHelper::styleProgressBar(QProgressBar *bar, int barHeight, int barRadius, int fontSize,
                                     const QString &normalColor, const QString &chunkColor)
{
    QStringList rules;
    rules << QStringLiteral("QProgressBar{font:%1pt;background:%2;max-height:%3px;border-radius:%"
                            "4px;text-align:center;border:1px solid %2;}")
                 .arg(fontSize)
                 .arg(normalColor)
                 .arg(barHeight)
                 .arg(barRadius);
    rules << QStringLiteral("QProgressBar:chunk{border-radius:%2px;background-color:%1;}")
                 .arg(chunkColor)
                 .arg(barRadius);
    const QString qss = rules.join(QString());
    bar->setStyleSheet(qss);
    return qss;
}

QString TaviHelper::styleSlider(QSlider *slider, int sliderHeight, const QString &normalColor,
                                const QString &grooveColor, const QString &handleBorderColor,
                                const QString &handleColor, const QString &textColor)
{
    const int h = sliderHeight;
    const int half = h / 2;
    const int handle = h * 3 / 2 + h / 5;
    const int extent = h / 5 + handle;
    const int margin = handle / 4;
    const int corner = handle / 2;
    const QString handleRule =
        QStringLiteral("background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0."
                       "5,stop:0.6 %1,stop:0.8 %2);}");

    QStringList rules;
    rules << QStringLiteral("QSlider::horizontal{min-height:%1px;color:%2;}")
                 .arg(h * 2)
                 .arg(textColor);
    rules << QStringLiteral(
                 "QSlider::groove:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                 .arg(normalColor)
                 .arg(h)
                 .arg(half);
    rules << QStringLiteral(
                 "QSlider::add-page:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                 .arg(normalColor)
                 .arg(h)
                 .arg(half);
    rules << QStringLiteral(
                 "QSlider::sub-page:horizontal{background:%1;height:%2px;border-radius:%3px;}")
                 .arg(grooveColor)
                 .arg(h)
                 .arg(half);
    rules << (QStringLiteral("QSlider::handle:horizontal{width:%3px;margin-top:-%4px;margin-bottom:"
                             "-%4px;border-radius:%5px;")
              + handleRule)
                 .arg(handleColor)
                 .arg(handleBorderColor)
                 .arg(extent - 1)
                 .arg(margin)
                 .arg(corner);
    rules
        << QStringLiteral("QSlider::vertical{min-width:%1px;color:%2;}").arg(h * 2).arg(textColor);
    rules << QStringLiteral(
                 "QSlider::groove:vertical{background:%1;width:%2px;border-radius:%3px;}")
                 .arg(normalColor)
                 .arg(h)
                 .arg(half);
    rules << QStringLiteral(
                 "QSlider::add-page:vertical{background:%1;width:%2px;border-radius:%3px;}")
                 .arg(grooveColor)
                 .arg(h)
                 .arg(half);
    rules << QStringLiteral(
                 "QSlider::sub-page:vertical{background:%1;width:%2px;border-radius:%3px;}")
                 .arg(normalColor)
                 .arg(h)
                 .arg(half);
    rules << (QStringLiteral("QSlider::handle:vertical{height:%3px;margin-left:-%4px;margin-right:-"
                             "%4px;border-radius:%5px;")
              + handleRule)
                 .arg(handleColor)
                 .arg(handleBorderColor)
                 .arg(extent)
                 .arg(margin)
                 .arg(corner);
    const QString qss = rules.join(QString());
    slider->setStyleSheet(qss);
    return qss;
}

QString TaviHelper::styleRadioButton(QRadioButton *button, int indicatorRadius,
                                     const QString &normalColor, const QString &checkedColor)
{
    QStringList rules;
    rules << QStringLiteral("QRadioButton::indicator{border-radius:%1px;width:%2px;height:%2px;}")
                 .arg(indicatorRadius)
                 .arg(indicatorRadius * 2);
    rules << QStringLiteral("QRadioButton::indicator::unchecked{background:qradialgradient(spread:"
                            "pad,cx:0.5,cy:0.5,"
                            "radius:0.5,fx:0.5,fy:0.5,stop:0.6 #FFFFFF,stop:0.7 %1);}")
                 .arg(normalColor);
    rules << QStringLiteral("QRadioButton::indicator::checked{background:qradialgradient(spread:"
                            "pad,cx:0.5,cy:0.5,"
                            "radius:0.5,fx:0.5,fy:0.5,stop:0 %1,stop:0.3 %1,stop:0.4 "
                            "#FFFFFF,stop:0.6 #FFFFFF,stop:0.7 %1);}")
                 .arg(checkedColor);
    const QString qss = rules.join(QString());
    button->setStyleSheet(qss);
    return qss;
}

QString TaviHelper::styleScrollBar(QScrollBar *bar, int radius, int handleMin, int barSize,
                                   const QString &bgColor, const QString &handleNormalColor,
                                   const QString &handleHoverColor,
                                   const QString &handlePressedColor)
{
    QStringList rules;
    rules << QStringLiteral("QScrollBar:horizontal{background:%1;padding:%2px;border-radius:%3px;"
                            "min-height:%4px;max-height:%4px;}")
                 .arg(bgColor)
                 .arg(0)
                 .arg(radius)
                 .arg(barSize);
    rules << QStringLiteral(
                 "QScrollBar::handle:horizontal{background:%1;min-width:%2px;border-radius:%3px;}")
                 .arg(handleNormalColor)
                 .arg(handleMin)
                 .arg(radius);
    rules << QStringLiteral("QScrollBar::handle:horizontal:hover{background:%1;}")
                 .arg(handleHoverColor);
    rules << QStringLiteral("QScrollBar::handle:horizontal:pressed{background:%1;}")
                 .arg(handlePressedColor);
    rules << QStringLiteral("QScrollBar::add-page:horizontal{background:none;}");
    rules << QStringLiteral("QScrollBar::sub-page:horizontal{background:none;}");
    rules << QStringLiteral("QScrollBar::add-line:horizontal{background:none;}");
    rules << QStringLiteral("QScrollBar::sub-line:horizontal{background:none;}");
    rules << QStringLiteral("QScrollBar:vertical{background:%1;padding:%2px;border-radius:%3px;min-"
                            "width:%4px;max-width:%4px;}")
                 .arg(bgColor)
                 .arg(0)
                 .arg(radius)
                 .arg(barSize);
    rules << QStringLiteral(
                 "QScrollBar::handle:vertical{background:%1;min-height:%2px;border-radius:%3px;}")
                 .arg(handleNormalColor)
                 .arg(handleMin)
                 .arg(radius);
    rules << QStringLiteral("QScrollBar::handle:vertical:hover{background:%1;}")
                 .arg(handleHoverColor);
    rules << QStringLiteral("QScrollBar::handle:vertical:pressed{background:%1;}")
                 .arg(handlePressedColor);
    rules << QStringLiteral("QScrollBar::add-page:vertical{background:none;}");
    rules << QStringLiteral("QScrollBar::sub-page:vertical{background:none;}");
    rules << QStringLiteral("QScrollBar::add-line:vertical{background:none;}");
    rules << QStringLiteral("QScrollBar::sub-line:vertical{background:none;}");
    const QString qss = rules.join(QString());
    bar->setStyleSheet(qss);
    return qss;
}
