#include "tavihelper.h"
#include "testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <unistd.h>

class TestHelpers : public QObject
{
    Q_OBJECT
private slots:
    void ipv4_data();
    void ipv4();
    void otherValidators();
    void desktopSizeIsCached();
    void ensureDirAbsoluteAndRelative();
    void existenceAndNames();
    void clearDirectoryKeepsTheFolder();
    void clearDirectoryDoesNotFollowLinks();
    void fileCopies();
    void databaseFileWithoutResource();
    void runInfo();
    void localAddressChoice();
    void resolveLocalhost();
    void reachability();
    void fetchFromLocalServer();
    void fetchGivesUpOnSilentServer();
    void pageValues();
    void windowsOnlyFunctionsDoNothingHere();
    void fileDialogs();

private:
    // Answers the next modal dialog from a timer: accept with `file` selected, or cancel.
    void answerNextDialog(const QString &file);
};

void TestHelpers::ipv4_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("zeros") << "0.0.0.0" << true;
    QTest::newRow("max") << "255.255.255.255" << true;
    QTest::newRow("leading zeros") << "192.168.001.010" << true;
    QTest::newRow("256") << "256.1.1.1" << false;
    QTest::newRow("three parts") << "1.2.3" << false;
    QTest::newRow("trailing space") << "1.2.3.4 " << false;
    QTest::newRow("five parts") << "1.2.3.4.5" << false;
    QTest::newRow("ipv6") << "::1" << false;
    QTest::newRow("empty") << "" << false;
}

void TestHelpers::ipv4()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(TaviHelper::isIPv4(text), valid);
}

void TestHelpers::otherValidators()
{
    QVERIFY(TaviHelper::isMacAddress("00-1A-2B-3C-4D-5E"));
    QVERIFY(!TaviHelper::isMacAddress("00-1a-2b-3c-4d-5e"));
    QVERIFY(!TaviHelper::isMacAddress("00:1A:2B:3C:4D:5E"));
    QVERIFY(!TaviHelper::isMacAddress("00-1A-2B-3C-4D-5E-6F"));

    QVERIFY(TaviHelper::isMobileNumber("13800000000"));
    QVERIFY(TaviHelper::isMobileNumber("18912345678"));
    QVERIFY(!TaviHelper::isMobileNumber("16800000000"));
    QVERIFY(!TaviHelper::isMobileNumber("1380000000"));
    QVERIFY(TaviHelper::isMobileNumber("13abcdefghi"));

    QVERIFY(TaviHelper::isEmailAddress("user@example.com"));
    QVERIFY(TaviHelper::isEmailAddress(".com then @ later"));
    QVERIFY(!TaviHelper::isEmailAddress("user@example.cn"));
    QVERIFY(!TaviHelper::isEmailAddress("example.com"));
}

void TestHelpers::desktopSizeIsCached()
{
    const int w = TaviHelper::desktopWidth();
    const int h = TaviHelper::desktopHeight();
    QVERIFY(w > 0 && h > 0);
    QCOMPARE(TaviHelper::desktopWidth(), w);
    QCOMPARE(TaviHelper::desktopHeight(), h);
}

void TestHelpers::ensureDirAbsoluteAndRelative()
{
    QTemporaryDir dir;
    const QString deep = dir.filePath("a/b/c");
    TaviHelper::ensureDir(deep);
    QVERIFY(QFileInfo(deep).isDir());
    TaviHelper::ensureDir(deep); // already there: nothing happens

    // A relative name lands beside the executable; this test removes it again.
    const QString name = QString("tst_helpers_dir_%1").arg(::getpid());
    TaviHelper::ensureDir(name);
    const QString besideApp = TaviHelper::appDir() + "/" + name;
    QVERIFY(QFileInfo(besideApp).isDir());
    QVERIFY(QDir(besideApp).removeRecursively());
}

void TestHelpers::existenceAndNames()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("f.txt"), "x"));
    QVERIFY(TaviHelper::dirExists(dir.path()));
    QVERIFY(!TaviHelper::dirExists(dir.filePath("f.txt")));
    QVERIFY(!TaviHelper::dirExists(""));
    QVERIFY(TaviHelper::fileExists(dir.filePath("f.txt")));
    QVERIFY(TaviHelper::fileExists(dir.path()));
    QVERIFY(!TaviHelper::fileExists(dir.filePath("none")));
    QCOMPARE(TaviHelper::fileNameOf("/x/y/report.tar.gz"), QString("report.tar.gz"));
    QCOMPARE(TaviHelper::fileNameOf("C:/data/a.db"), QString("a.db"));
}

