#include "iconhelper.h"
#include "taviappearance.h"
#include "tavihelper.h"
#include "taviwidget.h"
#include "testsupport.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestKitStyles : public QObject
{
    Q_OBJECT
private slots:
    void everyThemeFileKeepsItsLayout();
    void readColorsWithOneKey();
    void unknownThemeLoadsLightBlue();
    void themeFilesByName();
    void missingThemeFileChangesNothing();
    void labelKinds();
    void navButtonRules();
    void navPositionIsCaseSensitive();
    void pushButtonAndLineEdit();
    void progressBarAndRadio();
    void sliderForHeight8();
    void scrollBar();
    void iconFontIsLoaded();
    void glyphsOnLabelsAndButtons();
    void glyphListMismatchChangesNothing();
    void buttonPixmapStates();
    void hoverPressLeave();
    void navWidgetRules();
    void unstyling();
    void ninePatchOfNullSource();
    void ninePatchKeepsCorners();
};

void TestKitStyles::everyThemeFileKeepsItsLayout()
{
    QSet<QString> palettes;
    for (int style = 0; style <= 16; ++style) {
        const QString file = TaviHelper::themeFile(style);
        const QByteArray raw = readFile(file);
        QVERIFY2(!raw.isEmpty(), qPrintable(file));
        const QString qss = QString::fromLatin1(raw);
        QRegularExpression colour("^#[0-9A-Fa-f]{6}$");
        QVERIFY2(colour.match(qss.mid(20, 7)).hasMatch(), qPrintable(file));
        QVERIFY2(colour.match(qss.mid(49, 7)).hasMatch(), qPrintable(file));
        QString text, panel, border, ns, ne, ds, de, high;
        TaviHelper::readQssColors(qss, text, panel, border, ns, ne, ds, de, high);
        for (const QString &c : {text, panel, border, ns, ne, ds, de, high}) {
            QVERIFY2(colour.match(c).hasMatch(), qPrintable(file + ": " + c));
        }
        QCOMPARE(panel, qss.mid(20, 7));
        QCOMPARE(text, qss.mid(49, 7));
        // A real theme: it styles the widgets the kit and the console use.
        for (const char *selector : {"QPushButton", "QLineEdit", "QTextEdit", "QComboBox", "QCheckBox", "QTabBar",
                                     "QScrollBar", "QMenu", "QWidget[form=\"title\"]", "QDateTimeEdit", "QProgressBar"}) {
            QVERIFY2(qss.contains(QLatin1String(selector)), qPrintable(file + " lacks " + selector));
        }
        palettes.insert(panel + text);
    }
    QCOMPARE(palettes.size(), 17);
}

void TestKitStyles::readColorsWithOneKey()
{
    QString text = "a", panel = "b", border = "c", ns = "d", ne = "e", ds = "f", de = "g", high = "h";
    TaviHelper::readQssColors("x{}/*TextColor:#123456*/", text, panel, border, ns, ne, ds, de, high);
    QCOMPARE(text, QString("#123456"));
    QCOMPARE(QStringList({panel, border, ns, ne, ds, de, high}), QStringList({"b", "c", "d", "e", "f", "g", "h"}));
    // The first occurrence wins, and a short tail gives a short value.
    TaviHelper::readQssColors("HighColor:#AAAAAA HighColor:#BBBBBB PanelColor:#12", text, panel, border, ns, ne, ds, de, high);
    QCOMPARE(high, QString("#AAAAAA"));
    QCOMPARE(panel, QString("#12"));
}

void TestKitStyles::unknownThemeLoadsLightBlue()
{
    TaviHelper::applyTheme(99);
    const QString lightblue = QString::fromLatin1(readFile(":/qss/lightblue.css"));
    QCOMPARE(qApp->styleSheet(), lightblue);
    QCOMPARE(TaviAppearance::PanelColor, lightblue.mid(20, 7));
    QCOMPARE(TaviAppearance::TextColor, lightblue.mid(49, 7));
    QCOMPARE(qApp->palette().color(QPalette::Window), QColor(lightblue.mid(20, 7)));
    TaviHelper::applyTheme(TaviWidget::Style_PSBlack);
    QVERIFY(qApp->styleSheet().startsWith(QString::fromLatin1(readFile(":/qss/psblack.css")).left(60)));
    QCOMPARE(TaviHelper::themeFile(-1), QString(":/qss/lightblue.css"));
    QCOMPARE(TaviHelper::themeFile(TaviWidget::Style_BlackVideo), QString(":/qss/blackvideo.css"));
}

