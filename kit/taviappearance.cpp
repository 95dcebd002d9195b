#include "taviappearance.h"

QString TaviAppearance::FontName = QStringLiteral("Microsoft Yahei");
int TaviAppearance::FontSize = 12;

QChar TaviAppearance::IconMain = QChar(0xF072);
QChar TaviAppearance::IconMenu = QChar(0xF0D7);
QChar TaviAppearance::IconMin = QChar(0xF068);
QChar TaviAppearance::IconMax = QChar(0xF2D2);
QChar TaviAppearance::IconNormal = QChar(0xF2D0);
QChar TaviAppearance::IconClose = QChar(0xF00D);

QString TaviAppearance::TextColor = QStringLiteral("#F0F0F0");
QString TaviAppearance::PanelColor = QStringLiteral("#F0F0F0");
QString TaviAppearance::BorderColor = QStringLiteral("#F0F0F0");
QString TaviAppearance::NormalColorStart = QStringLiteral("#F0F0F0");
QString TaviAppearance::NormalColorEnd = QStringLiteral("#F0F0F0");
QString TaviAppearance::DarkColorStart = QStringLiteral("#F0F0F0");
QString TaviAppearance::DarkColorEnd = QStringLiteral("#F0F0F0");
QString TaviAppearance::HighColor = QStringLiteral("#F0F0F0");
