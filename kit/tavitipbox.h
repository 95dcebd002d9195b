#ifndef TAVITIPBOX_H
#define TAVITIPBOX_H

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QVBoxLayout;

// A notification that slides up in the bottom-right corner of the screen.
class TaviTipBox : public QDialog
{
    Q_OBJECT
public:
    explicit TaviTipBox(QWidget *parent = nullptr);
    static TaviTipBox *instance();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVBoxLayout *verticalLayout;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout2;
    QLabel *labIco;
    QLabel *labTitle;
    QLabel *labTime;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout;
    QPushButton *btnMenu_Close;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout2;
    QLabel *labInfo;

    QPropertyAnimation *animation = nullptr;
    bool fullScreen = false;
    int closeSec = 0;
    int elapsedSec = 0;

    QRect screenArea() const;

private slots:
    void initControl();
    void initForm();
    void checkSec();
    void on_btnMenu_Close_clicked();

public slots:
    void setIconMain(const QChar &str, quint32 size = 12);
    void setTip(const QString &title, const QString &tip, bool fullScreen = false, bool center = true,
                int closeSec = 0);
    // Slides the box down below the screen; it stays shown as a widget.
    void hide();
};

#endif // TAVITIPBOX_H