void TestKitStyles::themeFilesByName()
{
    QString palette, text;
    TaviHelper::applyThemeFile(":/qss/flatwhite.css", palette, text);
    QCOMPARE(palette, QString("#FFFFFF"));
    QCOMPARE(text, QString("#57595B"));
    QCOMPARE(TaviAppearance::BorderColor, QString("#B6B6B6"));

    // The second form fills only the caller's strings.
    const QString appearanceBefore = TaviAppearance::HighColor;
    QString t, p, b, ns, ne, ds, de, high;
    TaviHelper::applyThemeFile(":/qss/flatblue.css", t, p, b, ns, ne, ds, de, high);
    QCOMPARE(high, QString("#FFAA00"));
    QCOMPARE(p, QString("#0F2F4E"));
    QCOMPARE(TaviAppearance::HighColor, appearanceBefore);
    QCOMPARE(qApp->palette().color(QPalette::Window), QColor("#0F2F4E"));
}

void TestKitStyles::missingThemeFileChangesNothing()
{
    TaviHelper::applyTheme(TaviWidget::Style_Gray);
    const QString sheet = qApp->styleSheet();
    QString palette = "keep", text = "keep";
    TaviHelper::applyThemeFile(":/qss/none.css", palette, text);
    QCOMPARE(palette, QString("keep"));
    QCOMPARE(qApp->styleSheet(), sheet);

    // A file with a zero byte is read up to it.
    QTemporaryDir dir;
    QByteArray content = "QPalette{background:#010203;}*{outline:0px;color:#040506;}";
    content += QByteArray("\0TextColor:#999999", 18);
    QVERIFY(writeFile(dir.filePath("t.css"), content));
    TaviHelper::applyThemeFile(dir.filePath("t.css"), palette, text);
    QCOMPARE(palette, QString("#010203"));
    QCOMPARE(text, QString("#040506"));
    QVERIFY(!qApp->styleSheet().contains("#999999"));
}

void TestKitStyles::labelKinds()
{
    TaviAppearance::BorderColor = "#ABCDEF";
    QLabel label;
    TaviHelper::styleLabel(&label, 2);
    QCOMPARE(label.styleSheet(), QString("QLabel{border:none;background-color:rgb(67,122,203);color:rgb(255,255,255);}"
                                         "QLabel::disabled{background:none;color:#ABCDEF;}"));
    TaviHelper::styleLabel(&label, 4);
    QVERIFY(label.styleSheet().contains("rgb(67,122,203)"));
    TaviHelper::styleLabel(&label, 0);
    QVERIFY(label.styleSheet().startsWith("QLabel{border:none;background-color:rgb(214,64,48);"));
}

void TestKitStyles::navButtonRules()
{
    QWidget w;
    TaviHelper::styleNavButtons(&w, "top", 3, "#B", "#NB", "#DB", "#NT", "#DT");
    QCOMPARE(w.styleSheet(),
             QString("QWidget[flag=\"top\"] QAbstractButton{border-style:none;border-radius:0px;padding:5px;color:#NT;background:#NB;}"
                     "QWidget[flag=\"top\"] QAbstractButton:hover,QWidget[flag=\"top\"] QAbstractButton:pressed,"
                     "QWidget[flag=\"top\"] QAbstractButton:checked{border-style:solid;"
                     "border-width:3px 0px 0px 0px;padding-top:3px;padding-bottom:6px;border-color:#B;color:#DT;background:#DB;}"));
    TaviHelper::styleNavButtons(&w, "left", 2, "#B", "#NB", "#DB", "#NT", "#DT");
    QVERIFY(w.styleSheet().contains("border-width:0px 0px 0px 2px;padding-left:2px;padding-right:4px;border-color:#B;"));
    TaviHelper::styleNavButtons(&w, "right", 1, "#B", "#NB", "#DB", "#NT", "#DT");
    QVERIFY(w.styleSheet().contains("border-width:0px 1px 0px 0px;padding-right:1px;padding-left:2px;"));
    TaviHelper::styleNavButtons(&w, "bottom", 1, "#B", "#NB", "#DB", "#NT", "#DT");
    QVERIFY(w.styleSheet().contains("border-width:0px 0px 1px 0px;padding-bottom:1px;padding-top:2px;"));
}

