// The console form driven through its widgets: settings, the log view, saving and the
// send-list editor. The range maths and settings repair have tests of their own.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "settingsbinding.h"
#include "trafficlog.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QtTest>

class TestConsoleForm : public ConsoleTest
{
    Q_OBJECT
private slots:
    void settings()
    {
        // Stored values are shown, a port name the box does not offer included.
        AppSettings::SendList = QStringList{"AA BB", "CC"};
        AppSettings::PortName = "/dev/pts/77";
        AppSettings::AutoSend = true;
        AppSettings::SendInterval = 1;
        makeForm();
        QCOMPARE(combo("cboxPortName")->currentText(), QString("/dev/pts/77"));
        QCOMPARE(combo("cboxData")->itemText(1), QString("CC"));
        QCOMPARE(count("设置表中没有"), 0); // every control's field is persisted
        // No session yet: auto-send stays ticked but waits, even at 1 ms.
        QVERIFY(check("ckAutoSend")->isChecked());
        QVERIFY(!timer("sendTimer")->isActive());

        // Stored values the form does not offer are repaired and written back, the rest kept.
        const struct {
            const char *key, *stored, *box, *shown;
        } rows[] = {
            {"FlowControl", "DTR", "cboxFlowControl", "无"},
            {"ValueFormat", "float", "cboxValueFormat", "16 位有符号"},
        };
        for (const auto &row : rows) {
            AppSettings::resetToDefaults();
            const SettingEntry *entry = AppSettings::setting(row.key);
            entry->setValue(QString(row.stored));
            AppSettings::Debug = true; // a good value that must survive the repair
            makeForm();
            QCOMPARE(combo(row.box)->currentText(), QString(row.shown));
            QVERIFY2(settingText(entry->value()) != row.stored, row.key);
            QCOMPARE(saved(QString("%1/%2").arg(entry->group, row.key)), entry->value().toString());
            QCOMPARE(saved("ComConfig/Debug"), QString("true"));
        }

        // Every change is written at once, addresses trimmed.
        QTest::keyClicks(edit("txtServerIP"), " 10.0.0 ");
        QCOMPARE(saved("NetConfig/ServerIP"), QString("127.0.0.1 10.0.0"));
        combo("cboxValueFormat")->setCurrentText("32 位浮点 CDAB");
        QCOMPARE(saved("ComConfig/ValueFormat"), QString("float:CDAB"));

        combo("cboxSaveInterval")->setCurrentText("2000");
        QCOMPARE(timer("saveTimer")->interval(), 2000);
        // Only a new interval restarts the timer: the duplicate "300" further down does not.
        QComboBox *box = combo("cboxSendInterval");
        box->setCurrentIndex(box->findText("300"));
        QCOMPARE(timer("sendTimer")->interval(), 300);
        timer("sendTimer")->setInterval(777);
        box->setCurrentIndex(15);
        QCOMPARE(timer("sendTimer")->interval(), 777);
    }

    void logViewAndSaving()
    {
        // The log on a bare view, no window.
        QTextEdit view;
        TrafficLog log(&view);
        const auto shown = [&] {
            return view.toPlainText().isEmpty() ? QStringList() : view.toPlainText().split('\n');
        };
        const auto fill = [&](int from, int to) {
            for (; from <= to; ++from) {
                log.append(LogInfo, QString("line %1").arg(from));
            }
        };
        log.setAutoSave(true); // so that what the full-view clears drop can be seen
        log.findChild<QTimer *>("saveTimer")->stop();
        log.append(LogSerialReceive, "AB\r\nCD");
        log.append(LogSerialSend, "%1 <b>x</b>");
        log.append(LogNetReceive, QString(150, 'a') + "\n" + QString(150, 'b'));
        // Plain text: line breaks dropped, markup and placeholders left alone.
        QVERIFY(shown().value(0).endsWith("] 串口接收 << ABCD"));
        QVERIFY(shown().value(1).endsWith("] 串口发送 >> %1 <b>x</b>"));
        QVERIFY(shown().value(2).endsWith("<< " + QString(150, 'a') + QString(150, 'b')));

        // Stopped display: nothing shown or saved, not even afterwards.
        log.setShowEnabled(false);
        log.append(LogInfo, "hidden");
        log.setShowEnabled(true);
        fill(4, 100);
        QCOMPARE(shown().size(), 100);
        // The 101st line clears the view, saving the cleared lines first.
        fill(101, 101);
        QCOMPARE(shown().size(), 1);
        QVERIFY(shown().at(0).endsWith(">> line 101"));
        const QByteArray dropped = savedLogs();
        QVERIFY(dropped.contains("串口接收 << ABCD\n") && dropped.contains(">> line 100"));
        QVERIFY(!dropped.contains("hidden") && !dropped.contains("line 101"));
        // A full view is cleared (and saved) even while the display is stopped.
        fill(2, 100);
        log.setShowEnabled(false);
        fill(101, 101);
        QVERIFY(shown().isEmpty());
        QVERIFY(savedLogs().contains(">> line 2\n"));
        log.setShowEnabled(true);

        // Long lines fill the view by their characters before its line count.
        const QString wide = QString("abc ").repeated(15000);
        for (int i = 0; i < 9; ++i) {
            log.append(LogInfo, wide);
        }
        QCOMPARE(shown().size(), 1);
        QVERIFY(savedLogs().contains(wide.toUtf8()));
        log.clear();
        // A flood of traffic is shown shortened once a second's worth of layout is used up;
        // the saved log has it whole.
        const QString burst = QString("0A ").repeated(8000);
        for (int i = 0; i < 4; ++i) {
            log.append(LogSerialReceive, burst);
        }
        QVERIFY(shown().at(1).endsWith(burst));
        QVERIFY(shown().at(3).size() < 3000 && shown().at(3).contains("本行共"));
        log.saveUnsaved();
        QCOMPARE(savedLogs().count(burst.toUtf8()), 4);
        log.clear();
        // Lines of exactly the bound of kept text share the view.
        const int half = TrafficLog::maxKeptChars / 2 - logLine(LogInfo, QTime(1, 2, 3), "").size();
        log.append(LogInfo, QString(half, 'k'));
        log.append(LogInfo, QString(half, 'k'));
        QCOMPARE(shown().size(), 2);
        log.clear();
        // One line beyond the bound of unsaved text: the newest is never dropped.
        const QString huge(TrafficLog::maxKeptChars + 1, 'h');
        log.append(LogInfo, huge);
        log.saveUnsaved();
        QVERIFY(savedLogs().contains(huge.toUtf8()));

        // Saving by hand clears the view; with nothing to save, no file is made.
        log.saveUnsaved();
        QVERIFY(savedLogs().isEmpty());
        log.append(LogSerialReceive, "second 温度");
        const QString before = view.toPlainText();
        log.saveUnsaved();
        QVERIFY(shown().isEmpty());
        QCOMPARE(savedLogs(), before.toUtf8() + '\n');

        // Lines held while the send list is edited all show afterwards, more than one slice of
        // rendering included.
        log.beginEditing("AT");
        for (int i = 0; i < 60; ++i) {
            log.append(LogInfo, QString("abc ").repeated(250));
        }
        log.endEditing();
        QTRY_COMPARE(shown().size(), 60);
    }

