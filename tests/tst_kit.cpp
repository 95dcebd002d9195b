// The kit: message, question, input and date dialogs, the framed window, the tray; theme
// sheets and their colours.
#include "taviappearance.h"
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "taviwidget.h"
#include "testsupport.h"
#include "trayicon.h"

#include <QtTest>
#include <QtWidgets>

namespace {
template <typename T = QPushButton>
T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

QString text(QObject *parent, const char *name)
{
    return child<QLabel>(parent, name)->text();
}

// Runs `action` on the modal dialog once exec() has shown it.
template <typename T, typename Action>
void whenShown(Action action)
{
    QTimer::singleShot(0,
                       [action] { action(qobject_cast<T *>(QApplication::activeModalWidget())); });
}

// A left-button drag; moves with the button held before the press or after the release must
// not move anything.
void drag(QWidget *w, QPoint from, QPoint to)
{
    const QPair<QEvent::Type, QPoint> steps[] = {{QEvent::MouseMove, to * 2},
                                                 {QEvent::MouseButtonPress, from},
                                                 {QEvent::MouseMove, to},
                                                 {QEvent::MouseButtonRelease, to},
                                                 {QEvent::MouseMove, to * 2}};
    for (const auto &[type, at] : steps) {
        const auto buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &event);
        // A move that is no drag goes on to the window's own widgets.
        QVERIFY(type != QEvent::MouseMove || at == to || !event.isAccepted());
    }
}

} // namespace

class TestKit : public QObject
{
    Q_OBJECT
private slots:
    void messageBox()
    {
        // A question offers cancel, information does not; an unknown type changes nothing.
        TaviMessageBox box;
        box.show();
        box.setMessage("磁盘已满", 1);
        QCOMPARE(text(&box, "labInfo") + box.windowTitle(), QString("磁盘已满询问"));
        QVERIFY(!child(&box, "btnCancel")->isHidden());
        box.setMessage("磁盘已满", 0);
        const QString icon = child<QLabel>(&box, "labIcoMain")->styleSheet();
        box.setMessage("磁盘已满", 7);
        QCOMPARE(child<QLabel>(&box, "labIcoMain")->styleSheet(), icon);
        QCOMPARE(text(&box, "labTitle"), QString("提示"));
        QVERIFY(child(&box, "btnCancel")->isHidden());
        box.setMessage("磁盘已满", 2); // an error has an icon of its own
        QVERIFY(child<QLabel>(&box, "labIcoMain")->styleSheet() != icon);
        // A countdown shows the seconds left, then the box closes after the last.
        box.setMessage("bye", 0, 3);
        QStringList seen;
        for (; box.isVisible() && seen.size() < 9; QMetaObject::invokeMethod(&box, "checkSec")) {
            seen << text(&box, "labTime");
        }
        QCOMPARE(seen, QStringList({"关闭倒计时 3 s", "关闭倒计时 2 s", "关闭倒计时 1 s"}));
    }

    void questionsAndInput()
    {
        const auto ask = [](const char *button) {
            whenShown<TaviMessageBox>(
                [button](TaviMessageBox *box) { child(box, button)->click(); });
            return TaviHelper::askQuestion("继续?");
        };
        QCOMPARE(ask("btnOk"), int(QMessageBox::Yes));
        QCOMPARE(ask("btnCancel"), int(QMessageBox::No));
        // A password typed, nothing when cancelled, the entry picked (empty ones kept).
        QLineEdit shown;
        const auto input = [&shown](int type, const QString &value, const char *button) {
            whenShown<TaviInputBox>([&shown, button](TaviInputBox *box) {
                auto *edit = child<QLineEdit>(box, "txtValue");
                shown.setText(edit->text());
                shown.setEchoMode(edit->echoMode());
                edit->setText("秘密");
                child<QComboBox>(box, "cboxValue")->setCurrentIndex(3);
                child(box, button)->click();
            });
            return TaviHelper::getInput("请输入", type, 0, "名字", true, value);
        };
        QCOMPARE(input(0, "default", "btnOk"), QString("秘密"));
        QCOMPARE(shown.text(), QString("default"));
        QCOMPARE(shown.echoMode(), QLineEdit::Password);
        QCOMPARE(input(0, "default", "btnCancel"), QString());
        QCOMPARE(input(1, "a||b|c", "btnOk"), QString("c"));
    }