void TestKitStyles::navPositionIsCaseSensitive()
{
    QWidget w;
    TaviHelper::styleNavButtons(&w, "Top", 3, "#B", "#NB", "#DB", "#NT", "#DT");
    QVERIFY(w.styleSheet().contains("QAbstractButton:checked{border-style:solid;border-color:#B;"));
    QVERIFY(w.styleSheet().startsWith("QWidget[flag=\"Top\"] QAbstractButton{border-style:none;"));
}

void TestKitStyles::pushButtonAndLineEdit()
{
    QPushButton button;
    const QString qss = TaviHelper::stylePushButton(&button, 5, 8, "#NB", "#NT", "#HB", "#HT", "#PB", "#PT");
    QCOMPARE(qss, QString("QPushButton{border-style:none;padding:8px;border-radius:5px;color:#NT;background:#NB;}"
                          "QPushButton:hover{color:#HT;background:#HB;}QPushButton:pressed{color:#PT;background:#PB;}"));
    QCOMPARE(button.styleSheet(), qss);
    QLineEdit edit;
    QCOMPARE(TaviHelper::styleLineEdit(&edit, 3, 2, "#N", "#F"),
             QString("QLineEdit{border-style:none;padding:3px;border-radius:3px;border:2px solid #N;}"
                     "QLineEdit:focus{border:2px solid #F;}"));
}

void TestKitStyles::progressBarAndRadio()
{
    QProgressBar bar;
    QCOMPARE(TaviHelper::styleProgressBar(&bar, 8, 5, 9, "#N", "#C"),
             QString("QProgressBar{font:9pt;background:#N;max-height:8px;border-radius:5px;text-align:center;border:1px solid #N;}"
                     "QProgressBar:chunk{border-radius:5px;background-color:#C;}"));
    QRadioButton radio;
    const QString qss = TaviHelper::styleRadioButton(&radio, 8, "#N", "#C");
    QVERIFY(qss.startsWith("QRadioButton::indicator{border-radius:8px;width:16px;height:16px;}"));
    QVERIFY(qss.contains("stop:0.6 #FFFFFF,stop:0.7 #N);}"));
    QVERIFY(qss.endsWith("stop:0 #C,stop:0.3 #C,stop:0.4 #FFFFFF,stop:0.6 #FFFFFF,stop:0.7 #C);}"));
}

void TestKitStyles::sliderForHeight8()
{
    QSlider slider;
    const QString qss = TaviHelper::styleSlider(&slider, 8, "#N", "#G", "#HB", "#H", "#T");
    QVERIFY(qss.startsWith("QSlider::horizontal{min-height:16px;color:#T;}"
                           "QSlider::groove:horizontal{background:#N;height:8px;border-radius:4px;}"
                           "QSlider::add-page:horizontal{background:#N;height:8px;border-radius:4px;}"
                           "QSlider::sub-page:horizontal{background:#G;height:8px;border-radius:4px;}"));
    QVERIFY(qss.contains("QSlider::handle:horizontal{width:13px;margin-top:-3px;margin-bottom:-3px;border-radius:6px;"
                         "background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0.6 #H,stop:0.8 #HB);}"));
    QVERIFY(qss.contains("QSlider::add-page:vertical{background:#G;width:8px;border-radius:4px;}"));
    QVERIFY(qss.contains("QSlider::sub-page:vertical{background:#N;width:8px;border-radius:4px;}"));
    QVERIFY(qss.contains("QSlider::handle:vertical{height:14px;margin-left:-3px;margin-right:-3px;border-radius:6px;"));
}

void TestKitStyles::scrollBar()
{
    QScrollBar bar;
    const QString qss = TaviHelper::styleScrollBar(&bar, 4, 50, 10, "#B", "#N", "#H", "#P");
    QVERIFY(qss.startsWith("QScrollBar:horizontal{background:#B;padding:0px;border-radius:4px;min-height:10px;max-height:10px;}"
                           "QScrollBar::handle:horizontal{background:#N;min-width:50px;border-radius:4px;}"
                           "QScrollBar::handle:horizontal:hover{background:#H;}QScrollBar::handle:horizontal:pressed{background:#P;}"
                           "QScrollBar::add-page:horizontal{background:none;}"));
    QVERIFY(qss.contains("QScrollBar:vertical{background:#B;padding:0px;border-radius:4px;min-width:10px;max-width:10px;}"
                         "QScrollBar::handle:vertical{background:#N;min-height:50px;border-radius:4px;}"));
    QVERIFY(qss.endsWith("QScrollBar::sub-line:vertical{background:none;}"));
    QCOMPARE(qss.count("{background:none;}"), 8);
}

