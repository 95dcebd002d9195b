#ifndef ICONHELPER_H
#define ICONHELPER_H

#include <QFont>
#include <QList>
#include <QObject>
#include <QPixmap>

class QAbstractButton;
class QFrame;
class QLabel;
class QToolButton;

// Colours and sizes of a navigation bar, for the second styleNavWidget form.
struct NavStyleColor {
    quint32 iconSize = 12;
    quint32 iconWidth = 15;
    quint32 iconHeight = 15;
    quint32 borderWidth = 3;
    QString position = QStringLiteral("left");
    QString borderColor = QStringLiteral("#029FEA");
    QString normalBgColor = QStringLiteral("#292F38");
    QString normalTextColor = QStringLiteral("#54626F");
    QString hoverBgColor = QStringLiteral("#1D2025");
    QString hoverTextColor = QStringLiteral("#FDFDFD");
    QString pressedBgColor = QStringLiteral("#1D2025");
    QString pressedTextColor = QStringLiteral("#FDFDFD");
    QString checkedBgColor = QStringLiteral("#1D2025");
    QString checkedTextColor = QStringLiteral("#FDFDFD");
};

// Draws glyphs of the "FontAwesome" icon font onto labels and buttons, and styles tool
// button bars whose icons follow the mouse (normal, hover, pressed, checked).
class IconHelper : public QObject
{
    Q_OBJECT
public:
    static IconHelper *instance();

    void setIcon(QLabel *label, const QChar &str, quint32 size = 12);
    void setIcon(QAbstractButton *button, const QChar &str, quint32 size = 12);

    QPixmap glyphPixmap(const QColor &color, const QChar &str, quint32 size = 12,
                        quint32 pixWidth = 15, quint32 pixHeight = 15, int flags = Qt::AlignCenter);
    QPixmap buttonPixmap(QToolButton *button, bool normal);
    QPixmap buttonPixmap(QToolButton *button, int state);
    void unstyleButtons(const QList<QToolButton *> &buttons);

    void styleFrameButtons(QFrame *frame, const QList<QToolButton *> &buttons,
                           const QList<int> &glyphs, quint32 iconSize = 12, quint32 iconWidth = 15,
                           quint32 iconHeight = 15,
                           const QString &normalBgColor = QStringLiteral("#2FC5A2"),
                           const QString &darkBgColor = QStringLiteral("#3EA7E9"),
                           const QString &normalTextColor = QStringLiteral("#EEEEEE"),
                           const QString &darkTextColor = QStringLiteral("#FFFFFF"));
    void styleNavWidget(QWidget *widget, const QList<QToolButton *> &buttons,
                        const QList<int> &glyphs, quint32 iconSize = 12, quint32 iconWidth = 15,
                        quint32 iconHeight = 15, const QString &position = QStringLiteral("left"),
                        int borderWidth = 3, const QString &borderColor = QStringLiteral("#029FEA"),
                        const QString &normalBgColor = QStringLiteral("#292F38"),
                        const QString &darkBgColor = QStringLiteral("#1D2025"),
                        const QString &normalTextColor = QStringLiteral("#54626F"),
                        const QString &darkTextColor = QStringLiteral("#FDFDFD"));
    void styleNavWidget(QWidget *widget, const QList<QToolButton *> &buttons,
                        const QList<int> &glyphs, const NavStyleColor &styleColor);

    // The family actually used for glyphs ("FontAwesome" when the font could be loaded).
    QString fontFamily() const { return iconFont.family(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit IconHelper(QObject *parent = nullptr);
    // Adds the buttons to the lists with one pixmap per state, and hooks their events.
    void addButtons(const QList<QToolButton *> &buttons, const QList<int> &glyphs, quint32 iconSize,
                    quint32 iconWidth, quint32 iconHeight, const QString &normalText,
                    const QString &hoverText, const QString &pressedText,
                    const QString &checkedText);

    QFont iconFont;
    QList<QToolButton *> btns;
    QList<QPixmap> pixNormal;
    QList<QPixmap> pixDark;
    QList<QPixmap> pixHover;
    QList<QPixmap> pixPressed;
    QList<QPixmap> pixChecked;
};

#endif // ICONHELPER_H
