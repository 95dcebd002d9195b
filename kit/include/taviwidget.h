#ifndef TAVIWIDGET_H
#define TAVIWIDGET_H

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// A frameless window with its own title bar (icon, title, theme menu, minimise, maximise,
// close) that hosts an application's main widget.
class TaviWidget : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString title READ getTitle WRITE setTitle)
    Q_PROPERTY(Qt::Alignment alignment READ getAlignment WRITE setAlignment)
    Q_PROPERTY(bool minHide READ getMinHide WRITE setMinHide)
    Q_PROPERTY(bool exitAll READ getExitAll WRITE setExitAll)

public:
    enum Style {
        Style_Silvery = 0,
        Style_Blue = 1,
        Style_LightBlue = 2,
        Style_DarkBlue = 3,
        Style_Gray = 4,
        Style_LightGray = 5,
        Style_DarkGray = 6,
        Style_Black = 7,
        Style_LightBlack = 8,
        Style_DarkBlack = 9,
        Style_PSBlack = 10,
        Style_FlatBlack = 11,
        Style_FlatWhite = 12,
        Style_FlatBlue = 13,
        Style_Purple = 14,
        Style_BlackBlue = 15,
        Style_BlackVideo = 16
    };
    Q_ENUM(Style)

    enum Widget {
        Widget_LabIco = 0,
        Widget_BtnMenu = 1,
        Widget_BtnMenuMin = 2,
        Widget_BtnMenuMax = 3,
        Widget_BtnMenuNormal = 4,
        Widget_BtnMenuClose = 5
    };

    explicit TaviWidget(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QString getTitle() const { return title; }
    Qt::Alignment getAlignment() const { return alignment; }
    bool getMinHide() const { return minHide; }
    bool getExitAll() const { return exitAll; }

    QLabel *getLabIco() const { return labIco; }
    QLabel *getLabTitle() const { return labTitle; }
    QToolButton *getBtnMenu() const { return btnMenu; }
    QPushButton *getBtnMenuMin() const { return btnMenu_Min; }
    QPushButton *getBtnMenuMax() const { return btnMenu_Max; }
    QPushButton *getBtnMenuClose() const { return btnMenu_Close; }

    // The seventeen theme names of the menu, in Style order.
    static QStringList themeNames();

    using QDialog::setVisible;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVBoxLayout *verticalLayout1;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout2;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout4;
    QLabel *labIco;
    QLabel *labTitle;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout;
    QToolButton *btnMenu;
    QPushButton *btnMenu_Min;
    QPushButton *btnMenu_Max;
    QPushButton *btnMenu_Close;
    QWidget *widget;
    QVBoxLayout *verticalLayout3;

    QString title;
    Qt::Alignment alignment;
    bool minHide;
    bool exitAll;
    QWidget *mainWidget;

signals:
    void changeStyle(const QString &qssFile);
    void closing();

private slots:
    void initControl();
    void initForm();
    void changeStyle();
    void on_btnMenu_Min_clicked();
    void on_btnMenu_Max_clicked();
    void on_btnMenu_Close_clicked();

public slots:
    void setIcon(TaviWidget::Widget widget, const QChar &str, quint32 size = 12);
    void setIconMain(const QChar &str, quint32 size = 12);
    void setPixmap(TaviWidget::Widget widget, const QString &file,
                   const QSize &size = QSize(16, 16));
    void setVisible(TaviWidget::Widget widget, bool visible = true);
    void setOnlyCloseBtn();
    void setTitleHeight(int height);
    void setBtnWidth(int width);
    void setTitle(const QString &title);
    void setAlignment(Qt::Alignment alignment);
    void setMinHide(bool minHide);
    void setExitAll(bool exitAll);
    void setMainWidget(QWidget *mainWidget);
};

#endif // TAVIWIDGET_H
