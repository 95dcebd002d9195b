// Validators, folders and files, network queries.
#include "tavihelper.h"
#include "testsupport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

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
        const auto row = [](const char *text, const char *kind) {
            QTest::newRow(text) << text << kind;
        };
        row("0.0.0.0", "ip");
        row("192.168.001.255", "ip");
        row("256.1.1.1", "");
        row("1.2.3.4 ", "");
        row("00-1A-2B-3C-4D-5E", "mac");
        row("00-1a-2b-3c-4d-5e", "");
        row("00-1A-2B-3C-4D-5E-6F", "");
        row("13800000000", "mobile");
        row("16800000000", "");
        row("user@example.com", "mail");
        row("user@example.cn", "");
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

    void clearingNeverLeavesTheFolder()
    {
        // Never through a link inside, and not at all for a link given as the folder.
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside"), root = dir.filePath("root");
        const QString precious = outside + "/keep/precious.txt";
        QVERIFY(QDir().mkpath(outside + "/keep"));
        QVERIFY(writeFile(precious, "p"));
        TH::ensureDir(root + "/sub/deeper");
        QVERIFY(writeFile(root + "/sub/deeper/c.txt", "c"));
        QVERIFY(QFile::link(outside, root + "/linkdir"));
        QVERIFY(QFile::link(outside, dir.filePath("rootlink")));
        TH::clearDirectory(dir.filePath("rootlink"));
        TH::clearDirectory(root);
        QVERIFY(TH::dirExists(root) && QDir(root).isEmpty());
        QVERIFY(QFile::exists(precious));
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
        QCOMPARE(readFile(dir.filePath("kept.txt")) + readFile(dir.filePath("empty.txt")),
                 QByteArray("oldnew content"));
        QVERIFY(!TH::fileExists(dir.filePath("data.db")));
        // A full disk (files may not grow past 4 KB): no partial copy is left.
        QVERIFY(writeFile(dir.filePath("big.bin"), QByteArray(64 * 1024, 'b')));
        {
            const FileSizeLimit limit(4096);
            QVERIFY(limit.set);
            TH::copyFileWritable(dir.filePath("big.bin"), dir.filePath("copy.bin"));
        }
        QVERIFY(!QFile::exists(dir.filePath("copy.bin")));
    }

    void network()
    {
        QCOMPARE(chooseLocalIPv4({"10.0.0.5", "192.168.56.1", "192.168.1.20"}),
                 QString("192.168.56.1"));
        QCOMPARE(chooseLocalIPv4({"10.0.0.5", "172.16.0.1"}), QString("127.0.0.1"));
        // A web server on 127.0.0.1: the page's fourth key=value pair, blanks and line ends
        // dropped. Once it no longer answers, the time limit ends the wait.
        QTcpServer server;
        QByteArray request;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [&, s] {
                if ((request += s->readAll()).endsWith("\r\n\r\n")) {
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n"
                             "a=1\r\n<br/>b<br/> c=3<br/>ip = 1.2=3<br/>");
                    s->disconnectFromHost();
                }
            });
        });
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 port = server.serverPort();
        const QString url = QString("http://127.0.0.1:%1/ip").arg(port);
        QVERIFY(TH::hostReachable("127.0.0.1", port, 1000));
        QCOMPARE(TH::extractPageValue(TH::fetchUrlText(url)), QString("1.2"));
        QVERIFY(request.startsWith("GET /ip HTTP/1.1"));
        QCOMPARE(TH::extractPageValue("a=1<br/>b=2<br/>c=3"), QString());
        QCOMPARE(TH::extractPageValue("a<br/>b<br/>c<br/>noequals"), QString());
        server.disconnect(this);
        QCOMPARE(TH::fetchUrlText(url, 500), QString());
        server.close();
        QVERIFY(!TH::hostReachable("127.0.0.1", port, 1000));
    }
};

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
