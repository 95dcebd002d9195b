#ifndef TAVITIPBOX_H
#define TAVITIPBOX_H

#include "countdowndialog.h"

class QHBoxLayout;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QVBoxLayout;

// A notification that slides up in the bottom-right corner of the screen.
class TaviTipBox : public CountdownDialog
{
    Q_OBJECT
public:
    explicit TaviTipBox(QWidget *parent = nullptr);
    static TaviTipBox *instance();

private:
    QVBoxLayout *verticalLayout;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout2;
    QLabel *labIco;
    QLabel *labTitle;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout;
    QPushButton *btnMenu_Close;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout2;
    QLabel *labInfo;

    QPropertyAnimation *animation = nullptr;
    bool fullScreen = false;

    QRect screenArea() const;

private slots:
    void initControl();
    void initForm();
    void checkSec() override;
    void on_btnMenu_Close_clicked();

public slots:
    void setIconMain(const QChar &str, quint32 size = 12);
    void setTip(const QString &title, const QString &tip, bool fullScreen = false,
                bool center = true, int closeSec = 0);
    // Slides the box down below the screen; it stays shown as a widget.
    void hide();
};

#endif // TAVITIPBOX_H
