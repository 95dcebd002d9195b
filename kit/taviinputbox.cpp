#include "taviinputbox.h"

#include "dialogparts.h"
#include "iconhelper.h"
#include "tavihelper.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
DragState dragState; // shared by every dialog of this class
}

TaviInputBox *TaviInputBox::instance()
{
    return sharedInstance<TaviInputBox>();
}

TaviInputBox::TaviInputBox(QWidget *parent) : CountdownDialog(parent, dragState)
{
    initControl();
    initForm();
    TaviHelper::centerOnDesktop(this);
}

void TaviInputBox::initControl()
{
    setObjectName(QStringLiteral("TaviInputBox"));
    verticalLayout1 = new QVBoxLayout(this);
    verticalLayout1->setObjectName(QStringLiteral("verticalLayout1"));
    verticalLayout1->setSpacing(0);
    verticalLayout1->setContentsMargins(1, 1, 1, 1);
    const TitleBar bar = buildTitleBar(this, verticalLayout1, TitleBarKind::Input);
    widgetTitle = bar.widgetTitle;
    horizontalLayout1 = bar.titleLayout;
    labIco = bar.labIco;
    labTitle = bar.labTitle;
    labTime = bar.labTime;
    widgetMenu = bar.widgetMenu;
    horizontalLayout2 = bar.menuLayout;
    btnMenu_Close = bar.btnMenu_Close;
    labTitle->setText(tr("输入框"));

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
    verticalLayout3 = new QVBoxLayout(frame);
    verticalLayout3->setObjectName(QStringLiteral("verticalLayout3"));
    labInfo = new QLabel(frame);
    labInfo->setObjectName(QStringLiteral("labInfo"));
    labInfo->setScaledContents(false);
    labInfo->setWordWrap(true);
    verticalLayout3->addWidget(labInfo);
    txtValue = new QLineEdit(frame);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    verticalLayout3->addWidget(txtValue);
    cboxValue = new QComboBox(frame);
    cboxValue->setObjectName(QStringLiteral("cboxValue"));
    verticalLayout3->addWidget(cboxValue);

    lay = new QHBoxLayout();
    lay->setObjectName(QStringLiteral("lay"));
    horizontalSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    lay->addItem(horizontalSpacer);
    btnOk = new QPushButton(frame);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setMinimumSize(85, 0);
    btnOk->setIcon(QIcon(QStringLiteral(":/image/btn_ok.png")));
    btnOk->setText(tr("确定"));
    lay->addWidget(btnOk);
    btnCancel = new QPushButton(frame);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setMinimumSize(85, 0);
    btnCancel->setIcon(QIcon(QStringLiteral(":/image/btn_close.png")));
    btnCancel->setText(tr("取消"));
    lay->addWidget(btnCancel);
    verticalLayout3->addLayout(lay);
    verticalLayout2->addWidget(frame);
    verticalLayout1->addWidget(widgetMainTavi);
    QWidget::setTabOrder(txtValue, btnOk);
    QWidget::setTabOrder(btnOk, btnCancel);

    QMetaObject::connectSlotsByName(this);
    connect(btnCancel, &QPushButton::clicked, this, &TaviInputBox::on_btnMenu_Close_clicked);
}

void TaviInputBox::initForm()
{
    TitleBar bar;
    bar.widgetTitle = widgetTitle;
    bar.labIco = labIco;
    bar.labTitle = labTitle;
    bar.btnMenu_Close = btnMenu_Close;
    initDialogForm(this, bar, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, 280, 150);
    styleFrameButtons(frame);

    startCountdownTimer();
}

void TaviInputBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    txtValue->setFocus();
    activateWindow();
}

void TaviInputBox::checkSec()
{
    if (countdownStep()) {
        close();
    }
}

void TaviInputBox::on_btnOk_clicked()
{
    if (txtValue->isVisible()) {
        value = txtValue->text();
    } else if (cboxValue->isVisible()) {
        value = cboxValue->currentText();
    }
    done(QDialogButtonBox::Ok);
    close();
}

void TaviInputBox::on_btnMenu_Close_clicked()
{
    done(QDialogButtonBox::Cancel);
    close();
}

void TaviInputBox::setIconMain(const QChar &str, quint32 size)
{
    IconHelper::instance()->setIcon(labIco, str, size);
}

void TaviInputBox::setParameter(const QString &title, int type, int closeSec,
                                const QString &placeholderText, bool pwd,
                                const QString &defaultValue)
{
    restartCountdown(closeSec);
    labInfo->setText(title);

    if (type == 0) {
        cboxValue->setVisible(false);
        txtValue->setPlaceholderText(placeholderText);
        txtValue->setText(defaultValue);
        if (pwd) {
            txtValue->setEchoMode(QLineEdit::Password);
        }
    } else if (type == 1) {
        txtValue->setVisible(false);
        cboxValue->addItems(defaultValue.split(QLatin1Char('|')));
    }
}
