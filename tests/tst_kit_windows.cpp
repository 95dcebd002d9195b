#include "iconhelper.h"
#include "taviappearance.h"
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "tavitipbox.h"
#include "taviwidget.h"
#include "trayicon.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {
// Runs `action` on the next visible top-level dialog of type T, from the event loop.
template <typename T, typename Action>
void whenShown(QObject *context, Action action)
{
    auto *poll = new QTimer(context);
    poll->setInterval(30);
    QObject::connect(poll, &QTimer::timeout, context, [poll, action] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<T *>(w); d && d->isVisible()) {
                poll->stop();
                poll->deleteLater();
                action(d);
                return;
            }
        }
    });
    poll->start();
}

template <typename T>
T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}
} // namespace

class TestKitWindows : public QObject
{
    Q_OBJECT
private slots:
    void messageBoxTexts();
    void countdownFromFiveThenClose();
    void sharedBoxKeepsCancelHidden();
    void dialogsAreDraggedByTheirBody();
    void questionResults();
    void countdownCloseReturnsZero();
    void inputTyped();
    void inputCancelledIsEmpty();
    void inputListKeepsEmptyEntries();
    void dateRangeRefusesEndBeforeStart();
    void dateRangeCancelled();
    void tipSlidesInAndOut();
    void framedWindowBuild();
    void setTitleWithStoredTitle();
    void setMainWidgetTwice();
    void closeWithoutExitAll();
    void normalGlyphPartIsIgnored();
    void maximiseAndDrag();
    void minimiseHides();
    void themeMenu();
    void iconMainReachesTheDialogs();
    void trayMenuEntries();
    void trayActivation();
    void trayExitSignal();
    void trayCloseAllEndsTheProcess();
};

void TestKitWindows::messageBoxTexts()
{
    TaviMessageBox box;
    QCOMPARE(box.size(), QSize(280, 150));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(box.windowFlags() & Qt::WindowStaysOnTopHint);
    box.setMessage("磁盘已满", 2);
    QCOMPARE(child<QLabel>(&box, "labTitle")->text(), QString("错误"));
    QCOMPARE(child<QLabel>(&box, "labInfo")->text(), QString("磁盘已满"));
    QCOMPARE(box.windowTitle(), QString("错误"));
    QCOMPARE(child<QLabel>(&box, "labIcoMain")->styleSheet(), QString("border-image: url(:/image/msg_error.png);"));
    QCOMPARE(child<QPushButton>(&box, "btnOk")->text(), QString("确定"));
    QCOMPARE(child<QPushButton>(&box, "btnOk")->minimumWidth(), 80);
    QVERIFY(child<QLabel>(&box, "labTime")->text().isEmpty());
    box.setMessage("?", 7); // unknown type: title unchanged
    QCOMPARE(child<QLabel>(&box, "labTitle")->text(), QString("错误"));
}

void TestKitWindows::countdownFromFiveThenClose()
{
    TaviMessageBox box;
    box.show();
    box.setMessage("bye", 0, 5);
    QLabel *time = child<QLabel>(&box, "labTime");
    QStringList seen{time->text()};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(QMetaObject::invokeMethod(&box, "checkSec"));
        seen << time->text();
        QVERIFY(box.isVisible());
    }
    QCOMPARE(seen, (QStringList{"关闭倒计时 5 s", "关闭倒计时 4 s", "关闭倒计时 3 s", "关闭倒计时 2 s", "关闭倒计时 1 s"}));
    QVERIFY(QMetaObject::invokeMethod(&box, "checkSec"));
    QVERIFY(!box.isVisible());
    // The countdown is over: further ticks change nothing.
    const QString last = time->text();
    QVERIFY(QMetaObject::invokeMethod(&box, "checkSec"));
    QCOMPARE(time->text(), last);
}

