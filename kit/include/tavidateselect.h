#ifndef TAVIDATESELECT_H
#define TAVIDATESELECT_H

#include <QDialog>

class QDateTimeEdit;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

// Asks for a start and an end date-time.
class TaviDateSelect : public QDialog
{
    Q_OBJECT
public:
    explicit TaviDateSelect(QWidget *parent = nullptr);
    static TaviDateSelect *instance();
    QString getStartDateTime() const { return startDateTime; }
    QString getEndDateTime() const { return endDateTime; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVBoxLayout *verticalLayout;
    QWidget *widgetTitle;
    QHBoxLayout *horizontalLayout1;
    QLabel *labIco;
    QLabel *labTitle;
    QWidget *widgetMenu;
    QHBoxLayout *horizontalLayout;
    QPushButton *btnMenu_Close;
    QWidget *widgetMainTavi;
    QVBoxLayout *verticalLayout1;
    QFrame *frame;
    QGridLayout *gridLayout;
    QLabel *labStart;
    QPushButton *btnOk;
    QLabel *labEnd;
    QDateTimeEdit *dateStart;
    QDateTimeEdit *dateEnd;
    QPushButton *btnClose;

    QString startDateTime;
    QString endDateTime;
    QString format;

private slots:
    void initControl();
    void initForm();
    void on_btnOk_clicked();
    void on_btnMenu_Close_clicked();

public slots:
    void setIconMain(const QChar &str, quint32 size = 12);
    void setFormat(const QString &format);
};

#endif // TAVIDATESELECT_H
