#include "tavihelper.h"
#include "testsupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using TH = TaviHelper;

class TestHelpers : public QObject
{
    Q_OBJECT
private slots:
    void validators()
    {
        // Whether each text is an IPv4 address, a MAC address (upper case, dashes), a mobile number (11 long, known prefix), an e-mail address.
        const struct { const char *text; bool ip, mac, mobile, mail; } cases[] = {
            {"0.0.0.0", 1, 0, 0, 0}, {"255.255.255.255", 1, 0, 0, 0}, {"192.168.001.010", 1, 0, 0, 0}, {"256.1.1.1", 0, 0, 0, 0}, {"1.2.3", 0, 0, 0, 0},
            {"1.2.3.4 ", 0, 0, 0, 0}, {"00-1A-2B-3C-4D-5E", 0, 1, 0, 0}, {"00-1a-2b-3c-4d-5e", 0, 0, 0, 0}, {"00:1A:2B:3C:4D:5E", 0, 0, 0, 0}, {"00-1A-2B-3C-4D-5E-6F", 0, 0, 0, 0},
            {"13800000000", 0, 0, 1, 0}, {"16800000000", 0, 0, 0, 0}, {"1380000000", 0, 0, 0, 0}, {"user@example.com", 0, 0, 0, 1}, {"user@example.cn", 0, 0, 0, 0}, {"example.com", 0, 0, 0, 0},
        };
        for (const auto &c : cases) {
            QVERIFY2(TH::isIPv4(c.text) == c.ip && TH::isMacAddress(c.text) == c.mac && TH::isMobileNumber(c.text) == c.mobile && TH::isEmailAddress(c.text) == c.mail, c.text);
        }
    }
    void folders()
    {
        QTemporaryDir dir;
        const QString besideApp = TH::appDir() + QString("/tst_helpers_dir_%1").arg(::getpid()); // a relative name lands there
        TH::ensureDir(dir.filePath("a/b/c"));
        TH::ensureDir(QFileInfo(besideApp).fileName());
        QVERIFY(TH::dirExists(dir.filePath("a/b/c")) && TH::dirExists(besideApp) && QDir(besideApp).removeRecursively() && !TH::dirExists("") && !TH::fileExists(""));
        // Emptying a folder never follows a link out of it, and refuses a link given as the folder.
        const QString outside = dir.filePath("outside"), root = dir.filePath("root");
        QVERIFY(QDir().mkpath(outside + "/keep") && writeFile(outside + "/keep/precious.txt", "p") && QDir().mkpath(root + "/sub/deeper"));
        QVERIFY(writeFile(root + "/sub/deeper/c.txt", "c") && QFile::link(outside, root + "/linkdir") && QFile::link(outside, dir.filePath("rootlink")));
        TH::clearDirectory(dir.filePath("rootlink"));
        TH::clearDirectory(root);
        QVERIFY(QFileInfo(root).isDir() && QDir(root).isEmpty() && QFile::exists(outside + "/keep/precious.txt"));
        // A subfolder swapped for a link while the folder is being emptied never leads outside.
        std::atomic<bool> running{true};
        const QByteArray sub = QFile::encodeName(root + "/sub"), aside = QFile::encodeName(root + "/aside"), target = QFile::encodeName(outside + "/keep");
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
            TH::clearDirectory(root);
        }
        running = false;
        swapper.join();
        QVERIFY(QFile::exists(outside + "/keep/precious.txt"));
        QVERIFY(writeFile(dir.filePath("a.txt"), "a") && writeFile(dir.filePath("B.txt"), "b") && writeFile(dir.filePath("c.log"), "c"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the folder dialog lists the chosen folder; cancelled, it must not list the current one
        for (const QString &answer : {QString(), dir.path()}) {
            QTimer::singleShot(0, this, [answer] { // the dialog is open by now; were it not, the test would crash here
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                dialog->findChild<QLineEdit *>("fileNameEdit")->clear();
                QMetaObject::invokeMethod(dialog, answer.isEmpty() ? "reject" : "accept");
            });
            QCOMPARE(TH::chooseFolderEntries({"*.txt"}), (answer.isEmpty() ? QStringList() : QStringList{"a.txt", "B.txt"}));
        }
        QDir::setCurrent(before);
    }
    void filesWritten()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("source.txt"), outside = dir.filePath("outside.txt");
        // A link planted where the copy goes: neither the outside file nor its mode changes.
        QVERIFY(writeFile(source, "new content") && writeFile(outside, "outside") && QFile::setPermissions(outside, QFileDevice::ReadOwner) && QFile::link(outside, dir.filePath("linked.txt")));
        TH::copyFileWritable(source, dir.filePath("linked.txt"));
        QVERIFY((QFile::permissions(outside) & 0x7000) == QFileDevice::ReadOwner && readFile(outside) == "outside");
        // Out of the read-only resource bundle: readable and writable by its owner.
        TH::copyFileWritable(":/device.png", dir.filePath("device.png"));
        const auto ownerRW = QFileDevice::WriteOwner | QFileDevice::ReadOwner;
        QVERIFY(readFile(dir.filePath("device.png")) == readFile(":/device.png") && (QFile::permissions(dir.filePath("device.png")) & ownerRW) == ownerRW);
        // A non-empty target is kept, an empty one remade; without a resource to copy, the empty one goes.
        QVERIFY(writeFile(dir.filePath("kept.txt"), "old") && writeFile(dir.filePath("empty.txt"), "") && writeFile(dir.filePath("data.db"), ""));
        TH::ensureFileCopy(source, dir.filePath("kept.txt"));
        TH::ensureFileCopy(source, dir.filePath("empty.txt"));
        TH::ensureDatabaseFile(dir.filePath("data.db"));
        QVERIFY(readFile(dir.filePath("kept.txt")) == "old" && readFile(dir.filePath("empty.txt")) == "new content" && !QFile::exists(dir.filePath("data.db")));
        // A full disk (files may not grow past 4 KB): no partial copy is left.
        QVERIFY(writeFile(dir.filePath("big.bin"), QByteArray(64 * 1024, 'b')));
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.set);
            TH::copyFileWritable(dir.filePath("big.bin"), dir.filePath("copy.bin"));
        }
        QVERIFY(!QFile::exists(dir.filePath("copy.bin")));
        QVERIFY(QDir().mkpath(dir.filePath("log"))); // run information: lines appended to a monthly file, none without its folder
        const QString path = runInfoFilePath(dir.path(), "log", "SerialTool", QDate(2024, 3, 5));
        appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)), "started");
        appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 9)), "端口打开");
        QCOMPARE(readFile(dir.path() + "/log/SerialTool_runinfo_202403.txt"), QByteArray("2024-03-05 09:08:07  started\n2024-03-05 09:08:09  端口打开\n"));
        const QString missing = runInfoFilePath(dir.path(), "nolog", "x", QDate(2024, 3, 5)); // the folder is not created
        appendRunInfoLine(missing, QDateTime::currentDateTime(), "lost");
        QVERIFY(!QFile::exists(missing));
    }
    void network()
    {
        QCOMPARE(chooseLocalIPv4({"10.0.0.5", "192.168.56.1", "192.168.1.20"}) + chooseLocalIPv4({"10.0.0.5", "172.16.0.1"}), QString("192.168.56.1" "127.0.0.1"));
        // A web server on 127.0.0.1 that answers every request with `body`.
        QTcpServer server;
        QByteArray request;
        const QByteArray body = "a=1<br/>b=2<br/>c=3<br/>ip = 10.1.2.3<br/>温度";
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&, s] {
                request += s->readAll();
                if (request.contains("\r\n\r\n")) {
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    s->disconnectFromHost();
                }
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 port = server.serverPort();
        QVERIFY(TH::hostReachable("127.0.0.1", port, 1000));
        const QString page = TH::fetchUrlText(QString("http://127.0.0.1:%1/ip").arg(port));
        QVERIFY(request.startsWith("GET /ip HTTP/1.1") && page.endsWith("温度") && TH::extractPageValue(page) == "10.1.2.3");
        server.disconnect(this); // takes the connection, never answers: the time limit ends the wait
        QVERIFY(TH::fetchUrlText(QString("http://127.0.0.1:%1/").arg(port), 500).isEmpty());
        server.close();
        QVERIFY(!TH::hostReachable("127.0.0.1", port, 1000));
        QCOMPARE(QStringList({TH::extractPageValue("a=1\r\n<br/>b=2<br/> c=3<br/>ip=1.2<br/>"), TH::extractPageValue("a<br/>b<br/>c<br/>k=v=w"),
                              TH::extractPageValue("a=1<br/>b=2<br/>c=3"), TH::extractPageValue("a<br/>b<br/>c<br/>noequals")}), QStringList({"1.2", "v", "", ""}));
    }
};

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
