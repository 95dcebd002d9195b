#include "dialogparts.h"

#include "iconhelper.h"
#include "taviappearance.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(CountdownDialog)
};
} // namespace

TitleBar buildTitleBar(QDialog *dialog, QVBoxLayout *outer, TitleBarKind kind)
{
    TitleBar bar;
    const bool tip = kind == TitleBarKind::Tip;
    bar.widgetTitle = new QWidget(dialog);
    bar.widgetTitle->setObjectName(QStringLiteral("widgetTitle"));
    bar.widgetTitle->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (!tip) {
        bar.widgetTitle->setMinimumSize(0, 30);
    }
    static const char *const titleLayoutNames[] = {"horizontalLayout3", "horizontalLayout2",
                                                   "horizontalLayout1", "horizontalLayout1"};
    static const char *const menuLayoutNames[] = {"horizontalLayout4", "horizontalLayout",
                                                  "horizontalLayout2", "horizontalLayout"};
    const int k = static_cast<int>(kind);
    bar.titleLayout = new QHBoxLayout(bar.widgetTitle);
    bar.titleLayout->setObjectName(QLatin1String(titleLayoutNames[k]));
    bar.titleLayout->setSpacing(0);
    bar.titleLayout->setContentsMargins(0, 0, 0, 0);

    bar.labIco = new QLabel(bar.widgetTitle);
    bar.labIco->setObjectName(QStringLiteral("labIco"));
    if (!tip) {
        bar.labIco->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    }
    bar.labIco->setMinimumSize(30, 0);
    bar.labIco->setAlignment(Qt::AlignCenter);
    bar.titleLayout->addWidget(bar.labIco);

    bar.labTitle = new QLabel(bar.widgetTitle);
    bar.labTitle->setObjectName(QStringLiteral("labTitle"));
    bar.labTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (kind == TitleBarKind::Date) {
        bar.labTitle->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    bar.titleLayout->addWidget(bar.labTitle);

    if (kind != TitleBarKind::Date) {
        bar.labTime = new QLabel(bar.widgetTitle);
        bar.labTime->setObjectName(QStringLiteral("labTime"));
        bar.labTime->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        if (!tip) {
            bar.labTime->setAlignment(Qt::AlignCenter);
        }
        bar.titleLayout->addWidget(bar.labTime);
    }

    bar.widgetMenu = new QWidget(bar.widgetTitle);
    bar.widgetMenu->setObjectName(QStringLiteral("widgetMenu"));
    bar.widgetMenu->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    bar.menuLayout = new QHBoxLayout(bar.widgetMenu);
    bar.menuLayout->setObjectName(QLatin1String(menuLayoutNames[k]));
    bar.menuLayout->setSpacing(0);
    bar.menuLayout->setContentsMargins(0, 0, 0, 0);

    bar.btnMenu_Close = new QPushButton(bar.widgetMenu);
    bar.btnMenu_Close->setObjectName(QStringLiteral("btnMenu_Close"));
    bar.btnMenu_Close->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    bar.btnMenu_Close->setMinimumSize(30, 0);
    bar.btnMenu_Close->setMaximumSize(30, 16777215);
    bar.btnMenu_Close->setCursor(QCursor(Qt::ArrowCursor));
    bar.btnMenu_Close->setFocusPolicy(Qt::NoFocus);
    bar.btnMenu_Close->setFlat(true);
    bar.menuLayout->addWidget(bar.btnMenu_Close);
    bar.titleLayout->addWidget(bar.widgetMenu);

    outer->addWidget(bar.widgetTitle);
    return bar;
}

void initDialogForm(QDialog *dialog, const TitleBar &bar, Qt::WindowFlags flags, int width,
                    int height)
{
    IconHelper::instance()->setIcon(bar.labIco, TaviAppearance::IconMain,
                                    quint32(TaviAppearance::FontSize + 2));
    IconHelper::instance()->setIcon(bar.btnMenu_Close, TaviAppearance::IconClose,
                                    quint32(TaviAppearance::FontSize));
    dialog->setProperty("form", true);
    bar.widgetTitle->setProperty("form", "title");
    dialog->setWindowFlags(flags);
    dialog->setWindowTitle(bar.labTitle->text());
    dialog->setFixedSize(width, height);
    dialog->installEventFilter(dialog);
}

void styleFrameButtons(QWidget *frame)
{
    for (QPushButton *button : frame->findChildren<QPushButton *>()) {
        button->setMinimumWidth(80);
        button->setIconSize(QSize(18, 18));
    }
}

bool countdownTick(int closeSec, int &elapsedSec, QLabel *labTime)
{
    if (closeSec == 0) {
        return false;
    }
    bool closeNow = false;
    if (elapsedSec < closeSec) {
        ++elapsedSec;
    } else {
        closeNow = true;
    }
    labTime->setText(Texts::tr("关闭倒计时 %1 s").arg(closeSec - elapsedSec + 1));
    return closeNow;
}

QPoint globalMousePos(const QMouseEvent *mouse)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return mouse->globalPos();
#else
    return mouse->globalPosition().toPoint(); // what Qt 5's globalPos() rounds to as well
#endif
}

bool handleDialogDrag(QWidget *dialog, QEvent *event, DragState &state)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        state.pressed = true;
        state.offset = globalMousePos(mouse) - dialog->pos();
        return true;
    }
    case QEvent::MouseButtonRelease:
        state.pressed = false;
        return true;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (state.pressed && mouse->buttons() != Qt::NoButton) {
            dialog->move(globalMousePos(mouse) - state.offset);
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}