void TestKitWindows::sharedBoxKeepsCancelHidden()
{
    TaviMessageBox *shared = TaviMessageBox::instance();
    QCOMPARE(shared, TaviMessageBox::instance());
    TaviHelper::showInfo("done", 0, false);
    QVERIFY(shared->isVisible());
    QVERIFY(child<QPushButton>(shared, "btnCancel")->isHidden());
    shared->setMessage("sure?", 1);
    QCOMPARE(child<QLabel>(shared, "labTitle")->text(), QString("询问"));
    QVERIFY(child<QPushButton>(shared, "btnCancel")->isHidden());
    shared->close();
}

void TestKitWindows::dialogsAreDraggedByTheirBody()
{
    TaviInputBox box;
    box.show();
    const QPoint start = box.pos();
    QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(130, 110), box.mapToGlobal(QPoint(130, 110)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &move);
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(130, 110));
    QCOMPARE(box.pos(), start + QPoint(30, 10));
    // Released: moving no longer drags.
    QMouseEvent free(QEvent::MouseMove, QPointF(200, 200), box.mapToGlobal(QPoint(200, 200)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &free);
    QCOMPARE(box.pos(), start + QPoint(30, 10));
}

void TestKitWindows::questionResults()
{
    whenShown<TaviMessageBox>(this, [](TaviMessageBox *box) {
        QVERIFY(!child<QPushButton>(box, "btnCancel")->isHidden());
        child<QPushButton>(box, "btnOk")->click();
    });
    QCOMPARE(TaviHelper::askQuestion("继续?"), 16384);
    whenShown<TaviMessageBox>(this, [](TaviMessageBox *box) { child<QPushButton>(box, "btnCancel")->click(); });
    QCOMPARE(TaviHelper::askQuestion("继续?"), 65536);
    whenShown<TaviMessageBox>(this, [](TaviMessageBox *box) { child<QPushButton>(box, "btnMenu_Close")->click(); });
    QCOMPARE(TaviHelper::askQuestion("继续?"), 65536);
}

void TestKitWindows::countdownCloseReturnsZero()
{
    TaviMessageBox box;
    box.setMessage("soon", 0, 1);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(box.exec(), 0);
    QVERIFY(clock.elapsed() >= 900);
}

void TestKitWindows::inputTyped()
{
    whenShown<TaviInputBox>(this, [](TaviInputBox *box) {
        QLineEdit *edit = child<QLineEdit>(box, "txtValue");
        QCOMPARE(edit->text(), QString("default"));
        QCOMPARE(edit->placeholderText(), QString("名字"));
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QVERIFY(child<QComboBox>(box, "cboxValue")->isHidden());
        edit->setText("秘密");
        child<QPushButton>(box, "btnOk")->click();
    });
    QCOMPARE(TaviHelper::getInput("请输入", 0, 0, "名字", true, "default"), QString("秘密"));
}

void TestKitWindows::inputCancelledIsEmpty()
{
    whenShown<TaviInputBox>(this, [](TaviInputBox *box) {
        child<QLineEdit>(box, "txtValue")->setText("typed");
        child<QPushButton>(box, "btnCancel")->click();
    });
    QCOMPARE(TaviHelper::getInput("请输入"), QString());
}

void TestKitWindows::inputListKeepsEmptyEntries()
{
    whenShown<TaviInputBox>(this, [](TaviInputBox *box) {
        QComboBox *list = child<QComboBox>(box, "cboxValue");
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->itemText(1), QString());
        QVERIFY(child<QLineEdit>(box, "txtValue")->isHidden());
        list->setCurrentIndex(3);
        child<QPushButton>(box, "btnOk")->click();
    });
    QCOMPARE(TaviHelper::getInput("选择", 1, 0, QString(), false, "a||b|c"), QString("c"));
}

