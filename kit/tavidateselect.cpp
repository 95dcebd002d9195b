#include "tavidateselect.h"

#include "dialogparts.h"
#include "iconhelper.h"
#include "tavihelper.h"

#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
DragState drag;

QPushButton *dialogButton(QWidget *parent, const char *name, const QString &text,
                          const QString &icon)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(85, 0);
    button->setCursor(QCursor(Qt::PointingHandCursor));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setIcon(QIcon(icon));
    button->setText(text);
    return button;
}

QDateTimeEdit *dateEditor(QWidget *parent, const char *name)
{
    auto *edit = new QDateTimeEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    edit->setCalendarPopup(true);
    edit->calendarWidget()->setGridVisible(true);
    edit->calendarWidget()->setLocale(QLocale(QLocale::Chinese));
    return edit;
}
} // namespace

TaviDateSelect *TaviDateSelect::instance()
{
    return sharedInstance<TaviDateSelect>();
}

TaviDateSelect::TaviDateSelect(QWidget *parent) : QDialog(parent)
{
    initControl();
    initForm();
    TaviHelper::centerOnDesktop(this);
}

void TaviDateSelect::initControl()
{
    setObjectName(QStringLiteral("TaviDateSelect"));
    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(1, 1, 1, 1);
    const TitleBar bar = buildTitleBar(this, verticalLayout, TitleBarKind::Date);
    widgetTitle = bar.widgetTitle;
    horizontalLayout1 = bar.titleLayout;
    labIco = bar.labIco;
    labTitle = bar.labTitle;
    widgetMenu = bar.widgetMenu;
    horizontalLayout = bar.menuLayout;
    btnMenu_Close = bar.btnMenu_Close;
    labTitle->setText(tr("日期时间选择"));

    widgetMainTavi = new QWidget(this);
    widgetMainTavi->setObjectName(QStringLiteral("widgetMainTavi"));
    verticalLayout1 = new QVBoxLayout(widgetMainTavi);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    verticalLayout1->setSpacing(6);
    verticalLayout1->setContentsMargins(6, 6, 6, 6);
    frame = new QFrame(widgetMainTavi);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    gridLayout = new QGridLayout(frame);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));

    labStart = new QLabel(tr("开始时间"), frame);
    labStart->setObjectName(QStringLiteral("labStart"));
    labStart->setFocusPolicy(Qt::TabFocus);
    dateStart = dateEditor(frame, "dateStart");
    btnOk = dialogButton(frame, "btnOk", tr("确定"), QStringLiteral(":/image/btn_ok.png"));
    labEnd = new QLabel(tr("结束时间"), frame);
    labEnd->setObjectName(QStringLiteral("labEnd"));
    labEnd->setFocusPolicy(Qt::TabFocus);
    dateEnd = dateEditor(frame, "dateEnd");
    btnClose = dialogButton(frame, "btnClose", tr("关闭"), QStringLiteral(":/image/btn_close.png"));
    gridLayout->addWidget(labStart, 0, 0);
    gridLayout->addWidget(dateStart, 0, 1);
    gridLayout->addWidget(btnOk, 0, 2);
    gridLayout->addWidget(labEnd, 1, 0);
    gridLayout->addWidget(dateEnd, 1, 1);
    gridLayout->addWidget(btnClose, 1, 2);
    verticalLayout1->addWidget(frame);
    verticalLayout->addWidget(widgetMainTavi);

    QWidget::setTabOrder(labStart, labEnd);
    QWidget::setTabOrder(labEnd, dateStart);
    QWidget::setTabOrder(dateStart, dateEnd);
    QWidget::setTabOrder(dateEnd, btnOk);
    QWidget::setTabOrder(btnOk, btnClose);

    QMetaObject::connectSlotsByName(this);
    connect(btnClose, &QPushButton::clicked, this, &TaviDateSelect::on_btnMenu_Close_clicked);
}

void TaviDateSelect::initForm()
{
    TitleBar bar;
    bar.widgetTitle = widgetTitle;
    bar.labIco = labIco;
    bar.labTitle = labTitle;
    bar.btnMenu_Close = btnMenu_Close;
    initDialogForm(this, bar, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, 320, 130);
    styleFrameButtons(frame);

    const QDate today = QDate::currentDate();
    dateStart->setDate(today);
    dateEnd->setDate(today.addDays(1));
    setFormat(QStringLiteral("yyyy-MM-dd"));
}

bool TaviDateSelect::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && handleDialogDrag(this, event, drag)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TaviDateSelect::on_btnOk_clicked()
{
    if (dateEnd->dateTime() < dateStart->dateTime()) {
        TaviHelper::showError(tr("开始时间不能大于结束时间!"), 3, false);
        return;
    }
    startDateTime = dateStart->dateTime().toString(format);
    endDateTime = dateEnd->dateTime().toString(format);
    done(QDialogButtonBox::Ok);
    close();
}

void TaviDateSelect::on_btnMenu_Close_clicked()
{
    done(QDialogButtonBox::Cancel);
    close();
}

void TaviDateSelect::setIconMain(const QChar &str, quint32 size)
{
    IconHelper::instance()->setIcon(labIco, str, size);
}

void TaviDateSelect::setFormat(const QString &format)
{
    this->format = format;
    dateStart->setDisplayFormat(format);
    dateEnd->setDisplayFormat(format);
}
