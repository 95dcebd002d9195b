#include "iconhelper.h"
#include "taviappearance.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {
QString ink(const QPixmap &pix) // the first opaque pixel: a glyph's pen colour, empty when nothing is drawn
{
    const QImage img = pix.toImage().convertToFormat(QImage::Format_ARGB32);
    const auto *px = reinterpret_cast<const QRgb *>(img.constBits()), *end = px + img.width() * img.height();
    const auto *first = std::find_if(px, end, [](QRgb c) { return qAlpha(c) == 255; });
    return first == end ? QString() : QColor(*first).name();
}
QString inkOf(QToolButton *button, int state) { return ink(IconHelper::instance()->buttonPixmap(button, state)); }
} // namespace
class TestKitStyles : public QObject
{
    Q_OBJECT
private slots:
    void styleSheets()
    {
        for (int style = 0; style <= 16; ++style) {
            const QString qss = QString::fromLatin1(readFile(TaviHelper::themeFile(style)));
            TaviHelper::applyTheme(style); // panel and text colours at fixed offsets, a comment names them and six more
            QCOMPARE(TaviAppearance::PanelColor + TaviAppearance::TextColor, qss.mid(20, 7) + qss.mid(49, 7));
            QVERIFY(qss.contains("HighColor:" + TaviAppearance::HighColor + " */") && qApp->styleSheet() == qss);
        }
        QVERIFY(TaviHelper::themeFile(-1) == ":/qss/lightblue.css" && TaviHelper::themeFile(17) == ":/qss/lightblue.css");
        QString c[8] = {"a", "b", "c", "d", "e", "f", "g", "h"}, panel, text; // absent keys leave theirs; first occurrence wins; short tail
        TaviHelper::readQssColors("HighColor:#AAAAAA HighColor:#BBBBBB TextColor:#123456 PanelColor:#12", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        QCOMPARE(QStringList(c, c + 8), QStringList({"#123456", "#12", "c", "d", "e", "f", "g", "#AAAAAA"}));
        // By name: the two-colour form also sets the shared colours, the other only the caller's; a missing file changes nothing.
        TaviHelper::applyThemeFile(":/qss/flatwhite.css", panel, text);
        TaviHelper::applyThemeFile(":/qss/flatblue.css", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        TaviHelper::applyThemeFile(":/qss/none.css", panel, text);
        QCOMPARE(panel + text + TaviAppearance::HighColor + c[1] + c[7] + qApp->palette().color(QPalette::Window).name(), QString("#FFFFFF#57595B#00BB9E#0F2F4E#FFAA00#0f2f4e"));
        QWidget navBar;
        const QStringList sides = {"top", "right", "bottom", "left"}, widths = {"3px 0px 0px 0px", "0px 3px 0px 0px", "0px 0px 3px 0px", "0px 0px 0px 3px"};
        for (int i = 0; i < 4; ++i) { // the border on the bar's side, its width as padding there and twice that opposite
            TaviHelper::styleNavButtons(&navBar, sides[i], 3, "#B", "#NB", "#DB", "#NT", "#DT");
            QVERIFY2(navBar.styleSheet().contains(QString("border-width:%1;padding-%2:3px;padding-%3:6px;").arg(widths[i], sides[i], sides[(i + 2) % 4])), qPrintable(sides[i]));
        }
        QLabel label; // the last known kind is taken, the next one keeps the sheet it had
        TaviHelper::styleLabel(&label, 3);
        const QString kind3 = label.styleSheet();
        TaviHelper::styleLabel(&label, 4);
        QVERIFY(!kind3.isEmpty() && label.styleSheet() == kind3);
    }
    void glyphsAndButtonBars()
    {
        IconHelper *icons = IconHelper::instance();
        QWidget nav; // one pixmap per state, each in its own colour; the icon follows the mouse
        QToolButton a(&nav), b(&nav), stranger;
        const NavStyleColor colours{12, 15, 15, 2, "top", "#B", "#NB", "#010101", "#HB", "#020202", "#PB", "#030303", "#CB", "#040404"};
        icons->styleNavWidget(&nav, {&a, &b}, {0xF015, 0xF016}, colours);
        QCOMPARE(inkOf(&a, 0) + inkOf(&b, 1) + inkOf(&a, 2) + inkOf(&b, 3) + inkOf(&a, 4) + inkOf(&stranger, 0), QString("#010101#020202#030303#040404"));
        b.setCheckable(true);
        b.setChecked(true);
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        for (const auto &[target, event, expected] : QList<std::tuple<QToolButton *, QEvent *, QString>>{{&a, &enter, "#020202"}, {&a, &press, "#030303"}, {&a, &leave, "#010101"}, {&b, &leave, "#040404"}}) {
            QCoreApplication::sendEvent(target, event);
            QCOMPARE(ink(target->icon().pixmap(15, 15)), expected);
        }
        // Unstyled buttons lose their pixmaps, the others keep theirs.
        icons->unstyleButtons({&a, &stranger});
        QCOMPARE(inkOf(&a, 0) + inkOf(&b, 3), QString("#040404"));
        QFrame frame; // glyph lists of the wrong length and empty lists change nothing
        const QString sheet = nav.styleSheet();
        icons->styleFrameButtons(&frame, {&a, &b}, {0xF000});
        icons->styleNavWidget(&nav, {&a}, {0xF000, 0xF001});
        QVERIFY(frame.styleSheet().isEmpty() && icons->buttonPixmap(&a, true).isNull() && nav.styleSheet() == sheet);
        icons->styleFrameButtons(&frame, {&a}, {0xF000}, 12, 15, 15, "#000000", "#111111", "#222222", "#333333");
        QCOMPARE(ink(icons->buttonPixmap(&a, true)) + inkOf(&a, 3), QString("#222222#333333")); // a frame bar: one dark colour
        icons->unstyleButtons({&a, &b});
    }
    void ninePatch()
    {
        const QHash<QChar, QRgb> colours = {{'r', qRgb(255, 0, 0)}, {'g', qRgb(0, 255, 0)}, {'b', qRgb(0, 0, 255)}};
        QImage src(3, 3, QImage::Format_RGB32); // scaled to 12 x 12: red 4-pixel corners, green edges, blue centre
        for (int i = 0; i < 9; ++i)
            src.setPixel(i % 3, i / 3, colours[QString("rgrgbgrgr")[i]]);
        const QImage out = TaviHelper::ninePatch(QPixmap::fromImage(src.scaled(12, 12)), 4, 4, 60, 40).toImage();
        QString seen; // four corners, four edges, the centre near both ends
        for (QPoint at : {QPoint(1, 1), {58, 1}, {1, 38}, {58, 38}, {30, 1}, {1, 20}, {58, 20}, {30, 38}, {4, 4}, {55, 35}})
            seen += colours.key(out.pixel(at), '?');
        QCOMPARE(seen, QString("rrrrggggbb"));
    }
};

QTEST_MAIN(TestKitStyles)
#include "tst_kit_styles.moc"