void TestKitWindows::dateRangeRefusesEndBeforeStart()
{
    bool refused = false;
    whenShown<TaviDateSelect>(this, [&refused](TaviDateSelect *dialog) {
        auto *start = child<QDateTimeEdit>(dialog, "dateStart");
        auto *end = child<QDateTimeEdit>(dialog, "dateEnd");
        QCOMPARE(end->date(), start->date().addDays(1));
        start->setDate(QDate(2024, 3, 5));
        end->setDate(QDate(2024, 3, 4));
        child<QPushButton>(dialog, "btnOk")->click();
        TaviMessageBox *error = TaviMessageBox::instance();
        refused = dialog->isVisible() && error->isVisible()
                  && child<QLabel>(error, "labInfo")->text() == "开始时间不能大于结束时间!"
                  && child<QLabel>(error, "labTitle")->text() == "错误"
                  && child<QLabel>(error, "labTime")->text() == "关闭倒计时 3 s";
        error->close();
        end->setDate(QDate(2024, 3, 9));
        child<QPushButton>(dialog, "btnOk")->click();
    });
    QString from, to;
    TaviHelper::getDateRange(from, to, "yyyy/MM/dd");
    QVERIFY(refused);
    QCOMPARE(from, QString("2024/03/05"));
    QCOMPARE(to, QString("2024/03/09"));
}

void TestKitWindows::dateRangeCancelled()
{
    whenShown<TaviDateSelect>(this, [](TaviDateSelect *dialog) {
        QCOMPARE(dialog->size(), QSize(320, 130));
        QCOMPARE(child<QLabel>(dialog, "labTitle")->text(), QString("日期时间选择"));
        child<QPushButton>(dialog, "btnClose")->click();
    });
    QString from = "x", to = "y";
    TaviHelper::getDateRange(from, to);
    QVERIFY(from.isEmpty() && to.isEmpty());
}

