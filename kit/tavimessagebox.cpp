#include "tavimessagebox.h"

#include "dialogparts.h"
#include "iconhelper.h"
#include "tavihelper.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
DragState dragState; // shared by every dialog of this class
}

TaviMessageBox *TaviMessageBox::instance()
{
    return sharedInstance<TaviMessageBox>();
}

TaviMessageBox::TaviMessageBox(QWidget *parent) : CountdownDialog(parent, dragState)
{
    initControl();
    initForm();
    TaviHelper::centerOnDesktop(this);
}

void TaviMessageBox::initControl()
{
    setObjectName(QStringLiteral("TaviMessageBox"));
    verticalLayout1 = new QVBoxLayout(this);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    verticalLayout1->setSpacing(0);
    verticalLayout1->setContentsMargins(1, 1, 1, 1);
    const TitleBar bar = buildTitleBar(this, verticalLayout1, TitleBarKind::Message);
    widgetTitle = bar.widgetTitle;
    horizontalLayout3 = bar.titleLayout;
    labIco = bar.labIco;
    labTitle = bar.labTitle;
    labTime = bar.labTime;
    widgetMenu = bar.widgetMenu;
    horizontalLayout4 = bar.menuLayout;
    btnMenu_Close = bar.btnMenu_Close;

    widgetMainTavi = new QWidget(this);
    widgetMainTavi->setObjectName(QStringLiteral("widgetMainTavi"));
    verticalLayout2 = new QVBoxLayout(widgetMainTavi);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout2"));
    verticalLayout2->setSpacing(5);
    verticalLayout2->setContentsMargins(5, 5, 5, 5);
    frame = new QFrame(widgetMainTavi);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    verticalLayout4 = new QVBoxLayout(frame);
    verticalLayout4->setObjectName(QStringLiteral("verticalLayout4"));
    int left, top, right, bottom;
    verticalLayout4->getContentsMargins(&left, &top, &right, &bottom);
    verticalLayout4->setContentsMargins(left, 9, right, bottom);

    horizontalLayout1 = new QHBoxLayout();
    horizontalLayout1->setObjectName(QStringLiteral("horizontalLayout1"));
    labIcoMain = new QLabel(frame);
    labIcoMain->setObjectName(QStringLiteral("labIcoMain"));
    labIcoMain->setAlignment(Qt::AlignCenter);
    horizontalLayout1->addWidget(labIcoMain);
    horizontalSpacer1 = new QSpacerItem(5, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    horizontalLayout1->addItem(horizontalSpacer1);
    labInfo = new QLabel(frame);
    labInfo->setObjectName(QStringLiteral("labInfo"));
    labInfo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    labInfo->setMinimumSize(0, 30);
    labInfo->setScaledContents(false);
    labInfo->setWordWrap(true);
    horizontalLayout1->addWidget(labInfo);
    verticalLayout4->addLayout(horizontalLayout1);

    horizontalLayout2 = new QHBoxLayout();
    horizontalLayout2->setObjectName(QStringLiteral("horizontalLayout2"));
    horizontalSpacer2 = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout2->addItem(horizontalSpacer2);
    btnOk = new QPushButton(frame);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setMinimumSize(85, 0);
    btnOk->setFocusPolicy(Qt::StrongFocus);
    btnOk->setIcon(QIcon(QStringLiteral(":/image/btn_ok.png")));
    btnOk->setText(tr("确定"));
    horizontalLayout2->addWidget(btnOk);
    btnCancel = new QPushButton(frame);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setMinimumSize(85, 0);
    btnCancel->setFocusPolicy(Qt::StrongFocus);
    btnCancel->setIcon(QIcon(QStringLiteral(":/image/btn_close.png")));
    btnCancel->setText(tr("取消"));
    horizontalLayout2->addWidget(btnCancel);
    verticalLayout4->addLayout(horizontalLayout2);
    verticalLayout2->addWidget(frame);
    verticalLayout1->addWidget(widgetMainTavi);

    QMetaObject::connectSlotsByName(this);
    connect(btnCancel, &QPushButton::clicked, this, &TaviMessageBox::on_btnMenu_Close_clicked);
}

void TaviMessageBox::initForm()
{
    TitleBar bar;
    bar.widgetTitle = widgetTitle;
    bar.labIco = labIco;
    bar.labTitle = labTitle;
    bar.btnMenu_Close = btnMenu_Close;
    initDialogForm(this, bar, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, 280, 150);
    styleFrameButtons(frame);
    labIcoMain->setFixedSize(30, 30);

    startCountdownTimer();
}

void TaviMessageBox::checkSec()
{
    if (countdownStep()) {
        close();
    }
}

void TaviMessageBox::on_btnOk_clicked()
{
    done(QMessageBox::Yes);
    close();
}

void TaviMessageBox::on_btnMenu_Close_clicked()
{
    done(QMessageBox::No);
    close();
}

void TaviMessageBox::setIconMain(const QChar &str, quint32 size)
{
    IconHelper::instance()->setIcon(labIco, str, size);
}

void TaviMessageBox::setMessage(const QString &msg, int type, int closeSec)
{
    restartCountdown(closeSec);

    static const char *const images[] = {":/image/msg_info.png", ":/image/msg_question.png",
                                         ":/image/msg_error.png"};
    static const ushort glyphs[] = {0xF05A, 0xF059, 0xF057};
    if (type >= 0 && type <= 2) {
        if (!QImage(QStringLiteral(":/image/msg_info.png")).isNull()) {
            labIcoMain->setStyleSheet(
                QStringLiteral("border-image: url(%1);").arg(QLatin1String(images[type])));
        } else {
            IconHelper::instance()->setIcon(labIcoMain, QChar(glyphs[type]),
                                            quint32(labIcoMain->height()));
        }
    }

    if (type == 0) {
        btnCancel->setVisible(false);
        labTitle->setText(tr("提示"));
    } else if (type == 1) {
        labTitle->setText(tr("询问"));
    } else if (type == 2) {
        btnCancel->setVisible(false);
        labTitle->setText(tr("错误"));
    }
    labInfo->setText(msg);
    setWindowTitle(labTitle->text());
}
