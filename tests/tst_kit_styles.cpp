#include "iconhelper.h"
#include "taviappearance.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {
// The colour of the first opaque pixel: a glyph's pen colour, empty when nothing is drawn.
QString ink(const QPixmap &pix)
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
        QSet<QString> palettes;
        for (int style = 0; style <= 16; ++style) {
            const QString qss = QString::fromLatin1(readFile(TaviHelper::themeFile(style)));
            TaviHelper::applyTheme(style);
            // Panel and text colours sit at fixed offsets; a comment names them and six more.
            QCOMPARE(TaviAppearance::PanelColor + TaviAppearance::TextColor, qss.mid(20, 7) + qss.mid(49, 7));
            QVERIFY(QColor::isValidColor(TaviAppearance::HighColor) && qss.contains("HighColor:" + TaviAppearance::HighColor + " */"));
            QVERIFY(qApp->styleSheet() == qss && qApp->palette().color(QPalette::Window) == QColor(TaviAppearance::PanelColor));
            palettes.insert(TaviAppearance::PanelColor + TaviAppearance::TextColor);
        }
        QVERIFY(palettes.size() == 17 && TaviHelper::themeFile(-1) == ":/qss/lightblue.css" && TaviHelper::themeFile(17) == ":/qss/lightblue.css");
        // Absent keys leave their strings alone; the first occurrence wins; a short tail gives a short value.
        QString c[8] = {"a", "b", "c", "d", "e", "f", "g", "h"}, panel, text;
        TaviHelper::readQssColors("HighColor:#AAAAAA HighColor:#BBBBBB TextColor:#123456 PanelColor:#12", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        QCOMPARE(QStringList(c, c + 8), QStringList({"#123456", "#12", "c", "d", "e", "f", "g", "#AAAAAA"}));
        // By name: the two-colour form also sets the shared colours, the other only the caller's; a missing file changes nothing.
        TaviHelper::applyThemeFile(":/qss/flatwhite.css", panel, text);
        TaviHelper::applyThemeFile(":/qss/flatblue.css", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
        TaviHelper::applyThemeFile(":/qss/none.css", panel, text);
        QCOMPARE(panel + text + TaviAppearance::HighColor + c[1] + c[7], QString("#FFFFFF#57595B#00BB9E#0F2F4E#FFAA00"));
        QVERIFY(qApp->palette().color(QPalette::Window) == QColor("#0F2F4E") && qApp->styleSheet().startsWith("QPalette{background:#0F2F4E;}"));
        // Widget sheets: each row holds a generated sheet and pieces computed from the arguments.
        QPushButton button; QLineEdit edit; QProgressBar bar; QRadioButton radio; QSlider slider; QScrollBar scroll; QLabel label; QWidget navBar;
        const auto nav = [&navBar](const QString &side, int width) {
            TaviHelper::styleNavButtons(&navBar, side, width, "#B", "#NB", "#DB", "#NT", "#DT");
            return navBar.styleSheet();
        };
        const QList<QPair<QString, QStringList>> rows = {
            {TaviHelper::stylePushButton(&button, 5, 8, "#NB", "#NT", "#HB", "#HT", "#PB", "#PT"), {"padding:8px;border-radius:5px;color:#NT;"}},
            {TaviHelper::styleLineEdit(&edit, 4, 2, "#N", "#F"), {"border-radius:4px;border:2px solid #N;}", "focus{border:2px solid #F;}"}},
            {TaviHelper::styleProgressBar(&bar, 8, 5, 9, "#N", "#C"), {"font:9pt;background:#N;max-height:8px;border-radius:5px;", "chunk{border-radius:5px;"}},
            {TaviHelper::styleRadioButton(&radio, 7, "#N", "#C"), {"{border-radius:7px;width:14px;height:14px;}"}},
            {TaviHelper::styleSlider(&slider, 8, "#N", "#G", "#HB", "#H", "#T"), {"horizontal{min-height:16px;", "height:8px;border-radius:4px;}",
             "add-page:vertical{background:#G;", "horizontal{width:13px;margin-top:-3px;margin-bottom:-3px;border-radius:6px;", "vertical{height:14px;"}},
            {TaviHelper::styleScrollBar(&scroll, 4, 50, 10, "#B", "#N", "#H", "#P"), {"radius:4px;min-height:10px;max-height:10px;}", "#N;min-height:50px;"}},
            // Navigation buttons: the border on the bar's side, its width as padding there and twice that opposite.
            {nav("top", 3), {"padding:5px;color:#NT;background:#NB;}", "width:3px 0px 0px 0px;padding-top:3px;padding-bottom:6px;border-color:#B;"}},
            {nav("right", 1), {"border-width:0px 1px 0px 0px;padding-right:1px;padding-left:2px;border-color:#B;"}},
            {nav("bottom", 4), {"border-width:0px 0px 4px 0px;padding-bottom:4px;padding-top:8px;border-color:#B;"}},
            {nav("left", 2), {"border-width:0px 0px 0px 2px;padding-left:2px;padding-right:4px;border-color:#B;"}},
            {nav("Top", 3), {"QWidget[flag=\"Top\"] QAbstractButton:checked{border-style:solid;border-color:#B;"}},
        };
        for (const auto &[sheet, pieces] : rows) {
            QVERIFY2(std::all_of(pieces.begin(), pieces.end(), [&sheet = sheet](const QString &p) { return sheet.contains(p); }), qPrintable(sheet));
        }
        for (int kind = 0; kind <= 4; ++kind) { // kind 4 is unknown: the sheet of kind 3 stays
            TaviHelper::styleLabel(&label, quint8(kind));
            const QString rgb = QStringList({"214,64,48", "46,138,87", "67,122,203", "75,75,75", "75,75,75"})[kind];
            QVERIFY(label.styleSheet().contains("color:rgb(" + rgb + ")") && label.styleSheet().endsWith(TaviAppearance::BorderColor + ";}"));
        }
    }

    void glyphsAndButtonBars()
    {
        IconHelper *icons = IconHelper::instance();
        QPushButton button;
        icons->setIcon(&button, QChar(0xF00D), 14);
        QVERIFY(button.text() == QChar(0xF00D) && button.font().pixelSize() == 14 && button.font().family() == "FontAwesome");
        QCOMPARE(ink(icons->glyphPixmap(Qt::red, QChar(0xF00D), 14, 20, 20)), QString("#ff0000"));
        // One pixmap per state, each in its own colour; the icon follows the mouse.
        QWidget nav;
        QToolButton a(&nav), b(&nav), stranger;
        const NavStyleColor colours{12, 15, 15, 2, "top", "#B", "#NB", "#010101", "#HB", "#020202", "#PB", "#030303", "#CB", "#040404"};
        icons->styleNavWidget(&nav, {&a, &b}, {0xF015, 0xF016}, colours);
        QCOMPARE(inkOf(&a, 0) + inkOf(&b, 1) + inkOf(&a, 2) + inkOf(&b, 3) + inkOf(&a, 4) + inkOf(&stranger, 0), QString("#010101#020202#030303#040404"));
        QVERIFY(ink(icons->buttonPixmap(&a, true)) == "#010101" && ink(icons->buttonPixmap(&b, false)) == "#020202");
        b.setCheckable(true);
        b.setChecked(true);
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        for (const auto &[target, event, expected] : QList<std::tuple<QToolButton *, QEvent *, QString>>{
                 {&a, &enter, "#020202"}, {&a, &press, "#030303"}, {&a, &leave, "#010101"}, {&b, &leave, "#040404"}}) {
            QCoreApplication::sendEvent(target, event);
            QCOMPARE(ink(target->icon().pixmap(15, 15)), expected);
        }
        // Unstyled buttons lose their pixmaps, the others keep theirs; glyph lists that do not match change nothing.
        icons->unstyleButtons({&a, &stranger});
        QCOMPARE(inkOf(&a, 0) + inkOf(&b, 3), QString("#040404"));
        icons->unstyleButtons({&b});
        QFrame frame;
        const QString sheet = nav.styleSheet();
        icons->styleFrameButtons(&frame, {&a, &b}, {0xF000});
        icons->styleNavWidget(&nav, {&a}, {0xF000, 0xF001});
        icons->styleNavWidget(&nav, {}, {}, colours);
        QVERIFY(frame.styleSheet().isEmpty() && icons->buttonPixmap(&a, true).isNull() && nav.styleSheet() == sheet);
        icons->styleFrameButtons(&frame, {&a}, {0xF000}, 12, 15, 15, "#000000", "#111111", "#222222", "#333333");
        QCOMPARE(ink(icons->buttonPixmap(&a, true)) + inkOf(&a, 3), QString("#222222#333333")); // a frame bar: one dark colour
        b.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        icons->styleNavWidget(&nav, {&b}, {0xF015}, 12, 15, 15, "left", 3, "#B", "#NB", "#DB", "#NT", "#DT");
        // Text under the icon: a border in the background colour keeps the text in place.
        QVERIFY(nav.styleSheet().startsWith("QWidget[flag=\"left\"] QAbstractButton{border-style:solid;border-radius:0px;border-width:0px 0px 0px 3px;"));
        icons->unstyleButtons({&a, &b});
    }

    void ninePatch()
    {
        const QHash<QChar, QRgb> colours = {{'r', qRgb(255, 0, 0)}, {'g', qRgb(0, 255, 0)}, {'b', qRgb(0, 0, 255)}};
        const QString layout = "rgrgbgrgr"; // scaled to 12 x 12: red 4-pixel corners, green edges, blue centre
        QImage src(3, 3, QImage::Format_RGB32);
        for (int i = 0; i < 9; ++i) {
            src.setPixel(i % 3, i / 3, colours[layout[i]]);
        }
        const QImage out = TaviHelper::ninePatch(QPixmap::fromImage(src.scaled(12, 12)), 4, 4, 60, 40).toImage();
        QString seen; // four corners, four edges, the centre near both ends
        for (QPoint at : QList<QPoint>{{1, 1}, {58, 1}, {1, 38}, {58, 38}, {30, 1}, {1, 20}, {58, 20}, {30, 38}, {4, 4}, {55, 35}}) {
            seen += colours.key(out.pixel(at), '?');
        }
        QCOMPARE(seen, QString("rrrrggggbb"));
    }
};

QTEST_MAIN(TestKitStyles)
#include "tst_kit_styles.moc"
