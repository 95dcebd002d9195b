// The kit's windows: message, question, input and date dialogs, the framed window, the tray.
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "taviwidget.h"
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
    }
}
} // namespace

class TestKitWindows : public QObject
{
    Q_OBJECT
private slots:
    void messageTypes()
    {
        // In turn on one box: an unknown type changes nothing; once hidden, cancel stays hidden.
        TaviMessageBox box;
        box.show();
        box.setMessage("磁盘已满", 1);
        QCOMPARE(text(&box, "labInfo"), QString("磁盘已满"));
        QCOMPARE(box.windowTitle(), QString("询问"));
        QVERIFY(child<QLabel>(&box, "labIcoMain")->styleSheet().contains("question"));
        QVERIFY(!child(&box, "btnCancel")->isHidden());
        box.setMessage("磁盘已满", 0);
        QCOMPARE(text(&box, "labTitle"), QString("提示"));
        QVERIFY(child<QLabel>(&box, "labIcoMain")->styleSheet().contains("info"));
        QVERIFY(child(&box, "btnCancel")->isHidden());
        box.setMessage("磁盘已满", 2);
        box.setMessage("磁盘已满", 7);
        QCOMPARE(text(&box, "labTitle"), QString("错误"));
        QVERIFY(child<QLabel>(&box, "labIcoMain")->styleSheet().contains("error"));
        box.setMessage("磁盘已满", 1);
        QVERIFY(child(&box, "btnCancel")->isHidden());
    }

    void countdown()
    {
        // The seconds left, then the box closes after the last.
        TaviMessageBox box;
        box.show();
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
                shown.setPlaceholderText(edit->placeholderText());
                shown.setEchoMode(edit->echoMode());
                edit->setText("秘密");
                child<QComboBox>(box, "cboxValue")->setCurrentIndex(3);
                child(box, button)->click();
            });
            return TaviHelper::getInput("请输入", type, 0, "名字", true, value);
        };
        QCOMPARE(input(0, "default", "btnOk"), QString("秘密"));
        QCOMPARE(shown.text(), QString("default"));
        QCOMPARE(shown.placeholderText(), QString("名字"));
        QCOMPARE(shown.echoMode(), QLineEdit::Password);
        QCOMPARE(input(0, "default", "btnCancel"), QString());
        QCOMPARE(input(1, "a||b|c", "btnOk"), QString("c"));
    }

    void dateRange()
    {
        // An end before the start is refused with the shared error box; an end equal to it is
        // taken.
        QString refusal, from, to;
        bool dialogStayed = false, errorShown = false;
        whenShown<TaviDateSelect>([&, error = TaviMessageBox::instance()](TaviDateSelect *dialog) {
            auto *start = child<QDateTimeEdit>(dialog, "dateStart");
            auto *end = child<QDateTimeEdit>(dialog, "dateEnd");
            start->setDate(QDate(2024, 3, 5));
            end->setDate(QDate(2024, 3, 4));
            child(dialog, "btnOk")->click();
            dialogStayed = dialog->isVisible();
            errorShown = error->isVisible();
            refusal = text(error, "labInfo");
            error->close();
            end->setDate(QDate(2024, 3, 5));
            child(dialog, "btnOk")->click();
        });
        TaviHelper::getDateRange(from, to, "yyyy/MM/dd");
        QVERIFY(dialogStayed);
        QVERIFY(errorShown);
        QCOMPARE(refusal, QString("开始时间不能大于结束时间!"));
        QCOMPARE(from, QString("2024/03/05"));
        QCOMPARE(to, QString("2024/03/05"));
    }

    void dialogsMoveByDrag()
    {
        // Both drag paths: the countdown dialogs' and the date dialog's own.
        for (QDialog *dialog :
             QList<QDialog *>{TaviMessageBox::instance(), TaviDateSelect::instance()}) {
            dialog->show();
            const QPoint start = dialog->pos();
            drag(dialog, {100, 10}, {130, 20});
            QCOMPARE(dialog->pos(), start + QPoint(30, 10));
            dialog->close();
        }
    }

    void framedWindow()
    {
        TaviWidget w;
        auto *content = new QWidget;
        content->resize(400, 270);
        w.setMainWidget(content);
        w.show();
        QVERIFY(w.property("form").toBool()); // the theme sheets draw the frame's border by it
        QWidget *title = child<QWidget>(&w, "widgetTitle");
        const QPoint start = w.pos();
        drag(title, {50, 10}, {80, 30});
        QCOMPARE(w.pos(), start + QPoint(30, 20));
        QCOMPARE(w.width(), 400);
        // Maximised: the screen, another glyph, no drag; a double-click on the title restores.
        const QRect before = w.geometry();
        const QString normalGlyph = w.getBtnMenuMax()->text();
        w.getBtnMenuMax()->click();
        drag(title, {50, 10}, {150, 60});
        QCOMPARE(w.geometry(), QGuiApplication::primaryScreen()->availableGeometry());
        QVERIFY(w.getBtnMenuMax()->text() != normalGlyph);
        QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
        QCOMPARE(w.geometry(), before);
        QCOMPARE(w.getBtnMenuMax()->text(), normalGlyph);
        w.setVisible(TaviWidget::Widget_BtnMenuMax, false); // no maximise button: nothing happens
        QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
        QCOMPARE(w.geometry(), before);
    }

    void framedWindowButtons_data()
    {
        // Minimise hides only when asked to; close closes the main widget, and the window unless
        // told otherwise.
        QTest::addColumn<bool>("set");
        QTest::newRow("defaults") << false;
        QTest::newRow("hide, close all") << true;
    }

    void framedWindowButtons()
    {
        QFETCH(bool, set);
        TaviWidget w;
        auto *content = new QWidget;
        w.setMainWidget(content);
        w.show();
        QSignalSpy closing(&w, &TaviWidget::closing);
        w.setMinHide(set);
        w.setExitAll(set);
        w.getBtnMenuMin()->click();
        QCOMPARE(w.isHidden(), set);
        w.show();
        w.getBtnMenuClose()->click();
        QCOMPARE(w.isVisible(), !set);
        QCOMPARE(closing.count(), 1);
        QVERIFY(content->isHidden());
    }

    void closeButtonOnly()
    {
        TaviWidget w;
        w.setOnlyCloseBtn();
        QVERIFY(w.getBtnMenuMin()->isHidden());
        QVERIFY(w.getBtnMenuMax()->isHidden());
        QVERIFY(!w.getBtnMenuClose()->isHidden());
    }

    void trayMenu()
    {
        TrayIcon tray;
        QSystemTrayIcon *icon = tray.systemTrayIcon();
        emit icon->activated(QSystemTrayIcon::Trigger); // no main widget yet: must not crash
        QWidget main;
        tray.setExitDirect(false);
        tray.setMainWidget(&main);
        // Only a click or a double-click brings the main widget up.
        for (auto reason :
             {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
            main.hide();
            emit icon->activated(reason);
            QCOMPARE(main.isVisible(), reason != QSystemTrayIcon::Context);
        }
        main.hide();
        QSignalSpy exit(&tray, &TrayIcon::trayIconExit);
        const QList<QAction *> actions = icon->contextMenu()->actions(); // "主界面", "退出"
        actions.at(1)->trigger();
        QCOMPARE(exit.count(), 1);
        actions.at(0)->trigger();
        QVERIFY(main.isVisible());
    }
};

QTEST_MAIN(TestKitWindows)
#include "tst_kit_windows.moc"