void TestHelpers::clearDirectoryKeepsTheFolder()
{
    QTemporaryDir dir;
    const QString root = dir.filePath("root");
    QVERIFY(QDir().mkpath(root + "/sub/deeper"));
    QVERIFY(writeFile(root + "/a.txt", "a"));
    QVERIFY(writeFile(root + "/sub/b.txt", "b"));
    QVERIFY(writeFile(root + "/sub/deeper/c.txt", "c"));
    TaviHelper::clearDirectory(root);
    QVERIFY(QFileInfo(root).isDir());
    QVERIFY(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    TaviHelper::clearDirectory(dir.filePath("missing")); // nothing to do
}

void TestHelpers::clearDirectoryDoesNotFollowLinks()
{
    QTemporaryDir dir;
    const QString outside = dir.filePath("outside");
    QVERIFY(QDir().mkpath(outside + "/keep"));
    QVERIFY(writeFile(outside + "/keep/precious.txt", "p"));
    QVERIFY(writeFile(outside + "/file.txt", "f"));
    const QString root = dir.filePath("root");
    QVERIFY(QDir().mkpath(root));
    QVERIFY(QFile::link(outside, root + "/linkdir"));
    QVERIFY(QFile::link(outside + "/file.txt", root + "/linkfile"));
    TaviHelper::clearDirectory(root);
    QVERIFY(QFile::exists(outside + "/keep/precious.txt"));
    QVERIFY(QFile::exists(outside + "/file.txt"));
    QVERIFY(!QFileInfo(root + "/linkdir").isSymLink());
    QVERIFY(!QFileInfo(root + "/linkfile").isSymLink());

    // A path that is itself a link is refused, not its target emptied.
    QVERIFY(QFile::link(outside, dir.filePath("rootlink")));
    TaviHelper::clearDirectory(dir.filePath("rootlink"));
    QVERIFY(QFile::exists(outside + "/keep/precious.txt"));

    // A subfolder swapped for a link while the folder is being emptied never leads outside.
    std::atomic<bool> running{true};
    const QByteArray sub = QFile::encodeName(root + "/sub");
    const QByteArray aside = QFile::encodeName(root + "/aside");
    const QByteArray target = QFile::encodeName(outside + "/keep");
    std::thread swapper([&] {
        while (running) {
            ::mkdir(aside.constData(), 0700);
            ::rename(aside.constData(), sub.constData());
            ::rmdir(sub.constData());
            ::symlink(target.constData(), sub.constData());
            ::unlink(sub.constData());
        }
    });
    for (int round = 0; round < 2000; ++round) {
        QDir().mkpath(root + "/sub");
        TaviHelper::clearDirectory(root);
    }
    running = false;
    swapper.join();
    QVERIFY(QFile::exists(outside + "/keep/precious.txt"));
    QVERIFY(QFile::exists(outside + "/file.txt"));
}

void TestHelpers::fileCopies()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("source.txt");
    QVERIFY(writeFile(source, "new content"));

    // An existing target is never overwritten by copyFileWritable.
    const QString existing = dir.filePath("existing.txt");
    QVERIFY(writeFile(existing, "old"));
    TaviHelper::copyFileWritable(source, existing);
    QCOMPARE(readFile(existing), QByteArray("old"));

    // A target that is a link to an outside file: neither the file nor its mode changes.
    const QString outside = dir.filePath("outside.txt");
    QVERIFY(writeFile(outside, "outside"));
    QVERIFY(QFile::setPermissions(outside, QFileDevice::ReadOwner));
    QVERIFY(QFile::link(outside, dir.filePath("linked.txt")));
    TaviHelper::copyFileWritable(source, dir.filePath("linked.txt"));
    QCOMPARE(QFile::permissions(outside) & 0x7000, QFileDevice::ReadOwner);
    QCOMPARE(readFile(outside), QByteArray("outside"));

    // A copy out of the read-only resource bundle ends up writable and readable.
    const QString fromResource = dir.filePath("device.png");
    TaviHelper::copyFileWritable(":/device.png", fromResource);
    QVERIFY(QFileInfo(fromResource).size() > 0);
    QVERIFY(QFile::permissions(fromResource) & QFileDevice::WriteOwner);
    QVERIFY(QFile::permissions(fromResource) & QFileDevice::ReadOwner);

    // ensureFileCopy: a non-empty target stays, an empty one is replaced.
    TaviHelper::ensureFileCopy(source, existing);
    QCOMPARE(readFile(existing), QByteArray("old"));
    const QString empty = dir.filePath("empty.txt");
    QVERIFY(writeFile(empty, ""));
    TaviHelper::ensureFileCopy(source, empty);
    QCOMPARE(readFile(empty), QByteArray("new content"));
    const QString fresh = dir.filePath("fresh.txt");
    TaviHelper::ensureFileCopy(source, fresh);
    QCOMPARE(readFile(fresh), QByteArray("new content"));
}

