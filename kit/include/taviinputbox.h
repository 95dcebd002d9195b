#ifndef TAVIINPUTBOX_H
#define TAVIINPUTBOX_H

#include "countdowndialog.h"

class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

// Asks for one value, typed or chosen from a list.
class TaviInputBox : public CountdownDialog
{
    Q_OBJECT
public:
    explicit TaviInputBox(QWidget *parent = nullptr);
    static TaviInputBox *instance();
    QString getValue() const { return value; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QVBoxLayout *verticalLayout1;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout1;
    QLabel *labIco;
    QLabel *labTitle;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout2;
    QPushButton *btnMenu_Close;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout2;
    QFrame *frame;
    QVBoxLayout *verticalLayout3;
    QLabel *labInfo;
    QLineEdit *txtValue;
    QComboBox *cboxValue;
    QHBoxLayout *lay;
    QSpacerItem *horizontalSpacer;
    QPushButton *btnOk;
    QPushButton *btnCancel;

    QString value;

private slots:
    void initControl();
    void initForm();
    void checkSec() override;
    void on_btnOk_clicked();
    void on_btnMenu_Close_clicked();

public slots:
    void setIconMain(const QChar &str, quint32 size = 12);
    void setParameter(const QString &title, int type = 0, int closeSec = 0,
                      const QString &placeholderText = QString(), bool pwd = false,
                      const QString &defaultValue = QString());
};

#endif // TAVIINPUTBOX_H
