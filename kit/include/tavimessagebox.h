#ifndef TAVIMESSAGEBOX_H
#define TAVIMESSAGEBOX_H

#include "countdowndialog.h"

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

// Information, question or error text with OK and Cancel; can close itself after a
// number of seconds.
class TaviMessageBox : public CountdownDialog
{
    Q_OBJECT
public:
    explicit TaviMessageBox(QWidget *parent = nullptr);
    static TaviMessageBox *instance();

private:
    QVBoxLayout *verticalLayout1;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout3;
    QLabel *labIco;
    QLabel *labTitle;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout4;
    QPushButton *btnMenu_Close;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout2;
    QFrame *frame;
    QVBoxLayout *verticalLayout4;
    QHBoxLayout *horizontalLayout1;
    QLabel *labIcoMain;
    QSpacerItem *horizontalSpacer1;
    QLabel *labInfo;
    QHBoxLayout *horizontalLayout2;
    QSpacerItem *horizontalSpacer2;
    QPushButton *btnOk;
    QPushButton *btnCancel;

private slots:
    void initControl();
    void initForm();
    void checkSec() override;
    void on_btnOk_clicked();
    void on_btnMenu_Close_clicked();

public slots:
    void setIconMain(const QChar &str, quint32 size = 12);
    void setMessage(const QString &msg, int type, int closeSec = 0);
};

#endif // TAVIMESSAGEBOX_H
