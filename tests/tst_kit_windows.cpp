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
T *child(QObject *parent, const char *name) { return parent->findChild<T *>(QLatin1String(name)); }
QString text(QObject *parent, const char *name) { return child<QLabel>(parent, name)->text(); }
// Runs `action` on the modal dialog once exec() has shown it.
template <typename T, typename Action>
void whenShown(Action action) { QTimer::singleShot(0, [action] { action(qobject_cast<T *>(QApplication::activeModalWidget())); }); }
// A left-button drag; moves with the button held before the press or after the release must not move anything.
void drag(QWidget *w, QPoint from, QPoint to)
{
    for (const auto &[type, at] : QList<QPair<QEvent::Type, QPoint>>{{QEvent::MouseMove, to * 2}, {QEvent::MouseButtonPress, from},
                                                                   {QEvent::MouseMove, to}, {QEvent::MouseButtonRelease, to}, {QEvent::MouseMove, to * 2}}) {
        QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &event);
    }
}
} // namespace

class TestKitWindows : public QObject
{
    Q_OBJECT
private slots:
    void dialogs()
    {
        TaviMessageBox box;
        box.show();
        // Type, title, picture, cancel hidden: an unknown type changes nothing; once hidden, cancel stays hidden.
        for (const auto &[type, title, picture, hidden] : QList<std::tuple<int, QString, QString, bool>>{{1, "询问", "question", false},
                 {0, "提示", "info", true}, {2, "错误", "error", true}, {7, "错误", "error", true}, {1, "询问", "question", true}}) {
            box.setMessage("磁盘已满", type);
            QCOMPARE(text(&box, "labTitle") + box.windowTitle() + text(&box, "labInfo") + text(&box, "labTime"), title + title + "磁盘已满");
            QVERIFY2(child<QLabel>(&box, "labIcoMain")->styleSheet().contains(picture) && child(&box, "btnCancel")->isHidden() == hidden, qPrintable(title));
        }
        // The countdown shows the seconds left and closes the box after the last.
        box.setMessage("bye", 0, 3);
        QStringList seen;
        for (; box.isVisible() && seen.size() < 9; QMetaObject::invokeMethod(&box, "checkSec")) {
            seen << text(&box, "labTime");
        }
        QCOMPARE(seen, QStringList({"关闭倒计时 3 s", "关闭倒计时 2 s", "关闭倒计时 1 s"}));
        for (const auto &[name, result] : QList<QPair<const char *, int>>{{"btnOk", QMessageBox::Yes}, {"btnCancel", QMessageBox::No}}) {
            whenShown<TaviMessageBox>([name = name](TaviMessageBox *question) { child(question, name)->click(); });
            QCOMPARE(TaviHelper::askQuestion("继续?"), result);
        }
        // Type, default value, button: the text typed (a password), nothing when cancelled, the entry picked (empty ones kept).
        for (const auto &[type, value, name, expected] : QList<std::tuple<int, QString, const char *, QString>>{
                 {0, "default", "btnOk", "秘密"}, {0, "default", "btnCancel", ""}, {1, "a||b|c", "btnOk", "c"}}) {
            whenShown<TaviInputBox>([type = type, name = name](TaviInputBox *input) {
                auto *edit = child<QLineEdit>(input, "txtValue");
                auto *list = child<QComboBox>(input, "cboxValue");
                QVERIFY(type == 1 || (edit->text() + edit->placeholderText() == "default名字" && edit->echoMode() == QLineEdit::Password));
                edit->setText("秘密");
                list->setCurrentIndex(3);
                child(input, name)->click();
            });
            QCOMPARE(TaviHelper::getInput("请输入", type, 0, "名字", true, value), expected);
        }
        // Dates: an end before the start is refused with the shared error box; an end equal to it is taken.
        QString refusal, from, to;
        whenShown<TaviDateSelect>([&refusal, error = TaviMessageBox::instance()](TaviDateSelect *dialog) {
            auto *start = child<QDateTimeEdit>(dialog, "dateStart"), *end = child<QDateTimeEdit>(dialog, "dateEnd");
            start->setDate(QDate(2024, 3, 5));
            end->setDate(QDate(2024, 3, 4));
            child(dialog, "btnOk")->click();
            refusal = dialog->isVisible() && error->isVisible() ? text(error, "labInfo") + text(error, "labTime") : "accepted";
            error->close();
            end->setDate(QDate(2024, 3, 5));
            child(dialog, "btnOk")->click();
        });
        TaviHelper::getDateRange(from, to, "yyyy/MM/dd");
        QCOMPARE(refusal + from + to, QString("开始时间不能大于结束时间!关闭倒计时 3 s2024/03/052024/03/05"));
        // Both drag paths: the countdown dialogs' and the date dialog's own.
        for (QDialog *dialog : QList<QDialog *>{TaviMessageBox::instance(), TaviDateSelect::instance()}) {
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
        QVERIFY(w.pos() == start + QPoint(30, 20) && w.width() == 400);
        // Maximised: the screen, another glyph, no drag; a double-click on the title restores.
        const QRect before = w.geometry();
        const QString normalGlyph = w.getBtnMenuMax()->text();
        w.getBtnMenuMax()->click();
        drag(title, {50, 10}, {150, 60});
        QVERIFY(w.geometry() == QGuiApplication::primaryScreen()->availableGeometry() && w.getBtnMenuMax()->text() != normalGlyph);
        QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
        QVERIFY(w.geometry() == before && w.getBtnMenuMax()->text() == normalGlyph);
        w.setVisible(TaviWidget::Widget_BtnMenuMax, false); // no maximise button: a double-click does nothing
        QTest::mouseDClick(title, Qt::LeftButton, Qt::NoModifier, QPoint(50, 10));
        QCOMPARE(w.geometry(), before);
        // Minimise hides only when asked to; close closes the main widget, and the window unless told otherwise.
        QSignalSpy closing(&w, &TaviWidget::closing);
        for (bool set : {false, true}) {
            w.setMinHide(set);
            w.setExitAll(set);
            w.getBtnMenuMin()->click();
            QCOMPARE(w.isHidden(), set);
            w.show();
            w.getBtnMenuClose()->click();
            QCOMPARE(w.isVisible(), !set);
        }
        QVERIFY(closing.count() == 2 && content->isHidden());
        w.setOnlyCloseBtn();
        QVERIFY(w.getBtnMenuMin()->isHidden() && w.getBtnMenuMax()->isHidden() && !w.getBtnMenuClose()->isHidden());
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
        for (auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger}) {
            main.hide();
            emit icon->activated(reason);
            QCOMPARE(main.isVisible(), reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger);
        }
        main.hide();
        QSignalSpy exit(&tray, &TrayIcon::trayIconExit);
        const QList<QAction *> actions = icon->contextMenu()->actions(); // "主界面", "退出"
        actions.at(1)->trigger();
        actions.at(0)->trigger();
        QVERIFY(exit.count() == 1 && main.isVisible());
    }
};

QTEST_MAIN(TestKitWindows)
#include "tst_kit_windows.moc"