void TestHelpers::databaseFileWithoutResource()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("data.db");
    QVERIFY(writeFile(target, ""));
    TaviHelper::ensureDatabaseFile(target);
    QVERIFY2(!QFile::exists(target), "the empty target is removed and there is nothing to copy");
}

void TestHelpers::runInfo()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("log")));
    const QString path = runInfoFilePath(dir.path(), "log", "SerialTool", QDate(2024, 3, 5));
    QCOMPARE(path, dir.path() + "/log/SerialTool_runinfo_202403.txt");
    appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)), "started");
    appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 9)), "端口打开");
    QCOMPARE(readFile(path), QByteArray("2024-03-05 09:08:07  started\n2024-03-05 09:08:09  端口打开\n"));

    // The folder is not created; without it nothing is written.
    const QString missing = runInfoFilePath(dir.path(), "nolog", "x", QDate(2024, 3, 5));
    appendRunInfoLine(missing, QDateTime::currentDateTime(), "lost");
    QVERIFY(!QFile::exists(missing));

    // The real entry point, in a folder of this test beside the executable.
    const QString folder = QString("tst_helpers_log_%1").arg(::getpid());
    TaviHelper::ensureDir(folder);
    TaviHelper::appendRunInfo("one", folder);
    TaviHelper::appendRunInfo("two", folder);
    const QString real = runInfoFilePath(TaviHelper::appDir(), folder, "tst_helpers", QDate::currentDate());
    const QList<QByteArray> lines = readFile(real).split('\n');
    QVERIFY(QDir(TaviHelper::appDir() + "/" + folder).removeRecursively());
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].endsWith("  one"));
    QVERIFY(lines[1].endsWith("  two"));
}

void TestHelpers::localAddressChoice()
{
    QCOMPARE(chooseLocalIPv4({"10.0.0.5", "192.168.56.1", "192.168.1.20"}), QString("192.168.56.1"));
    QCOMPARE(chooseLocalIPv4({"10.0.0.5", "192.168.1.20"}), QString("192.168.1.20"));
    QCOMPARE(chooseLocalIPv4({"10.0.0.5", "172.16.0.1"}), QString("127.0.0.1"));
    QCOMPARE(chooseLocalIPv4({}), QString("127.0.0.1"));
    QVERIFY(TaviHelper::isIPv4(TaviHelper::localIPv4()));
}

void TestHelpers::resolveLocalhost()
{
    const QString address = TaviHelper::resolveHost("localhost");
    QVERIFY2(address == "127.0.0.1" || address == "::1", qPrintable(address));
    QCOMPARE(TaviHelper::resolveHost(""), QString()); // nothing found: empty, no lookup leaves the machine
}

void TestHelpers::reachability()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QVERIFY(TaviHelper::hostReachable("127.0.0.1", server.serverPort(), 1000));
    const quint16 port = server.serverPort();
    server.close();
    QVERIFY(!TaviHelper::hostReachable("127.0.0.1", port, 1000));
}

// A tiny HTTP responder on 127.0.0.1: answers every request with `body`, or never answers.
class HttpResponder : public QTcpServer
{
public:
    HttpResponder(const QByteArray &body, bool silent) : body(body), silent(silent)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                request += s->readAll();
                if (!this->silent && request.contains("\r\n\r\n")) {
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                             + QByteArray::number(this->body.size()) + "\r\nConnection: close\r\n\r\n" + this->body);
                    s->disconnectFromHost();
                }
            });
        });
    }
    QByteArray request;

private:
    QByteArray body;
    bool silent;
};

void TestHelpers::fetchFromLocalServer()
{
    HttpResponder server("a=1<br/>b=2<br/>c=3<br/>ip = 10.1.2.3<br/>温度", false);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString page = TaviHelper::fetchUrlText(QString("http://127.0.0.1:%1/ip").arg(server.serverPort()));
    QVERIFY(server.request.startsWith("GET /ip HTTP/1.1"));
    QVERIFY(page.endsWith("温度"));
    QCOMPARE(TaviHelper::extractPageValue(page), QString("10.1.2.3"));
}

