// The kit's looks: theme sheets and their colours, bar borders, glyph buttons, nine-patch.
#include "iconhelper.h"
#include "taviappearance.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// The first opaque pixel: a glyph's pen colour, empty when nothing is drawn.
QString ink(const QPixmap &pix)
{
    const QImage img = pix.toImage().convertToFormat(QImage::Format_ARGB32);
    const auto *px = reinterpret_cast<const QRgb *>(img.constBits());
    const auto *end = px + img.width() * img.height();
    const auto *first = std::find_if(px, end, [](QRgb c) { return qAlpha(c) == 255; });
    return first == end ? QString() : QColor(*first).name();
}

QString inkOf(QToolButton *button, int state)
{
    return ink(IconHelper::instance()->buttonPixmap(button, state));
}
} // namespace

class TestKitStyles : public QObject
{
    Q_OBJECT
private slots:
    void themes()
    {
        // Panel and text colours at fixed places of each sheet, a comment names six more.
        for (int style = 0; style <= 16; ++style) {
            const QString qss = QString::fromLatin1(readFile(TaviHelper::themeFile(style)));
            TaviHelper::applyTheme(style);
            QCOMPARE(qApp->styleSheet(), qss);
            QCOMPARE(TaviAppearance::PanelColor, qss.mid(20, 7));
            QCOMPARE(TaviAppearance::TextColor, qss.mid(49, 7));
            QVERIFY(qss.contains("HighColor:" + TaviAppearance::HighColor + " */"));
        }
        QCOMPARE(TaviHelper::themeFile(-1), QString(":/qss/lightblue.css"));
        QCOMPARE(TaviHelper::themeFile(17), QString(":/qss/lightblue.css"));
    }

    void themeColours()
    {
        // Absent keys leave theirs; the first of a key counts; a short tail is taken as it is.
        QString c[8] = {"a", "b", "c", "d", "e", "f", "g", "h"};
        TaviHelper::readQssColors(
            "HighColor:#AAAAAA HighColor:#BBBBBB TextColor:#123456 PanelColor:#12", c[0], c[1],
            c[2], c[3], c[4], c[5], c[6], c[7]);
        QCOMPARE(QStringList(c, c + 8),
                 QStringList({"#123456", "#12", "c", "d", "e", "f", "g", "#AAAAAA"}));
        // By file name: the two-colour form also sets the shared colours, the other only the
        // caller's; a missing file changes nothing.
        QString panel, text;
        TaviHelper::applyThemeFile(":/qss/flatwhite.css", panel, text);
        TaviHelper::applyThemeFile(":/qss/flatblue.css", c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                                   c[7]);
        TaviHelper::applyThemeFile(":/qss/none.css", panel, text);
        QCOMPARE(panel, QString("#FFFFFF"));
        QCOMPARE(text, QString("#57595B"));
        QCOMPARE(TaviAppearance::HighColor, QString("#00BB9E"));
        QCOMPARE(c[1], QString("#0F2F4E"));
        QCOMPARE(c[7], QString("#FFAA00"));
        QCOMPARE(qApp->palette().color(QPalette::Window).name(), QString("#0f2f4e"));
    }

    void barBorders()
    {
        // The border on the bar's side, its width as padding there and twice that opposite.
        const auto sheet = [](const char *side) {
            QWidget bar;
            TaviHelper::styleNavButtons(&bar, side, 3, "#B", "#NB", "#DB", "#NT", "#DT");
            return bar.styleSheet();
        };
        QVERIFY(sheet("top").contains(
            "border-width:3px 0px 0px 0px;padding-top:3px;padding-bottom:6px;"));
        QVERIFY(sheet("right").contains(
            "border-width:0px 3px 0px 0px;padding-right:3px;padding-left:6px;"));
        QVERIFY(sheet("bottom").contains(
            "border-width:0px 0px 3px 0px;padding-bottom:3px;padding-top:6px;"));
        QVERIFY(sheet("left").contains(
            "border-width:0px 0px 0px 3px;padding-left:3px;padding-right:6px;"));
    }

    void labels()
    {
        // The last known kind is taken; the next one keeps the sheet the label had.
        QLabel label;
        TaviHelper::styleLabel(&label, 3);
        const QString kind3 = label.styleSheet();
        TaviHelper::styleLabel(&label, 4);
        QVERIFY(!kind3.isEmpty());
        QCOMPARE(label.styleSheet(), kind3);
    }

