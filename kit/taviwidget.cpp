#include "taviwidget.h"

#include "dialogparts.h"
#include "iconhelper.h"
#include "taviappearance.h"
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// Shared by every framed window of the process.
bool dragPressed = false;
QPoint dragOffset;
bool maximised = false;
QRect savedGeometry;

QPushButton *titleButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    button->setMinimumSize(30, 0);
    button->setMaximumSize(30, 16777215);
    button->setCursor(QCursor(Qt::ArrowCursor));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
} // namespace

QStringList TaviWidget::themeNames()
{
    return {tr("银色"),   tr("蓝色"),     tr("浅蓝色"),   tr("深蓝色"),   tr("灰色"),
            tr("浅灰色"), tr("深灰色"),   tr("黑色"),     tr("浅黑色"),   tr("深黑色"),
            tr("PS黑色"), tr("黑色扁平"), tr("白色扁平"), tr("蓝色扁平"), tr("紫色"),
            tr("黑蓝色"), tr("视频黑")};
}

TaviWidget::TaviWidget(QWidget *parent) : QDialog(parent), title(), alignment()
{
    initControl();
    initForm();
    TaviHelper::centerOnDesktop(this);
}

QSize TaviWidget::sizeHint() const
{
    return QSize(600, 450);
}

QSize TaviWidget::minimumSizeHint() const
{
    return QSize(200, 150);
}

void TaviWidget::initControl()
{
    setObjectName(QStringLiteral("TaviWidget"));
    resize(900, 750);
    verticalLayout1 = new QVBoxLayout(this);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    verticalLayout1->setSpacing(0);
    verticalLayout1->setContentsMargins(1, 1, 1, 1);

    widgetMainTavi = new QWidget(this);
    widgetMainTavi->setObjectName(QStringLiteral("widgetMainTavi"));
    verticalLayout2 = new QVBoxLayout(widgetMainTavi);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    verticalLayout2->setSpacing(0);
    verticalLayout2->setContentsMargins(0, 0, 0, 0);

    widgetTitle = new QWidget(widgetMainTavi);
    widgetTitle->setObjectName(QStringLiteral("widgetTitle"));
    widgetTitle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    widgetTitle->setMinimumSize(0, 30);
    horizontalLayout4 = new QHBoxLayout(widgetTitle);
    horizontalLayout4->setObjectName(QStringLiteral("horizontalLayout4"));
    horizontalLayout4->setSpacing(0);
    horizontalLayout4->setContentsMargins(0, 0, 0, 0);

    labIco = new QLabel(widgetTitle);
    labIco->setObjectName(QStringLiteral("labIco"));
    labIco->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    labIco->setMinimumSize(30, 0);
    labIco->setAlignment(Qt::AlignCenter);
    horizontalLayout4->addWidget(labIco);

    labTitle = new QLabel(widgetTitle);
    labTitle->setObjectName(QStringLiteral("labTitle"));
    labTitle->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    labTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalLayout4->addWidget(labTitle);

    widgetMenu = new QWidget(widgetTitle);
    widgetMenu->setObjectName(QStringLiteral("widgetMenu"));
    widgetMenu->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    horizontalLayout = new QHBoxLayout(widgetMenu);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(0);
    horizontalLayout->setContentsMargins(0, 0, 0, 0);

    btnMenu = new QToolButton(widgetMenu);
    btnMenu->setObjectName(QStringLiteral("btnMenu"));
    btnMenu->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnMenu->setMinimumSize(30, 0);
    btnMenu->setMaximumSize(30, 16777215);
    btnMenu->setFocusPolicy(Qt::NoFocus);
    btnMenu->setPopupMode(QToolButton::InstantPopup);
    horizontalLayout->addWidget(btnMenu);

    btnMenu_Min = titleButton(widgetMenu, "btnMenu_Min");
    horizontalLayout->addWidget(btnMenu_Min);
    btnMenu_Max = titleButton(widgetMenu, "btnMenu_Max");
    horizontalLayout->addWidget(btnMenu_Max);
    btnMenu_Close = titleButton(widgetMenu, "btnMenu_Close");
    horizontalLayout->addWidget(btnMenu_Close);

    horizontalLayout4->addWidget(widgetMenu);
    verticalLayout2->addWidget(widgetTitle);

    widget = new QWidget(widgetMainTavi);
    widget->setObjectName(QStringLiteral("widget"));
    verticalLayout3 = new QVBoxLayout(widget);
    verticalLayout3->setObjectName(QStringLiteral("verticalLayout3"));
    verticalLayout3->setSpacing(0);
    verticalLayout3->setContentsMargins(0, 0, 0, 0);
    verticalLayout2->addWidget(widget);
    verticalLayout1->addWidget(widgetMainTavi);

    connect(btnMenu_Min, &QPushButton::clicked, this, &TaviWidget::on_btnMenu_Min_clicked);
    connect(btnMenu_Max, &QPushButton::clicked, this, &TaviWidget::on_btnMenu_Max_clicked);
    connect(btnMenu_Close, &QPushButton::clicked, this, &TaviWidget::on_btnMenu_Close_clicked);
}