void TestHelpers::fetchGivesUpOnSilentServer()
{
    HttpResponder server("", true);
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer clock;
    clock.start();
    const QString page = TaviHelper::fetchUrlText(QString("http://127.0.0.1:%1/").arg(server.serverPort()), 500);
    QVERIFY(page.isEmpty());
    QVERIFY2(clock.elapsed() < 5000, "the time limit ends the wait");
    // Nothing listening at all: an error reply, empty text.
    const quint16 port = server.serverPort();
    server.close();
    QCOMPARE(TaviHelper::fetchUrlText(QString("http://127.0.0.1:%1/").arg(port), 3000), QString());
}

void TestHelpers::pageValues()
{
    QCOMPARE(TaviHelper::extractPageValue("a=1<br/>b=2<br/>c=3<br/>ip=10.1.2.3<br/>"), QString("10.1.2.3"));
    QCOMPARE(TaviHelper::extractPageValue("a=1\r\n<br/>b=2<br/> c=3<br/>ip=1.2<br/>"), QString("1.2"));
    QCOMPARE(TaviHelper::extractPageValue("a=1<br/>b=2<br/>c=3"), QString());
    QCOMPARE(TaviHelper::extractPageValue("a<br/>b<br/>c<br/>noequals"), QString());
    QCOMPARE(TaviHelper::extractPageValue(""), QString());
    QCOMPARE(TaviHelper::extractPageValue("a<br/>b<br/>c<br/>k=v=w"), QString("v"));
}

void TestHelpers::windowsOnlyFunctionsDoNothingHere()
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QDateTime clockBefore = QDateTime::currentDateTime();
    TaviHelper::setSystemClock("2001", "1", "1", "1", "1", "1");
    TaviHelper::setAutoRun("Norvane", "/usr/bin/norvane", true);
    QDir::setCurrent(before);
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    QVERIFY(qAbs(QDateTime::currentDateTime().secsTo(clockBefore)) < 5);
    QVERIFY2(readFile(QString("/proc/%1/task/%1/children").arg(::getpid())).trimmed().isEmpty(),
             "no process was started");
}

void TestHelpers::answerNextDialog(const QString &file)
{
    auto *poll = new QTimer(this);
    poll->setInterval(50);
    connect(poll, &QTimer::timeout, this, [poll, file] {
        QFileDialog *dialog = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible()) {
                dialog = d;
            }
        }
        if (!dialog) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (file.isEmpty()) {
            dialog->reject();
        } else {
            // Type the answer the way a user would: folder first, then the name.
            auto *nameEdit = dialog->findChild<QLineEdit *>("fileNameEdit");
            if (dialog->fileMode() == QFileDialog::Directory) {
                dialog->setDirectory(file);
                nameEdit->clear();
            } else {
                dialog->setDirectory(QFileInfo(file).absolutePath());
                nameEdit->setText(QFileInfo(file).fileName());
            }
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    poll->start();
}

void TestHelpers::fileDialogs()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a.txt"), "a"));
    QVERIFY(writeFile(dir.filePath("B.txt"), "b"));
    QVERIFY(writeFile(dir.filePath("c.log"), "c"));

    answerNextDialog(QString());
    QCOMPARE(TaviHelper::chooseOpenFile("Text (*.txt)", dir.path()), QString());
    answerNextDialog(dir.filePath("a.txt"));
    QCOMPARE(TaviHelper::chooseOpenFile("Text (*.txt)", dir.path()), dir.filePath("a.txt"));
    answerNextDialog(QString());
    QVERIFY(TaviHelper::chooseOpenFiles("Text (*.txt)", dir.path()).isEmpty());
    answerNextDialog(dir.filePath("new.txt"));
    QCOMPARE(TaviHelper::chooseSaveFile("Text (*.txt)", dir.path()), dir.filePath("new.txt"));
    answerNextDialog(QString());
    QCOMPARE(TaviHelper::chooseFolder(), QString());
    answerNextDialog(QString());
    QVERIFY(TaviHelper::chooseFolderEntries({"*.txt"}).isEmpty());
    answerNextDialog(dir.path());
    QCOMPARE(TaviHelper::chooseFolderEntries({"*.txt"}), (QStringList{"a.txt", "B.txt"}));
}

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
