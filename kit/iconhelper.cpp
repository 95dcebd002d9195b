#include "iconhelper.h"

#include "navborder.h"
#include "tavihelper.h"

#include <QAbstractButton>
#include <QDebug>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QMutex>
#include <QPainter>
#include <QToolButton>

IconHelper *IconHelper::instance()
{
    static QMutex mutex;
    static IconHelper *self = nullptr;
    if (!self) {
        QMutexLocker locker(&mutex);
        if (!self) {
            self = new IconHelper;
        }
    }
    return self;
}

IconHelper::IconHelper(QObject *parent) : QObject(parent)
{
    QFontDatabase fonts;
    if (!fonts.families().contains(QStringLiteral("FontAwesome"))) {
        const int id =
            QFontDatabase::addApplicationFont(QStringLiteral(":/image/fontawesome-webfont.ttf"));
        if (QFontDatabase::applicationFontFamilies(id).isEmpty()) {
            qDebug() << "load fontawesome-webfont.ttf error";
        }
    }
    if (QFontDatabase().families().contains(QStringLiteral("FontAwesome"))) {
        iconFont = QFont(QStringLiteral("FontAwesome"));
        iconFont.setHintingPreference(QFont::PreferNoHinting);
    }
}

void IconHelper::setIcon(QLabel *label, const QChar &str, quint32 size)
{
    iconFont.setPixelSize(int(size));
    label->setFont(iconFont);
    label->setText(str);
}

void IconHelper::setIcon(QAbstractButton *button, const QChar &str, quint32 size)
{
    iconFont.setPixelSize(int(size));
    button->setFont(iconFont);
    button->setText(str);
}

QPixmap IconHelper::glyphPixmap(const QColor &color, const QChar &str, quint32 size,
                                quint32 pixWidth, quint32 pixHeight, int flags)
{
    QPixmap pix(static_cast<int>(pixWidth), static_cast<int>(pixHeight));
    pix.fill(Qt::transparent);
    QPainter painter;
    painter.begin(&pix);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setPen(color);
    iconFont.setPixelSize(int(size));
    painter.setFont(iconFont);
    painter.drawText(pix.rect(), flags, str);
    painter.end();
    return pix;
}

QPixmap IconHelper::buttonPixmap(QToolButton *button, bool normal)
{
    const int index = btns.indexOf(button);
    if (index < 0) {
        return QPixmap();
    }
    return normal ? pixNormal.at(index) : pixDark.at(index);
}

QPixmap IconHelper::buttonPixmap(QToolButton *button, int state)
{
    const int index = btns.indexOf(button);
    if (index < 0) {
        return QPixmap();
    }
    switch (state) {
    case 0:
        return pixNormal.at(index);
    case 1:
        return pixHover.at(index);
    case 2:
        return pixPressed.at(index);
    case 3:
        return pixChecked.at(index);
    default:
        return QPixmap();
    }
}

void IconHelper::unstyleButtons(const QList<QToolButton *> &buttons)
{
    for (QToolButton *button : buttons) {
        const int index = btns.indexOf(button);
        if (index < 0) {
            continue;
        }
        button->removeEventFilter(this);
        btns.removeAt(index);
        pixNormal.removeAt(index);
        pixDark.removeAt(index);
        pixHover.removeAt(index);
        pixPressed.removeAt(index);
        pixChecked.removeAt(index);
    }
}