void TaviWidget::initForm()
{
    setIconMain(TaviAppearance::IconMain, 11);
    setIcon(Widget_BtnMenu, TaviAppearance::IconMenu, 12);
    setIcon(Widget_BtnMenuMin, TaviAppearance::IconMin, 12);
    IconHelper::instance()->setIcon(btnMenu_Max, TaviAppearance::IconNormal, 12);
    IconHelper::instance()->setIcon(btnMenu_Close, TaviAppearance::IconClose, 12);

    setProperty("form", true);
    setProperty("canMove", true);
    widgetTitle->setProperty("form", "title");
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint);

    title = QStringLiteral("Tavi Demo");
    alignment = Qt::AlignLeft | Qt::AlignVCenter;
    minHide = false;
    exitAll = true;
    mainWidget = nullptr;

    btnMenu->setVisible(false);
    installEventFilter(this);
    widgetTitle->installEventFilter(this);

    for (const QString &name : themeNames()) {
        auto *action = new QAction(name, this);
        connect(action, &QAction::triggered, this, qOverload<>(&TaviWidget::changeStyle));
        btnMenu->addAction(action);
    }
}

void TaviWidget::changeStyle()
{
    auto *action = qobject_cast<QAction *>(sender());
    const int style = action ? themeNames().indexOf(action->text()) : -1;
    if (style < 0) {
        emit changeStyle(QStringLiteral(":/qss/lightblue.css"));
        return;
    }
    TaviHelper::applyTheme(style);
    emit changeStyle(TaviHelper::themeFile(style));
}

bool TaviWidget::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            dragPressed = true;
            dragOffset = globalMousePos(mouse) - pos();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        dragPressed = false;
        break;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (dragPressed && mouse->buttons() != Qt::NoButton && property("canMove").toBool()) {
            move(globalMousePos(mouse) - dragOffset);
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == widgetTitle && btnMenu_Max->isVisible()) {
            on_btnMenu_Max_clicked();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TaviWidget::on_btnMenu_Min_clicked()
{
    if (minHide) {
        hide();
    } else {
        showMinimized();
    }
}

void TaviWidget::on_btnMenu_Max_clicked()
{
    if (maximised) {
        setGeometry(savedGeometry);
        IconHelper::instance()->setIcon(btnMenu_Max, TaviAppearance::IconNormal, 12);
    } else {
        savedGeometry = geometry();
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            setGeometry(screen->availableGeometry());
        }
        IconHelper::instance()->setIcon(btnMenu_Max, TaviAppearance::IconMax, 12);
    }
    // A maximised window cannot be dragged.
    setProperty("canMove", maximised);
    maximised = !maximised;
}

void TaviWidget::on_btnMenu_Close_clicked()
{
    emit closing();
    if (mainWidget) {
        mainWidget->close();
    }
    if (exitAll) {
        close();
    }
}