    void navigationGlyphs()
    {
        // One pixmap per state, each in its own colour; the icon follows the mouse.
        IconHelper *icons = IconHelper::instance();
        QWidget nav;
        QToolButton a(&nav), b(&nav), stranger;
        const NavStyleColor colours{12,    15,        15,        2,        "top",
                                    "#B",  "#NB",     "#010101", "#HB",    "#020202",
                                    "#PB", "#030303", "#CB",     "#040404"};
        icons->styleNavWidget(&nav, {&a, &b}, {0xF015, 0xF016}, colours);
        QCOMPARE(inkOf(&a, 0), QString("#010101"));
        QCOMPARE(inkOf(&b, 1), QString("#020202"));
        QCOMPARE(inkOf(&a, 2), QString("#030303"));
        QCOMPARE(inkOf(&b, 3), QString("#040404"));
        QCOMPARE(inkOf(&a, 4), QString());
        QCOMPARE(inkOf(&stranger, 0), QString());
        b.setCheckable(true);
        b.setChecked(true);
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        const auto after = [](QToolButton *button, QEvent *event) {
            QCoreApplication::sendEvent(button, event);
            return ink(button->icon().pixmap(15, 15));
        };
        QCOMPARE(after(&a, &enter), QString("#020202"));
        QCOMPARE(after(&a, &press), QString("#030303"));
        QCOMPARE(after(&a, &leave), QString("#010101"));
        QCOMPARE(after(&b, &leave), QString("#040404")); // checked
        // Unstyled buttons lose their pixmaps, the others keep theirs.
        icons->unstyleButtons({&a, &stranger});
        QCOMPARE(inkOf(&a, 0), QString());
        QCOMPARE(inkOf(&b, 3), QString("#040404"));
        icons->unstyleButtons({&b});
    }

    void frameGlyphs()
    {
        // Glyph lists of the wrong length change nothing; a frame bar has one dark colour.
        IconHelper *icons = IconHelper::instance();
        QFrame frame;
        QWidget nav;
        QToolButton a(&frame), b(&frame);
        icons->styleFrameButtons(&frame, {&a, &b}, {0xF000});
        icons->styleNavWidget(&nav, {&a}, {0xF000, 0xF001});
        QCOMPARE(frame.styleSheet(), QString());
        QCOMPARE(nav.styleSheet(), QString());
        QVERIFY(icons->buttonPixmap(&a, true).isNull());
        icons->styleFrameButtons(&frame, {&a}, {0xF000}, 12, 15, 15, "#000000", "#111111",
                                 "#222222", "#333333");
        QCOMPARE(ink(icons->buttonPixmap(&a, true)), QString("#222222"));
        QCOMPARE(inkOf(&a, 3), QString("#333333"));
        icons->unstyleButtons({&a});
    }

    void ninePatch()
    {
        // Scaled to 12 x 12: red 4-pixel corners, green edges, blue centre.
        const QHash<QChar, QRgb> colours = {
            {'r', qRgb(255, 0, 0)}, {'g', qRgb(0, 255, 0)}, {'b', qRgb(0, 0, 255)}};
        QImage src(3, 3, QImage::Format_RGB32);
        for (int i = 0; i < 9; ++i) {
            src.setPixel(i % 3, i / 3, colours[QString("rgrgbgrgr")[i]]);
        }
        const QPixmap scaled = QPixmap::fromImage(src.scaled(12, 12));
        const QImage out = TaviHelper::ninePatch(scaled, 4, 4, 60, 40).toImage();
        QString seen; // four corners, four edges, the centre near both ends
        for (QPoint at : {QPoint(1, 1),
                          {58, 1},
                          {1, 38},
                          {58, 38},
                          {30, 1},
                          {1, 20},
                          {58, 20},
                          {30, 38},
                          {4, 4},
                          {55, 35}}) {
            seen += colours.key(out.pixel(at), '?');
        }
        QCOMPARE(seen, QString("rrrrggggbb"));
    }
};

QTEST_MAIN(TestKitStyles)
#include "tst_kit_styles.moc"