void IconHelper::addButtons(const QList<QToolButton *> &buttons, const QList<int> &glyphs,
                            quint32 iconSize, quint32 iconWidth, quint32 iconHeight,
                            const QString &normalText, const QString &hoverText,
                            const QString &pressedText, const QString &checkedText)
{
    for (int i = 0; i < buttons.size(); ++i) {
        QToolButton *button = buttons.at(i);
        const QChar glyph(glyphs.at(i));
        const QPixmap normal = glyphPixmap(normalText, glyph, iconSize, iconWidth, iconHeight);
        const QPixmap hover = glyphPixmap(hoverText, glyph, iconSize, iconWidth, iconHeight);
        const QPixmap pressed = pressedText == hoverText ? hover
                                                         : glyphPixmap(pressedText, glyph, iconSize,
                                                                       iconWidth, iconHeight);
        const QPixmap checked = checkedText == hoverText ? hover
                                                         : glyphPixmap(checkedText, glyph, iconSize,
                                                                       iconWidth, iconHeight);
        button->setIcon(QIcon(normal));
        button->setIconSize(QSize(int(iconWidth), int(iconHeight)));
        button->installEventFilter(this);
        btns.append(button);
        pixNormal.append(normal);
        pixDark.append(hover);
        pixHover.append(hover);
        pixPressed.append(pressed);
        pixChecked.append(checked);
    }
}

void IconHelper::styleFrameButtons(QFrame *frame, const QList<QToolButton *> &buttons,
                                   const QList<int> &glyphs, quint32 iconSize, quint32 iconWidth,
                                   quint32 iconHeight, const QString &normalBgColor,
                                   const QString &darkBgColor, const QString &normalTextColor,
                                   const QString &darkTextColor)
{
    if (buttons.isEmpty() || buttons.size() != glyphs.size()) {
        return;
    }
    QStringList rules;
    rules << QStringLiteral("QFrame>QToolButton{border-style:none;border-width:0px;background-"
                            "color:%1;color:%2;}")
                 .arg(normalBgColor)
                 .arg(normalTextColor);
    rules << QStringLiteral(
                 "QFrame>QToolButton:hover,QFrame>QToolButton:pressed,QFrame>QToolButton:checked"
                 "{background-color:%1;color:%2;}")
                 .arg(darkBgColor)
                 .arg(darkTextColor);
    frame->setStyleSheet(rules.join(QString()));
    addButtons(buttons, glyphs, iconSize, iconWidth, iconHeight, normalTextColor, darkTextColor,
               darkTextColor, darkTextColor);
}

namespace {
QString normalNavRule(const QList<QToolButton *> &buttons, const QString &position,
                      const QString &borderPart, const QString &normalBg, const QString &normalText)
{
    if (buttons.first()->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) {
        // A border in the background colour keeps the text from jumping on hover.
        return QStringLiteral("QWidget[flag=\"%1\"] "
                              "QAbstractButton{border-style:solid;border-radius:0px;%2border-color:"
                              "%3;color:%4;background:%5;}")
            .arg(position)
            .arg(borderPart)
            .arg(normalBg)
            .arg(normalText)
            .arg(normalBg);
    }
    return QStringLiteral("QWidget[flag=\"%1\"] "
                          "QAbstractButton{border-style:none;border-radius:0px;padding:5px;color:%"
                          "2;background:%3;}")
        .arg(position)
        .arg(normalText)
        .arg(normalBg);
}
} // namespace

void IconHelper::styleNavWidget(QWidget *widget, const QList<QToolButton *> &buttons,
                                const QList<int> &glyphs, quint32 iconSize, quint32 iconWidth,
                                quint32 iconHeight, const QString &position, int borderWidth,
                                const QString &borderColor, const QString &normalBgColor,
                                const QString &darkBgColor, const QString &normalTextColor,
                                const QString &darkTextColor)
{
    if (buttons.isEmpty() || buttons.size() != glyphs.size()) {
        return;
    }
    const QString borderPart = navBorderPart(position, borderWidth);
    QStringList rules;
    rules << normalNavRule(buttons, position, borderPart, normalBgColor, normalTextColor);
    rules << QStringLiteral("QWidget[flag=\"%1\"] QAbstractButton:hover,QWidget[flag=\"%1\"] "
                            "QAbstractButton:pressed,"
                            "QWidget[flag=\"%1\"] "
                            "QAbstractButton:checked{border-style:solid;%2border-color:%3;color:%4;"
                            "background:%5;}")
                 .arg(position)
                 .arg(borderPart)
                 .arg(borderColor)
                 .arg(darkTextColor)
                 .arg(darkBgColor);
    rules << QStringLiteral("QWidget#%1{background:%2;}")
                 .arg(widget->objectName())
                 .arg(normalBgColor);
    rules << QStringLiteral("QWidget>QToolButton{border-width:0px;background-color:%1;color:%2;}")
                 .arg(normalBgColor)
                 .arg(normalTextColor);
    rules << QStringLiteral(
                 "QWidget>QToolButton:hover,QWidget>QToolButton:pressed,QWidget>QToolButton:checked"
                 "{background-color:%1;color:%2;}")
                 .arg(darkBgColor)
                 .arg(darkTextColor);
    widget->setStyleSheet(rules.join(QString()));
    addButtons(buttons, glyphs, iconSize, iconWidth, iconHeight, normalTextColor, darkTextColor,
               darkTextColor, darkTextColor);
}