    void dateRange()
    {
        // An end before the start is refused with the shared error box; one equal to it is taken.
        QString refusal, from, to;
        bool dialogStayed = false;
        whenShown<TaviDateSelect>([&, error = TaviMessageBox::instance()](TaviDateSelect *dialog) {
            auto *end = child<QDateTimeEdit>(dialog, "dateEnd");
            child<QDateTimeEdit>(dialog, "dateStart")->setDate(QDate(2024, 3, 5));
            end->setDate(QDate(2024, 3, 4));
            child(dialog, "btnOk")->click();
            dialogStayed = dialog->isVisible();
            refusal = error->isVisible() ? text(error, "labInfo") : QString();
            error->close();
            end->setDate(QDate(2024, 3, 5));
            child(dialog, "btnOk")->click();
        });
        TaviHelper::getDateRange(from, to, "yyyy/MM/dd");
        QVERIFY(dialogStayed);
        QCOMPARE(refusal, QString("开始时间不能大于结束时间!"));
        QCOMPARE(from + "-" + to, QString("2024/03/05-2024/03/05"));
    }

    void windowsMoveByDrag()
    {
        // The countdown dialogs' drag, the date dialog's own, the framed window's title bar.
        for (QDialog *dialog :
             QList<QDialog *>{TaviMessageBox::instance(), TaviDateSelect::instance()}) {
            dialog->show();
            const QPoint start = dialog->pos();
            drag(dialog, {100, 10}, {130, 20});
            QCOMPARE(dialog->pos(), start + QPoint(30, 10));
            QTest::keyClick(dialog, Qt::Key_Escape); // other events still reach the dialog
            QVERIFY(!dialog->isVisible());
        }
        // The framed window by its title bar.
        TaviWidget w;
        w.setMainWidget(new QWidget);
        w.show();
        const QPoint start = w.pos();
        QWidget *title = child<QWidget>(&w, "widgetTitle");
        drag(title, {50, 10}, {80, 30});
        QCOMPARE(w.pos(), start + QPoint(30, 20));
        // A double-click on it maximises and restores, but not where only "close" is offered.
        const QRect normal = w.geometry();
        QTest::mouseDClick(title, Qt::LeftButton, {}, {50, 10});
        QVERIFY(w.geometry() != normal);
        QTest::mouseDClick(title, Qt::LeftButton, {}, {50, 10});
        QCOMPARE(w.geometry(), normal);
        // Its menu's themes apply the one chosen, the first one too.
        QSignalSpy styled(&w, qOverload<const QString &>(&TaviWidget::changeStyle));
        w.getBtnMenu()->actions().at(0)->trigger();
        QCOMPARE(styled.value(0).value(0).toString(), TaviHelper::themeFile(0));
        w.setOnlyCloseBtn();
        QTest::mouseDClick(title, Qt::LeftButton, {}, {50, 10});
        QCOMPARE(w.geometry(), normal);
        w.getBtnMenuMin()->click(); // minimised, hidden only when asked to
        QVERIFY(!w.isHidden());
        w.setMinHide(true);
        w.getBtnMenuMin()->click();
        QVERIFY(w.isHidden());
    }

    void trayIcon()
    {
        TrayIcon tray;
        QSystemTrayIcon *icon = tray.systemTrayIcon();
        emit icon->activated(QSystemTrayIcon::Trigger); // no main widget yet: must not crash
        QWidget main;
        tray.setExitDirect(false);
        tray.setMainWidget(&main);
        // Only a click or a double-click brings the main widget up; "退出" asks to quit.
        for (auto reason :
             {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
            main.hide();
            emit icon->activated(reason);
            QCOMPARE(main.isVisible(), reason != QSystemTrayIcon::Context);
        }
        QSignalSpy exit(&tray, &TrayIcon::trayIconExit);
        icon->contextMenu()->actions().at(1)->trigger();
        QCOMPARE(exit.count(), 1);
    }

    void themes()
    {
        // Panel and text colours at fixed places of each sheet, a comment names six more.
        for (int style = 0; style <= 16; ++style) {
            const QString qss = QString::fromLatin1(readFile(TaviHelper::themeFile(style)));
            TaviHelper::applyTheme(style);
            QCOMPARE(qApp->styleSheet(), qss);
            QCOMPARE(TaviAppearance::PanelColor, qss.mid(20, 7));
            QCOMPARE(TaviAppearance::TextColor, qss.mid(49, 7));
            QVERIFY(qss.contains("HighColor:" + TaviAppearance::HighColor + " */"));
        }
        QCOMPARE(TaviHelper::themeFile(-1) + TaviHelper::themeFile(17),
                 QString(":/qss/lightblue.css:/qss/lightblue.css"));
    }
};

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
