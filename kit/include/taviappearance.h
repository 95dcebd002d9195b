#ifndef TAVIAPPEARANCE_H
#define TAVIAPPEARANCE_H

#include <QChar>
#include <QString>

// Process-wide look of the kit: font, title-bar glyphs and the current theme's colours.
class TaviAppearance
{
public:
    static QString FontName;
    static int FontSize;

    static QChar IconMain;
    static QChar IconMenu;
    static QChar IconMin;
    static QChar IconMax;
    static QChar IconNormal;
    static QChar IconClose;

    static QString TextColor;
    static QString PanelColor;
    static QString BorderColor;
    static QString NormalColorStart;
    static QString NormalColorEnd;
    static QString DarkColorStart;
    static QString DarkColorEnd;
    static QString HighColor;
};

#endif // TAVIAPPEARANCE_H