void TestKitStyles::iconFontIsLoaded()
{
    QCOMPARE(IconHelper::instance()->fontFamily(), QString("FontAwesome"));
    QCOMPARE(IconHelper::instance(), IconHelper::instance());
}

void TestKitStyles::glyphsOnLabelsAndButtons()
{
    QLabel label;
    IconHelper::instance()->setIcon(&label, QChar(0xF072), 20);
    QCOMPARE(label.text(), QString(QChar(0xF072)));
    QCOMPARE(label.font().pixelSize(), 20);
    QCOMPARE(label.font().family(), QString("FontAwesome"));
    QPushButton button;
    IconHelper::instance()->setIcon(&button, QChar(0xF00D), 14);
    QCOMPARE(button.text(), QString(QChar(0xF00D)));
    QCOMPARE(button.font().pixelSize(), 14);

    // The glyph is really drawn: some pixels of the pixmap carry the pen colour.
    const QImage img = IconHelper::instance()->glyphPixmap(Qt::red, QChar(0xF00D), 14, 20, 20).toImage();
    QCOMPARE(img.size(), QSize(20, 20));
    int painted = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            painted += qAlpha(img.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    QVERIFY2(painted > 10, qPrintable(QString::number(painted)));
}

void TestKitStyles::glyphListMismatchChangesNothing()
{
    QFrame frame;
    QToolButton a(&frame), b(&frame);
    IconHelper::instance()->styleFrameButtons(&frame, {&a, &b}, {0xF000});
    QVERIFY(frame.styleSheet().isEmpty());
    QVERIFY(a.icon().isNull());
    QVERIFY(IconHelper::instance()->buttonPixmap(&a, true).isNull());
    QWidget nav;
    IconHelper::instance()->styleNavWidget(&nav, {&a}, {0xF000, 0xF001});
    IconHelper::instance()->styleNavWidget(&nav, {}, {});
    QVERIFY(nav.styleSheet().isEmpty());
}

void TestKitStyles::buttonPixmapStates()
{
    QWidget nav;
    nav.setObjectName("navBar");
    QToolButton a(&nav);
    NavStyleColor colours;
    colours.normalTextColor = "#010101";
    colours.hoverTextColor = "#020202";
    colours.pressedTextColor = "#030303";
    colours.checkedTextColor = "#040404";
    IconHelper::instance()->styleNavWidget(&nav, {&a}, {0xF015}, colours);
    auto dominant = [](const QPixmap &pix) {
        const QImage img = pix.toImage();
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                if (qAlpha(img.pixel(x, y)) == 255) {
                    return QColor(img.pixel(x, y)).name();
                }
            }
        }
        return QString();
    };
    QCOMPARE(dominant(IconHelper::instance()->buttonPixmap(&a, 0)), QString("#010101"));
    QCOMPARE(dominant(IconHelper::instance()->buttonPixmap(&a, 1)), QString("#020202"));
    QCOMPARE(dominant(IconHelper::instance()->buttonPixmap(&a, 2)), QString("#030303"));
    QCOMPARE(dominant(IconHelper::instance()->buttonPixmap(&a, 3)), QString("#040404"));
    QCOMPARE(dominant(IconHelper::instance()->buttonPixmap(&a, false)), QString("#020202"));
    QVERIFY(IconHelper::instance()->buttonPixmap(&a, 4).isNull());
    QToolButton stranger;
    QVERIFY(IconHelper::instance()->buttonPixmap(&stranger, 0).isNull());
    IconHelper::instance()->unstyleButtons({&a});
}

void TestKitStyles::hoverPressLeave()
{
    QFrame frame;
    QToolButton a(&frame);
    a.setCheckable(true);
    IconHelper::instance()->styleFrameButtons(&frame, {&a}, {0xF015}, 12, 15, 15, "#000000", "#111111", "#222222", "#333333");
    auto iconKey = [&] { return a.icon().pixmap(15, 15).toImage(); };
    const QImage normal = IconHelper::instance()->buttonPixmap(&a, true).toImage();
    const QImage dark = IconHelper::instance()->buttonPixmap(&a, false).toImage();
    QCOMPARE(iconKey(), normal);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(&a, &enter);
    QCOMPARE(iconKey(), dark);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&a, &leave);
    QCOMPARE(iconKey(), normal);
    a.setChecked(true);
    QCoreApplication::sendEvent(&a, &enter);
    QCoreApplication::sendEvent(&a, &leave);
    QCOMPARE(iconKey(), dark); // checked: the checked pixmap (the dark colour here)
    IconHelper::instance()->unstyleButtons({&a});
}