void TestKitWindows::tipSlidesInAndOut()
{
    TaviTipBox *tip = TaviTipBox::instance();
    TaviHelper::showTip("提示", "新数据", true, true, 0);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint shown(area.width() - tip->width(), area.height() - tip->height());
    QVERIFY(tip->isVisible());
    QCOMPARE(child<QLabel>(tip, "labTitle")->text(), QString("提示"));
    QCOMPARE(child<QLabel>(tip, "labInfo")->alignment(), Qt::Alignment(Qt::AlignCenter));
    QCOMPARE(tip->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QTRY_COMPARE(tip->pos(), shown);
    TaviHelper::hideTip();
    QTRY_VERIFY(tip->pos().y() >= QGuiApplication::primaryScreen()->virtualGeometry().height());
    QVERIFY(tip->isVisible()); // off screen, still shown
    TaviHelper::showTip("再次", "x", true, false, 0);
    QTRY_COMPARE(tip->pos(), shown);
    tip->close();
}

void TestKitWindows::framedWindowBuild()
{
    TaviWidget w;
    QCOMPARE(w.objectName(), QString("TaviWidget"));
    QCOMPARE(w.windowFlags() & (Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
             Qt::WindowFlags(0xC800));
    QCOMPARE(w.sizeHint(), QSize(600, 450));
    QCOMPARE(w.minimumSizeHint(), QSize(200, 150));
    QVERIFY(w.getBtnMenu()->isHidden());
    QCOMPARE(w.getBtnMenuMax()->text(), QString(TaviAppearance::IconNormal));
    QCOMPARE(w.getBtnMenuClose()->text(), QString(TaviAppearance::IconClose));
    QCOMPARE(w.property("canMove").toBool(), true);
    QCOMPARE(w.getTitle(), QString("Tavi Demo"));
    QCOMPARE(w.getExitAll(), true);
    w.setOnlyCloseBtn();
    QVERIFY(w.getBtnMenuMin()->isHidden() && w.getBtnMenuMax()->isHidden());
    w.setBtnWidth(40);
    QCOMPARE(w.getBtnMenuClose()->width() == 40 || w.getBtnMenuClose()->maximumWidth() == 40, true);
}

void TestKitWindows::setTitleWithStoredTitle()
{
    TaviWidget w;
    w.setTitle("Tavi Demo");
    QVERIFY(w.getLabTitle()->text().isEmpty());
    w.setTitle("串口工具");
    QCOMPARE(w.getLabTitle()->text(), QString("串口工具"));
    QCOMPARE(w.windowTitle(), QString("串口工具"));
    w.setProperty("title", "via property");
    QCOMPARE(w.getLabTitle()->text(), QString("via property"));
}

void TestKitWindows::setMainWidgetTwice()
{
    TaviWidget w;
    auto *first = new QWidget;
    first->resize(300, 200);
    auto *second = new QWidget;
    second->resize(500, 400);
    w.setMainWidget(first);
    const QSize size = w.size();
    QCOMPARE(size.width(), 300);
    w.setMainWidget(second);
    QCOMPARE(w.size(), size);
    QCOMPARE(first->parentWidget()->objectName(), QString("widget"));
    QVERIFY(second->parentWidget() == nullptr);
    delete second;
}

void TestKitWindows::closeWithoutExitAll()
{
    TaviWidget w;
    auto *content = new QWidget;
    w.setMainWidget(content);
    w.setExitAll(false);
    w.show();
    QSignalSpy closing(&w, &TaviWidget::closing);
    w.getBtnMenuClose()->click();
    QCOMPARE(closing.count(), 1);
    QVERIFY(content->isHidden());
    QVERIFY(w.isVisible());
    w.setExitAll(true);
    w.getBtnMenuClose()->click();
    QVERIFY(!w.isVisible());
}

void TestKitWindows::normalGlyphPartIsIgnored()
{
    TaviWidget w;
    w.show();
    w.setVisible(TaviWidget::Widget_BtnMenuNormal, false);
    QVERIFY(w.getBtnMenuMax()->isVisible());
    QVERIFY(w.getBtnMenuMax()->icon().isNull());
    w.setPixmap(TaviWidget::Widget_BtnMenuNormal, ":/device.png");
    QVERIFY(w.getBtnMenuMax()->icon().isNull());
    w.setPixmap(TaviWidget::Widget_LabIco, ":/device.png", QSize(16, 16));
    QCOMPARE(w.getLabIco()->pixmap(Qt::ReturnByValue).size(), QSize(16, 16));
    w.setVisible(TaviWidget::Widget_BtnMenuMin, false);
    QVERIFY(w.getBtnMenuMin()->isHidden());
}

void TestKitWindows::maximiseAndDrag()
{
    TaviWidget w;
    w.resize(400, 300);
    w.show();
    const QRect before = w.geometry();
    w.getBtnMenuMax()->click();
    QCOMPARE(w.geometry(), QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(w.property("canMove").toBool(), false);
    QCOMPARE(w.getBtnMenuMax()->text(), QString(TaviAppearance::IconMax));
    // A drag does nothing while maximised.
    QWidget *title = child<QWidget>(&w, "widgetTitle");
    QTest::mousePress(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 60), title->mapToGlobal(QPoint(150, 60)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(title, &move);
    QTest::mouseRelease(title, Qt::LeftButton, Qt::NoModifier, QPoint(150, 60));
    QCOMPARE(w.geometry(), QGuiApplication::primaryScreen()->availableGeometry());
    // A double-click on the title bar restores.
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QCOMPARE(w.geometry(), before);
    QCOMPARE(w.property("canMove").toBool(), true);
    // Without the maximise button a double-click does nothing.
    w.setVisible(TaviWidget::Widget_BtnMenuMax, false);
    QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QCOMPARE(w.geometry(), before);
    // Dragging moves the window now.
    const QPoint start = w.pos();
    QTest::mousePress(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
    QMouseEvent drag(QEvent::MouseMove, QPointF(80, 30), title->mapToGlobal(QPoint(80, 30)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(title, &drag);
    QTest::mouseRelease(title, Qt::LeftButton, Qt::NoModifier, QPoint(80, 30));
    QCOMPARE(w.pos(), start + QPoint(30, 20));
}

void TestKitWindows::minimiseHides()
{
    TaviWidget w;
    w.show();
    w.setMinHide(true);
    w.getBtnMenuMin()->click();
    QVERIFY(w.isHidden());
}

void TestKitWindows::themeMenu()
{
    TaviWidget w;
    const QList<QAction *> actions = w.getBtnMenu()->actions();
    QCOMPARE(actions.size(), 17);
    QCOMPARE(actions.first()->text(), QString("银色"));
    QCOMPARE(actions.last()->text(), QString("视频黑"));
    QSignalSpy spy(&w, qOverload<const QString &>(&TaviWidget::changeStyle));
    actions.at(TaviWidget::Style_FlatBlack)->trigger();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QString(":/qss/flatblack.css"));
    QCOMPARE(TaviAppearance::PanelColor, QString("#2E2F30"));
    QCOMPARE(QMetaEnum::fromType<TaviWidget::Style>().keyCount(), 17);
}

void TestKitWindows::iconMainReachesTheDialogs()
{
    TaviWidget w;
    w.setIcon(TaviWidget::Widget_LabIco, QChar(0xF1E6), 13);
    QCOMPARE(TaviAppearance::IconMain, QChar(0xF1E6));
    QCOMPARE(w.getLabIco()->text(), QString(QChar(0xF1E6)));
    QCOMPARE(child<QLabel>(TaviMessageBox::instance(), "labIco")->text(), QString(QChar(0xF1E6)));
    QCOMPARE(child<QLabel>(TaviInputBox::instance(), "labIco")->text(), QString(QChar(0xF1E6)));
    QCOMPARE(child<QLabel>(TaviDateSelect::instance(), "labIco")->text(), QString(QChar(0xF1E6)));
    w.setIcon(TaviWidget::Widget_BtnMenuClose, QChar(0xF011));
    QCOMPARE(TaviAppearance::IconClose, QChar(0xF011));
    w.setIconMain(QChar(0xF072), 11);
    w.setIcon(TaviWidget::Widget_BtnMenuClose, QChar(0xF00D));
}

void TestKitWindows::trayMenuEntries()
{
    TrayIcon tray;
    QWidget a, b;
    tray.setMainWidget(&a);
    tray.setMainWidget(&b);
    QStringList texts;
    for (QAction *action : tray.contextMenu()->actions()) {
        texts << action->text();
    }
    QCOMPARE(texts, (QStringList{"主界面", "退出", "主界面", "退出"}));
    QCOMPARE(tray.systemTrayIcon()->contextMenu(), tray.contextMenu());
    tray.setIcon(":/main.ico");
    tray.setToolTip("Norvane");
    QCOMPARE(tray.systemTrayIcon()->toolTip(), QString("Norvane"));
    tray.setVisible(true); // no tray here: must not crash
    tray.showMessage("t", "m");
    tray.setVisible(false);
    QCOMPARE(TrayIcon::instance(), TrayIcon::instance());
}

void TestKitWindows::trayActivation()
{
    TrayIcon tray;
    QSystemTrayIcon *icon = tray.systemTrayIcon();
    emit icon->activated(QSystemTrayIcon::Trigger); // no main widget yet: nothing
    QWidget main;
    tray.setMainWidget(&main);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    QVERIFY(main.isHidden());
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(main.isVisible());
    main.hide();
    emit icon->activated(QSystemTrayIcon::Trigger);
    QVERIFY(main.isVisible());
}

void TestKitWindows::trayExitSignal()
{
    TrayIcon tray;
    tray.setExitDirect(false);
    QWidget main;
    tray.setMainWidget(&main);
    QSignalSpy spy(&tray, &TrayIcon::trayIconExit);
    tray.contextMenu()->actions().at(1)->trigger();
    QCOMPARE(spy.count(), 1);
    tray.contextMenu()->actions().at(0)->trigger();
    QVERIFY(main.isVisible());
}

void TestKitWindows::trayCloseAllEndsTheProcess()
{
    const pid_t pid = fork();
    if (pid == 0) {
        TrayIcon tray;
        QWidget main;
        tray.setMainWidget(&main);
        tray.contextMenu()->actions().at(1)->trigger(); // "退出" with exitDirect: closeAll
        _exit(7); // not reached when closeAll ends the process
    }
    QVERIFY(pid > 0);
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_MAIN(TestKitWindows)
#include "tst_kit_windows.moc"
