// Start-up: the program's names, the first settings file, files too large to read.
#include "appsettings.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "startup.h"
#include "startuphelpers.h"
#include "taviappearance.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCodec>
#include <QTextEdit>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void namesSeedAndCentring()
    {
        QCOMPARE(baseNameOf("D:/tools/SerialTool.exe"), QString("SerialTool"));
        QCOMPARE(baseNameOf("C:/x/SerialTool.b.exe"), QString("SerialTool"));
        QCOMPARE(baseNameOf("/usr/bin/SerialTool"), QString("SerialTool"));
        QCOMPARE(TaviHelper::appBaseName(), QString("tst_startup"));
        QCOMPARE(randomSeedFor(QTime(10, 20, 59, 999)), 59999u);
        QCOMPARE(randomSeedFor(QTime(1, 2, 3, 45)), 3045u);
        QWidget w;
        w.resize(201, 101);
        TaviHelper::centerOnDesktop(&w);
        TaviHelper::centerOnDesktop(nullptr);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(w.pos(), QPoint(area.width() / 2 - 100, area.height() / 2 - 50));
    }

    void programWritesItsDefaultSettingsFile()
    {
        QTemporaryDir home;
        AppSettings::resetToDefaults();
        AppSettings::ConfigFile = home.filePath("expected.ini");
        AppSettings::writeConfig();
        // The real program, copied into an empty folder under a name with dots.
        QVERIFY(QFile::copy(QStringLiteral(NORVANE_BINARY), home.filePath("a.b")));
        QProcess program;
        program.start(home.filePath("a.b"), QStringList());
        QVERIFY(program.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(readFile(home.filePath("a.ini")),
                                  readFile(AppSettings::ConfigFile), 15000);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
    }

    void startUpSkipsHugeFilesAndSaysSo()
    {
        // The notices of the readers (tst_settings, tst_datalists) reach the log.
        QTemporaryDir home;
        const QString ini = home.filePath("huge.ini");
        QVERIFY(writeFile(ini, QByteArray(AppSettings::maxConfigFileBytes + 1, '#')));
        const QByteArray longLine(AppSettings::maxLineBytes + 1, 'A');
        QVERIFY(writeFile(home.filePath("send.txt"), "AT\n" + longLine + "\nAT+GMR\n"));
        QVERIFY(writeFile(home.filePath("device.txt"),
                          QByteArray(AppSettings::maxDataFileBytes + 1, 'B')));
        AppSettings::resetToDefaults();
        prepareApplication(ini, home.path());
        frmTolvan form;
        QCOMPARE(AppSettings::SendList, QStringList({"AT", "AT+GMR"}));
        QCOMPARE(AppSettings::DeviceKeys, QStringList());
        const QString log = form.findChild<QTextEdit *>("txtMain")->toPlainText();
        QVERIFY2(log.contains("huge.ini 过大"), qPrintable(log));
        QVERIFY2(log.contains("使用默认设置"), qPrintable(log));
        QVERIFY2(log.contains("send.txt: 跳过 1 行过长的行"), qPrintable(log));
        QVERIFY2(log.contains("device.txt 过大"), qPrintable(log));
        // And the rest of what start-up prepares.
        QCOMPARE(QApplication::font().family(), TaviAppearance::FontName);
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
    }

    void languageSetting()
    {
        // The built-in English translation covers the form's own texts and those made in code;
        // a language without a translation leaves the Chinese source texts.
        QTemporaryDir home;
        const struct {
            const char *language, *title, *openButton, *prefix;
        } cases[] = {
            {"en", "Norvane Serial Debug Assistant  Support: ", "Open port", "Serial TX >>"},
            {"fr", "Norvane串口调试助手  技术支持: ", "打开串口", "串口发送 >>"},
        };
        for (const auto &c : cases) {
            const QString ini = home.filePath(QString("%1.ini").arg(c.language));
            QVERIFY(writeFile(ini, QByteArray("[ComConfig]\nLanguage=") + c.language + "\n"));
            prepareApplication(ini, home.path());
            QCOMPARE(AppSettings::Language, QString(c.language)); // kept as stored
            QVERIFY2(mainWindowTitle().startsWith(c.title), qPrintable(mainWindowTitle()));
            QCOMPARE(logPrefix(LogSerialSend), QString(c.prefix));
            frmTolvan form;
            QCOMPARE(form.findChild<QPushButton *>("btnOpen")->text(), QString(c.openButton));
            // The longer English texts fit the default size too: it does not grow, every tab shows.
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(form.size(), QSize(800, 600));
            const auto *tabs = form.findChild<QTabWidget *>("tabWidget");
            QVERIFY(tabs->tabBar()->sizeHint().width() <= tabs->width());
        }
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