    void sendListEditor()
    {
        makeForm();
        click("btnData"); // no send.txt: an empty one to edit
        QVERIFY(!log()->isReadOnly() && log()->toPlainText().isEmpty());
        click("btnData");
        QCOMPARE(readFile(file("send.txt")), QByteArray());
        // "你好" in GBK, Windows line ends, markup: shown as plain text, left as it was unless
        // edited.
        const QByteArray content("\xC4\xE3\xBA\xC3\r\n<b>bold</b>\r\n&amp;");
        QVERIFY(writeFile(file("send.txt"), content));
        click("btnData");
        QVERIFY(!log()->isReadOnly());
        QCOMPARE(log()->toPlainText(), QString::fromUtf8(content).remove('\r'));
        click("btnData");
        QCOMPARE(readFile(file("send.txt")), content);
        QVERIFY2(lastLine("不是 UTF-8").contains("send.txt"), qPrintable(lines().join('\n')));

        // Clears, saves and full-view clears while editing touch the log, never the list.
        click("btnData");
        appendLog(LogSerialReceive, "held line");
        click("btnClear");
        click("btnSave");
        for (int i = 0; i < 150; ++i) {
            appendLog(LogSerialReceive, QString("traffic %1").arg(i));
        }
        QCOMPARE(log()->toPlainText(), QString::fromUtf8(content).remove('\r'));
        log()->moveCursor(QTextCursor::End);
        QTest::keyClick(log(), Qt::Key_Return);
        QTest::keyClicks(log(), "AT");
        click("btnData"); // an edit writes UTF-8
        QVERIFY(log()->isReadOnly());
        const QByteArray written = readFile(file("send.txt"));
        QCOMPARE(QString::fromUtf8(written).toUtf8(), written);
        QVERIFY(written.endsWith("\n<b>bold</b>\n&amp;\nAT"));
        QCOMPARE(AppSettings::SendList.mid(1), (QStringList{"<b>bold</b>", "&amp;", "AT"}));
        // Lines held meanwhile show up afterwards, minus what the clears took.
        QCOMPARE(count("held line"), 0);
        QCOMPARE(count("traffic 149"), 1);
    }

    void quittingWithEditedSendList()
    {
        const struct {
            QString answer;
            bool closed;
            QByteArray file;
        } rows[] = {
            {"保存", true, "A\nB\nC"},
            {"取消", false, "A\nB\n"},
            {"", true, "A\nB\n"},
        };
        for (const auto &row : rows) { // the last row leaves the list unchanged: no question
            QVERIFY(writeFile(file("send.txt"), "A\nB\n"));
            makeForm()->show();
            click("btnData");
            log()->moveCursor(QTextCursor::End);
            QTest::keyClicks(log(), row.answer.isEmpty() ? "" : "C");
            QTimer::singleShot(100, form, [&] {
                const auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                for (QAbstractButton *b : box ? box->buttons() : QList<QAbstractButton *>()) {
                    if (b->text() == row.answer) {
                        b->click();
                    }
                }
            });
            QCOMPARE(form->close(), row.closed);
            QCOMPARE(readFile(file("send.txt")), row.file);
        }
    }

private:
    static QString saved(const QString &key)
    {
        return QSettings(AppSettings::ConfigFile, QSettings::IniFormat).value(key).toString();
    }
};

QTEST_MAIN(TestConsoleForm)
#include "tst_console_form.moc"