void IconHelper::styleNavWidget(QWidget *widget, const QList<QToolButton *> &buttons,
                                const QList<int> &glyphs, const NavStyleColor &c)
{
    if (buttons.isEmpty() || buttons.size() != glyphs.size()) {
        return;
    }
    const QString borderPart = navBorderPart(c.position, int(c.borderWidth));
    auto stateRule = [&](const char *name, const QString &text, const QString &bg) {
        return (QStringLiteral("QWidget[flag=\"%1\"] QAbstractButton:") + QLatin1String(name)
                + QStringLiteral("{border-style:solid;%2border-color:%3;color:%4;background:%5;}"))
            .arg(c.position)
            .arg(borderPart)
            .arg(c.borderColor)
            .arg(text)
            .arg(bg);
    };
    QStringList rules;
    rules << normalNavRule(buttons, c.position, borderPart, c.normalBgColor, c.normalTextColor);
    rules << stateRule("hover", c.hoverTextColor, c.hoverBgColor);
    rules << stateRule("pressed", c.pressedTextColor, c.pressedBgColor);
    rules << stateRule("checked", c.checkedTextColor, c.checkedBgColor);
    rules << QStringLiteral("QWidget#%1{background:%2;}")
                 .arg(widget->objectName())
                 .arg(c.normalBgColor);
    rules << QStringLiteral("QWidget>QToolButton{border-width:0px;background-color:%1;color:%2;}")
                 .arg(c.normalBgColor)
                 .arg(c.normalTextColor);
    rules << QStringLiteral("QWidget>QToolButton:hover{background-color:%1;color:%2;}")
                 .arg(c.hoverBgColor)
                 .arg(c.hoverTextColor);
    rules << QStringLiteral("QWidget>QToolButton:pressed{background-color:%1;color:%2;}")
                 .arg(c.pressedBgColor)
                 .arg(c.pressedTextColor);
    rules << QStringLiteral("QWidget>QToolButton:checked{background-color:%1;color:%2;}")
                 .arg(c.checkedBgColor)
                 .arg(c.checkedTextColor);
    widget->setStyleSheet(rules.join(QString()));
    addButtons(buttons, glyphs, c.iconSize, c.iconWidth, c.iconHeight, c.normalTextColor,
               c.hoverTextColor, c.pressedTextColor, c.checkedTextColor);
}

bool IconHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched->inherits("QToolButton")) {
        auto *button = static_cast<QToolButton *>(watched);
        const int index = btns.indexOf(button);
        if (index >= 0) {
            switch (event->type()) {
            case QEvent::Enter:
                button->setIcon(QIcon(pixHover.at(index)));
                break;
            case QEvent::MouseButtonPress:
                button->setIcon(QIcon(pixPressed.at(index)));
                break;
            case QEvent::Leave:
                button->setIcon(
                    QIcon(button->isChecked() ? pixChecked.at(index) : pixNormal.at(index)));
                break;
            default:
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