void TestKitStyles::navWidgetRules()
{
    QWidget nav;
    nav.setObjectName("navLeft");
    QToolButton a(&nav);
    a.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    IconHelper::instance()->styleNavWidget(&nav, {&a}, {0xF015}, 12, 15, 15, "left", 3, "#B", "#NB", "#DB", "#NT", "#DT");
    const QString qss = nav.styleSheet();
    QVERIFY(qss.startsWith("QWidget[flag=\"left\"] QAbstractButton{border-style:solid;border-radius:0px;"
                           "border-width:0px 0px 0px 3px;padding-left:3px;padding-right:6px;border-color:#NB;color:#NT;background:#NB;}"));
    QVERIFY(qss.contains("QWidget#navLeft{background:#NB;}"));
    QVERIFY(qss.endsWith("QWidget>QToolButton:hover,QWidget>QToolButton:pressed,QWidget>QToolButton:checked{background-color:#DB;color:#DT;}"));
    IconHelper::instance()->unstyleButtons({&a});

    NavStyleColor c;
    c.position = "top";
    QToolButton b(&nav);
    IconHelper::instance()->styleNavWidget(&nav, {&b}, {0xF015}, c);
    QVERIFY(nav.styleSheet().contains("QWidget[flag=\"top\"] QAbstractButton:pressed{border-style:solid;border-width:3px 0px 0px 0px;"));
    QVERIFY(nav.styleSheet().contains("QWidget>QToolButton:checked{background-color:#1D2025;color:#FDFDFD;}"));
    IconHelper::instance()->unstyleButtons({&b});
}

void TestKitStyles::unstyling()
{
    QFrame frame;
    QToolButton a(&frame), b(&frame);
    IconHelper::instance()->styleFrameButtons(&frame, {&a, &b}, {0xF015, 0xF016});
    QToolButton stranger;
    IconHelper::instance()->unstyleButtons({&a, &stranger});
    QVERIFY(IconHelper::instance()->buttonPixmap(&a, true).isNull());
    QVERIFY(!IconHelper::instance()->buttonPixmap(&b, true).isNull());
    IconHelper::instance()->unstyleButtons({&b});
}

void TestKitStyles::ninePatchOfNullSource()
{
    const QPixmap pix = TaviHelper::ninePatch(QPixmap(), 4, 4, 40, 30);
    QCOMPARE(pix.size(), QSize(40, 30));
    QCOMPARE(pix.toImage().pixelColor(20, 15).alpha(), 0);
    QVERIFY(TaviHelper::ninePatch(QString(":/missing.png"), 4, 4, 10, 10).size() == QSize(10, 10));
    QVERIFY(TaviHelper::ninePatch(QPixmap(), 4, 4, 0, 10).isNull());
}

void TestKitStyles::ninePatchKeepsCorners()
{
    // 12 x 12 source: red 3-pixel corners, green edges, blue centre.
    QImage src(12, 12, QImage::Format_ARGB32);
    src.fill(Qt::blue);
    QPainter p(&src);
    p.fillRect(0, 0, 12, 3, Qt::green);
    p.fillRect(0, 9, 12, 3, Qt::green);
    p.fillRect(0, 0, 3, 12, Qt::green);
    p.fillRect(9, 0, 3, 12, Qt::green);
    for (QPoint c : {QPoint(0, 0), QPoint(9, 0), QPoint(0, 9), QPoint(9, 9)}) {
        p.fillRect(QRect(c, QSize(3, 3)), Qt::red);
    }
    p.end();
    const QImage out = TaviHelper::ninePatch(QPixmap::fromImage(src), 3, 3, 60, 40).toImage();
    QCOMPARE(out.size(), QSize(60, 40));
    QCOMPARE(out.pixelColor(1, 1), QColor(Qt::red));
    QCOMPARE(out.pixelColor(58, 38), QColor(Qt::red));
    QCOMPARE(out.pixelColor(30, 1), QColor(Qt::green));
    QCOMPARE(out.pixelColor(1, 20), QColor(Qt::green));
    QCOMPARE(out.pixelColor(30, 20), QColor(Qt::blue));
    QCOMPARE(out.pixelColor(3, 20), QColor(Qt::blue));
}

QTEST_MAIN(TestKitStyles)
#include "tst_kit_styles.moc"
