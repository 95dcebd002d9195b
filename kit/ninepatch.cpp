// Scales a frame image to any size while keeping its corners and border widths.
#include "tavihelper.h"

#include <QPainter>
#include <QPixmap>

QPixmap TaviHelper::ninePatch(const QPixmap &source, int horzSplit, int vertSplit, int dstWidth,
                              int dstHeight)
{
    const int w = source.width();
    const int h = source.height();
    const int hs = horzSplit;
    const int vs = vertSplit;
    const int midW = dstWidth - 2 * hs;
    const int midH = dstHeight - 2 * vs;
    auto cut = [&](int x, int y, int cw, int ch) { return source.copy(x, y, cw, ch); };
    auto scaled = [](const QPixmap &p, int sw, int sh) {
        return p.scaled(sw, sh, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    };

    const QPixmap topLeft = cut(0, 0, hs, vs);
    const QPixmap top = scaled(cut(hs, 0, w - 2 * hs, vs), midW, vs);
    const QPixmap topRight = cut(w - hs, 0, hs, vs);
    const QPixmap left = scaled(cut(0, vs, hs, h - 2 * vs), hs, midH);
    const QPixmap centre = scaled(cut(hs, vs, w - 2 * hs, h - 2 * vs), midW, midH);
    const QPixmap right = scaled(cut(w - hs, vs, hs, h - 2 * vs), hs, midH);
    const QPixmap bottomLeft = cut(0, h - vs, hs, vs);
    const QPixmap bottom = scaled(cut(hs, h - vs, w - 2 * hs, vs), midW, vs);
    const QPixmap bottomRight = cut(w - hs, h - vs, hs, vs);

    QPixmap result(dstWidth, dstHeight);
    if (result.isNull()) {
        return result;
    }
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawPixmap(0, 0, topLeft);
    painter.drawPixmap(hs, 0, top);
    painter.drawPixmap(dstWidth - hs, 0, topRight);
    painter.drawPixmap(0, vs, left);
    painter.drawPixmap(hs, vs, centre);
    painter.drawPixmap(dstWidth - hs, vs, right);
    painter.drawPixmap(0, dstHeight - vs, bottomLeft);
    painter.drawPixmap(hs, dstHeight - vs, bottom);
    painter.drawPixmap(dstWidth - hs, dstHeight - vs, bottomRight);
    painter.end();
    return result;
}

QPixmap TaviHelper::ninePatch(const QString &picName, int horzSplit, int vertSplit, int dstWidth,
                              int dstHeight)
{
    return ninePatch(QPixmap(picName), horzSplit, vertSplit, dstWidth, dstHeight);
}
