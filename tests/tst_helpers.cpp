// Validators, folders and files, run information and network queries.
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
    void validators_data()
    {
        // Which validator takes the text: an IPv4 address, a MAC address (upper case, dashes), a
        // mobile number (11 digits, a known prefix), an e-mail address; the others refuse it.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        const auto row = [](const char *name, const char *text, const char *kind) {
            QTest::newRow(name) << text << kind;
        };
        row("lowest address", "0.0.0.0", "ip");
        row("highest address", "255.255.255.255", "ip");
        row("leading zeros", "192.168.001.010", "ip");
        row("256", "256.1.1.1", "");
        row("three parts", "1.2.3", "");
        row("blank after", "1.2.3.4 ", "");
        row("MAC", "00-1A-2B-3C-4D-5E", "mac");
        row("MAC, lower case", "00-1a-2b-3c-4d-5e", "");
        row("MAC, colons", "00:1A:2B:3C:4D:5E", "");
        row("MAC, seven", "00-1A-2B-3C-4D-5E-6F", "");
        row("mobile", "13800000000", "mobile");
        row("unknown prefix", "16800000000", "");
        row("ten digits", "1380000000", "");
        row("mail", "user@example.com", "mail");
        row("not .com", "user@example.cn", "");
        row("no @", "example.com", "");
    }

    void validators()
    {
        QFETCH(QString, text);
        QFETCH(QString, kind);
        QCOMPARE(TH::isIPv4(text), kind == "ip");
        QCOMPARE(TH::isMacAddress(text), kind == "mac");
        QCOMPARE(TH::isMobileNumber(text), kind == "mobile");
        QCOMPARE(TH::isEmailAddress(text), kind == "mail");
    }

    void folders()
    {
        QTemporaryDir dir;
        TH::ensureDir(dir.filePath("a/b/c"));
        QVERIFY(TH::dirExists(dir.filePath("a/b/c")));
        // A relative name lands beside the program.
        const QString name = QString("tst_helpers_dir_%1").arg(::getpid());
        TH::ensureDir(name);
        QVERIFY(TH::dirExists(TH::appDir() + "/" + name));
        QVERIFY(QDir(TH::appDir() + "/" + name).removeRecursively());
        QVERIFY(!TH::dirExists(""));
        QVERIFY(!TH::fileExists(""));
    }

    void clearingNeverLeavesTheFolder()
    {
        // Never through a link inside, and not at all for a link given as the folder.
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside"), root = dir.filePath("root");
        const QString precious = outside + "/keep/precious.txt";
        QVERIFY(QDir().mkpath(outside + "/keep"));
        QVERIFY(writeFile(precious, "p"));
        QVERIFY(QDir().mkpath(root + "/sub/deeper"));
        QVERIFY(writeFile(root + "/sub/deeper/c.txt", "c"));
        QVERIFY(QFile::link(outside, root + "/linkdir"));
        QVERIFY(QFile::link(outside, dir.filePath("rootlink")));
        TH::clearDirectory(dir.filePath("rootlink"));
        TH::clearDirectory(root);
        QVERIFY(QFileInfo(root).isDir());
        QVERIFY(QDir(root).isEmpty());
        QVERIFY(QFile::exists(precious));
        // A subfolder swapped for a link while the folder is being emptied.
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
            TH::clearDirectory(root);
        }
        running = false;
        swapper.join();
        QVERIFY(QFile::exists(precious));
    }

    void folderEntries()
    {
        // The folder dialog lists the chosen folder; cancelled, never the current one.
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("a.txt"), "a"));
        QVERIFY(writeFile(dir.filePath("B.txt"), "b"));
        QVERIFY(writeFile(dir.filePath("c.log"), "c"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const auto entries = [this](const char *answer) {
            QTimer::singleShot(0, this, [answer] { // the dialog is open by now
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                dialog->findChild<QLineEdit *>("fileNameEdit")->clear();
                QMetaObject::invokeMethod(dialog, answer);
            });
            return TH::chooseFolderEntries({"*.txt"});
        };
        const QStringList chosen = entries("accept"), cancelled = entries("reject");
        QDir::setCurrent(before);
        QCOMPARE(chosen, QStringList({"a.txt", "B.txt"}));
        QCOMPARE(cancelled, QStringList());
    }

    void copies()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("source.txt"), outside = dir.filePath("outside.txt");
        QVERIFY(writeFile(source, "new content"));
        // A link planted where the copy goes: neither the outside file nor its mode changes.
        QVERIFY(writeFile(outside, "outside"));
        QVERIFY(QFile::setPermissions(outside, QFileDevice::ReadOwner));
        QVERIFY(QFile::link(outside, dir.filePath("linked.txt")));
        TH::copyFileWritable(source, dir.filePath("linked.txt"));
        QCOMPARE(QFile::permissions(outside) & 0x7000, QFileDevice::ReadOwner);
        QCOMPARE(readFile(outside), QByteArray("outside"));
        // Out of the read-only resource bundle: readable and writable by its owner.
        const QString png = dir.filePath("device.png");
        TH::copyFileWritable(":/device.png", png);
        QCOMPARE(readFile(png), readFile(":/device.png"));
        const auto ownerRW = QFileDevice::WriteOwner | QFileDevice::ReadOwner;
        QCOMPARE(QFile::permissions(png) & ownerRW, ownerRW);
        // A non-empty target is kept, an empty one remade; without a resource, the empty one goes.
        QVERIFY(writeFile(dir.filePath("kept.txt"), "old"));
        QVERIFY(writeFile(dir.filePath("empty.txt"), ""));
        QVERIFY(writeFile(dir.filePath("data.db"), ""));
        TH::ensureFileCopy(source, dir.filePath("kept.txt"));
        TH::ensureFileCopy(source, dir.filePath("empty.txt"));
        TH::ensureDatabaseFile(dir.filePath("data.db"));
        QCOMPARE(readFile(dir.filePath("kept.txt")), QByteArray("old"));
        QCOMPARE(readFile(dir.filePath("empty.txt")), QByteArray("new content"));
        QVERIFY(!QFile::exists(dir.filePath("data.db")));
        // A full disk (files may not grow past 4 KB): no partial copy is left.
        QVERIFY(writeFile(dir.filePath("big.bin"), QByteArray(64 * 1024, 'b')));
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.set);
            TH::copyFileWritable(dir.filePath("big.bin"), dir.filePath("copy.bin"));
        }
        QVERIFY(!QFile::exists(dir.filePath("copy.bin")));
    }

    void runInformation()
    {
        // Lines appended to a monthly file; none without its folder, which is not made.
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("log")));
        const QString path = runInfoFilePath(dir.path(), "log", "SerialTool", QDate(2024, 3, 5));
        QCOMPARE(path, dir.filePath("log/SerialTool_runinfo_202403.txt"));
        appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7)), "started");
        appendRunInfoLine(path, QDateTime(QDate(2024, 3, 5), QTime(9, 8, 9)), "端口打开");
        QCOMPARE(readFile(path),
                 QByteArray("2024-03-05 09:08:07  started\n2024-03-05 09:08:09  端口打开\n"));
        const QString missing = runInfoFilePath(dir.path(), "nolog", "x", QDate(2024, 3, 5));
        appendRunInfoLine(missing, QDateTime::currentDateTime(), "lost");
        QVERIFY(!QFile::exists(missing));
    }

    void localAddress()
    {
        QCOMPARE(chooseLocalIPv4({"10.0.0.5", "192.168.56.1", "192.168.1.20"}),
                 QString("192.168.56.1"));
        QCOMPARE(chooseLocalIPv4({"10.0.0.5", "172.16.0.1"}), QString("127.0.0.1"));
    }

    void webPage()
    {
        // A web server on 127.0.0.1 that answers every request with `body`.
        QTcpServer server;
        QByteArray request;
        const QByteArray body = "a=1<br/>b=2<br/>c=3<br/>ip = 10.1.2.3<br/>温度";
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&, s] {
                request += s->readAll();
                if (request.contains("\r\n\r\n")) {
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                             + "\r\n\r\n" + body);
                    s->disconnectFromHost();
                }
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 port = server.serverPort();
        QVERIFY(TH::hostReachable("127.0.0.1", port, 1000));
        const QString page = TH::fetchUrlText(QString("http://127.0.0.1:%1/ip").arg(port));
        QVERIFY(request.startsWith("GET /ip HTTP/1.1"));
        QVERIFY(page.endsWith("温度"));
        QCOMPARE(TH::extractPageValue(page), QString("10.1.2.3"));
        server.disconnect(
            this); // takes the connection, never answers: the time limit ends the wait
        QCOMPARE(TH::fetchUrlText(QString("http://127.0.0.1:%1/").arg(port), 500), QString());
        server.close();
        QVERIFY(!TH::hostReachable("127.0.0.1", port, 1000));
    }

    void pageValues()
    {
        // The value of the fourth line's key=value pair, blanks and line ends dropped.
        QCOMPARE(TH::extractPageValue("a=1\r\n<br/>b=2<br/> c=3<br/>ip=1.2<br/>"), QString("1.2"));
        QCOMPARE(TH::extractPageValue("a<br/>b<br/>c<br/>k=v=w"), QString("v"));
        QCOMPARE(TH::extractPageValue("a=1<br/>b=2<br/>c=3"), QString());
        QCOMPARE(TH::extractPageValue("a<br/>b<br/>c<br/>noequals"), QString());
    }
};

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
