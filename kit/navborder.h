#ifndef NAVBORDER_H
#define NAVBORDER_H

#include <QString>

// The border part of a navigation button rule for a bar on the given side ("top",
// "right", "bottom", "left"; anything else gives nothing): the border on that side, its
// width as padding there and twice the width opposite.
QString navBorderPart(const QString &position, int width);

#endif // NAVBORDER_H
