#include "tavitipbox.h"

#include "dialogparts.h"
#include "iconhelper.h"
#include "taviappearance.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
DragState dragState; // shared by every dialog of this class
}

TaviTipBox *TaviTipBox::instance()
{
    return sharedInstance<TaviTipBox>();
}

TaviTipBox::TaviTipBox(QWidget *parent) : CountdownDialog(parent, dragState)
{
    initControl();
    initForm();
}

void TaviTipBox::initControl()
{
    setObjectName(QStringLiteral("TaviTipBox"));
    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(1, 1, 1, 1);
    const TitleBar bar = buildTitleBar(this, verticalLayout, TitleBarKind::Tip);
    widgetTitle = bar.widgetTitle;
    horizontalLayout2 = bar.titleLayout;
    labIco = bar.labIco;
    labTitle = bar.labTitle;
    labTime = bar.labTime;
    widgetMenu = bar.widgetMenu;
    horizontalLayout = bar.menuLayout;
    btnMenu_Close = bar.btnMenu_Close;

    widgetMainTavi = new QWidget(this);
    widgetMainTavi->setObjectName(QStringLiteral("widgetMainTavi"));
    widgetMainTavi->setAutoFillBackground(true);
    verticalLayout2 = new QVBoxLayout(widgetMainTavi);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    labInfo = new QLabel(widgetMainTavi);
    labInfo->setObjectName(QStringLiteral("labInfo"));
    labInfo->setScaledContents(true);
    verticalLayout2->addWidget(labInfo);
    verticalLayout->addWidget(widgetMainTavi);

    QMetaObject::connectSlotsByName(this);
}

void TaviTipBox::initForm()
{
    TitleBar bar;
    bar.widgetTitle = widgetTitle;
    bar.labIco = labIco;
    bar.labTitle = labTitle;
    bar.btnMenu_Close = btnMenu_Close;
    initDialogForm(this, bar,
                   Qt::Tool | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint
                       | Qt::WindowStaysOnTopHint,
                   280, 150);

    startCountdownTimer();

    QFont font = labInfo->font();
    font.setPixelSize(TaviAppearance::FontSize + 3);
    font.setWeight(QFont::Bold);
    labInfo->setFont(font);

    animation = new QPropertyAnimation(this, "pos", this);
    animation->setDuration(500);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
}

void TaviTipBox::checkSec()
{
    if (countdownStep()) {
        close();
    }
}

void TaviTipBox::on_btnMenu_Close_clicked()
{
    done(QMessageBox::No);
    close();
}

void TaviTipBox::setIconMain(const QChar &str, quint32 size)
{
    IconHelper::instance()->setIcon(labIco, str, size);
}

QRect TaviTipBox::screenArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return QRect();
    }
    return fullScreen ? screen->availableGeometry() : screen->virtualGeometry();
}

void TaviTipBox::setTip(const QString &title, const QString &tip, bool fullScreen, bool center,
                        int closeSec)
{
    restartCountdown(closeSec);

    this->fullScreen = fullScreen;
    labTitle->setText(title);
    labInfo->setText(tip);
    labInfo->setAlignment(center ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    setWindowTitle(labTitle->text());

    const QRect area = screenArea();
    const int x = area.width() - width();
    const int y = area.height() - height();
    move(x, y);
    animation->stop();
    animation->setStartValue(QPoint(x, area.height()));
    animation->setEndValue(QPoint(x, y));
    animation->start();
}

void TaviTipBox::hide()
{
    const QRect area = screenArea();
    const int x = area.width() - width();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int desktopHeight = screen ? screen->virtualGeometry().height() : area.height();
    animation->stop();
    animation->setStartValue(QPoint(x, area.height() - height()));
    animation->setEndValue(QPoint(x, desktopHeight));
    animation->start();
}