void TaviWidget::setIcon(TaviWidget::Widget widget, const QChar &str, quint32 size)
{
    IconHelper *icons = IconHelper::instance();
    switch (widget) {
    case Widget_LabIco:
        setIconMain(str, size);
        break;
    case Widget_BtnMenu:
        TaviAppearance::IconMenu = str;
        icons->setIcon(btnMenu, str, size);
        break;
    case Widget_BtnMenuMin:
        TaviAppearance::IconMin = str;
        icons->setIcon(btnMenu_Min, str, size);
        break;
    case Widget_BtnMenuMax:
        TaviAppearance::IconMax = str;
        icons->setIcon(btnMenu_Max, str, size);
        break;
    case Widget_BtnMenuNormal:
        TaviAppearance::IconNormal = str;
        icons->setIcon(btnMenu_Max, str, size);
        break;
    case Widget_BtnMenuClose:
        TaviAppearance::IconClose = str;
        icons->setIcon(btnMenu_Close, str, size);
        break;
    }
}

void TaviWidget::setIconMain(const QChar &str, quint32 size)
{
    TaviAppearance::IconMain = str;
    IconHelper::instance()->setIcon(labIco, str, size);
    TaviMessageBox::instance()->setIconMain(str, size);
    TaviInputBox::instance()->setIconMain(str, size);
    TaviDateSelect::instance()->setIconMain(str, size);
}

void TaviWidget::setPixmap(TaviWidget::Widget widget, const QString &file, const QSize &size)
{
    const QPixmap pix = QPixmap(file).scaled(size, Qt::KeepAspectRatio, Qt::FastTransformation);
    switch (widget) {
    case Widget_LabIco:
        labIco->setPixmap(pix);
        break;
    case Widget_BtnMenu:
        btnMenu->setIcon(QIcon(file));
        break;
    case Widget_BtnMenuMin:
        btnMenu_Min->setIcon(QIcon(file));
        break;
    case Widget_BtnMenuMax:
        btnMenu_Max->setIcon(QIcon(file));
        break;
    case Widget_BtnMenuClose:
        btnMenu_Close->setIcon(QIcon(file));
        break;
    case Widget_BtnMenuNormal:
        break;
    }
}

void TaviWidget::setVisible(TaviWidget::Widget widget, bool visible)
{
    switch (widget) {
    case Widget_LabIco:
        labIco->setVisible(visible);
        break;
    case Widget_BtnMenu:
        btnMenu->setVisible(visible);
        break;
    case Widget_BtnMenuMin:
        btnMenu_Min->setVisible(visible);
        break;
    case Widget_BtnMenuMax:
        btnMenu_Max->setVisible(visible);
        break;
    case Widget_BtnMenuClose:
        btnMenu_Close->setVisible(visible);
        break;
    case Widget_BtnMenuNormal:
        break;
    }
}

void TaviWidget::setOnlyCloseBtn()
{
    btnMenu->setVisible(false);
    btnMenu_Min->setVisible(false);
    btnMenu_Max->setVisible(false);
}

void TaviWidget::setTitleHeight(int height)
{
    widgetTitle->setFixedHeight(height);
}

void TaviWidget::setBtnWidth(int width)
{
    labIco->setFixedWidth(width);
    btnMenu->setFixedWidth(width);
    btnMenu_Min->setFixedWidth(width);
    btnMenu_Max->setFixedWidth(width);
    btnMenu_Close->setFixedWidth(width);
}

void TaviWidget::setTitle(const QString &title)
{
    if (this->title == title) {
        return;
    }
    this->title = title;
    labTitle->setText(title);
    setWindowTitle(labTitle->text());
}

void TaviWidget::setAlignment(Qt::Alignment alignment)
{
    if (this->alignment == alignment) {
        return;
    }
    this->alignment = alignment;
    labTitle->setAlignment(alignment);
}

void TaviWidget::setMinHide(bool minHide)
{
    this->minHide = minHide;
}

void TaviWidget::setExitAll(bool exitAll)
{
    this->exitAll = exitAll;
}

void TaviWidget::setMainWidget(QWidget *mainWidget)
{
    if (this->mainWidget) {
        return;
    }
    verticalLayout3->addWidget(mainWidget);
    resize(mainWidget->width(), mainWidget->height() + widgetTitle->height());
    this->mainWidget = mainWidget;
}
