// The register tables without the console: rows and formats, writes from a row, poll
// definitions and names kept in files, statistics against a device that misbehaves on purpose,
// and the window's in-place update and write.
#include "consolesession.h"
#include "registertable.h"
#include "registerwindow.h"
#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QApplication>
#include <QInputDialog>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The good reply of `read` carrying `data`, as the matcher hands it on.
ReplyDecode replyTo(const PollDefinition &read, const QByteArray &data)
{
    ReplyDecode d;
    d.kind = ReplyDecode::Values;
    d.slave = read.slave;
    d.functionCode = read.function;
    d.firstRegister = read.address;
    d.count = read.count;
    d.data = data;
    return d;
}

QString cell(const QAbstractItemModel &model, int row, int column)
{
    return model.index(row, column).data().toString();
}
} // namespace

class TestRegisterTable : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ReplyDecode>();
        qRegisterMetaType<RequestRow>();
    }
    void rowsInTheirOwnFormats()
    {
        RegisterNames names;
        RegisterTableModel model({1, 3, 100, 4}, &names);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(!model.takeReply(replyTo({1, 3, 100, 3}, hexBytes("00 01 00 02 00 03")), 0));
        QVERIFY(!model.takeReply(replyTo({2, 3, 100, 4}, hexBytes("00 01 00 02 00 03 00 04")), 0));
        QCOMPARE(changed.size(), 0);
        const qint64 at =
            QDateTime::fromString("2026-12-07T10:11:12.345", Qt::ISODateWithMs).toMSecsSinceEpoch();
        QVERIFY(model.takeReply(replyTo({1, 3, 100, 4}, hexBytes("FF FE 00 00 41 20 4F 4B")), at));
        model.setRowFormat(2, formatFromSetting("float:CDAB"));
        model.setRowFormat(3, formatFromSetting("ascii"));
        model.setRowFormat(1, formatFromSetting("uint32:ABCD"));
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(cell(model, row, RegisterTableModel::AddressColumn),
                     QString::number(100 + row));
            QCOMPARE(cell(model, row, RegisterTableModel::TimeColumn), QString("10:11:12.345"));
        }
        QCOMPARE(cell(model, 0, RegisterTableModel::RawColumn), QString("0xFFFE"));
        QCOMPARE(cell(model, 0, RegisterTableModel::ValueColumn), QString("-2"));
        QCOMPARE(cell(model, 1, RegisterTableModel::ValueColumn), QString("16672"));
        // 0x4F4B4120 as float: two registers from here, low word first; none past the read.
        QCOMPARE(cell(model, 2, RegisterTableModel::ValueColumn), QString("3.410043e+09"));
        QCOMPARE(cell(model, 3, RegisterTableModel::ValueColumn), QString("OK"));
        model.setRowFormat(3, formatFromSetting("int32:ABCD"));
        QCOMPARE(cell(model, 3, RegisterTableModel::ValueColumn), QString("(超出读取范围)"));
        const QModelIndex format = model.index(3, RegisterTableModel::FormatColumn);
        QVERIFY(!model.setData(format, formatChoices().size()) && model.setData(format, 0));
        // Only a value that changed is highlighted, for its own time; the view is told when
        // the first highlight ends, though a later one still shows.
        const auto lit = [&](int row) {
            return model.index(row, 0).data(Qt::BackgroundRole).isValid();
        };
        int faded = 0;
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex &, const QModelIndex &, const QVector<int> &roles) {
                    faded += roles.contains(Qt::BackgroundRole);
                });
        QVERIFY(!lit(0));
        QVERIFY(model.takeReply(replyTo({1, 3, 100, 4}, hexBytes("FF FE 00 01 41 20 4F 4B")), at));
        QVERIFY(!lit(0) && lit(1));
        QTest::qWait(RegisterTableModel::highlightMs * 2 / 3);
        QVERIFY(model.takeReply(replyTo({1, 3, 100, 4}, hexBytes("FF FF 00 01 41 20 4F 4B")), at));
        QTRY_VERIFY_WITH_TIMEOUT(faded >= 1, RegisterTableModel::highlightMs * 2 / 3);
        QTRY_VERIFY(!lit(1));
        QVERIFY(lit(0));
        QTRY_VERIFY_WITH_TIMEOUT(faded >= 2 && !lit(0), 3000);

        RegisterTableModel coils({1, 1, 0, 10}, &names);
        QVERIFY(coils.takeReply(replyTo({1, 1, 0, 10}, hexBytes("05 02")), at));
        QCOMPARE(cell(coils, 0, RegisterTableModel::ValueColumn), QString("ON"));
        QCOMPARE(cell(coils, 1, RegisterTableModel::ValueColumn), QString("OFF"));
        QCOMPARE(cell(coils, 9, RegisterTableModel::ValueColumn), QString("ON"));
        QVERIFY(
            !(coils.flags(coils.index(0, RegisterTableModel::FormatColumn)) & Qt::ItemIsEditable));
    }

    void writesFromARow_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("frame"); // without its CRC; empty: refused
        const auto row = [](const char *name, int function, const char *format,
                            const QString &input, const char *frame) {
            QTest::newRow(name) << function << QString(format) << input << QString(frame);
        };
        row("int16", 3, "int16", "-2", "01 06 00 65 FF FE");
        row("hex word", 3, "uint16", "0xBEEF", "01 06 00 65 BE EF");
        row("float CDAB", 3, "float:CDAB", "1.5", "01 10 00 65 00 02 04 00 00 3F C0");
        row("uint32 DCBA", 3, "uint32:DCBA", "4294967295", "01 10 00 65 00 02 04 FF FF FF FF");
        row("int64 BADC", 3, "int64:BADC", "-2", "01 10 00 65 00 04 08 FF FF FF FF FF FF FE FF");
        row("double", 3, "double:ABCD", "-0.5", "01 10 00 65 00 04 08 BF E0 00 00 00 00 00 00");
        row("ascii, padded", 3, "ascii", "A C", "01 10 00 65 00 02 04 41 20 43 00");
        row("coil", 1, "int16", "on", "01 05 00 65 FF 00");
        row("int16 too big", 3, "int16", "65536", "");
        row("int32 too small", 3, "int32:ABCD", "-2147483649", "");
        row("uint32 negative", 3, "uint32:ABCD", "-1", "");
        row("hex too wide", 3, "uint16", "0x10000", "");
        row("float overflow", 3, "float:ABCD", "1e39", "");
        row("not ascii", 3, "ascii", "é", "");
        row("coil, no", 1, "int16", "2", "");
        row("input register", 4, "int16", "1", "");
    }
    void writesFromARow()
    {
        QFETCH(int, function);
        QFETCH(QString, format);
        QFETCH(QString, input);
        QFETCH(QString, frame);
        RegisterNames names;
        RegisterTableModel model({1, function, 100, 4}, &names);
        model.setRowFormat(1, formatFromSetting(format));
        const RequestRow row = model.writeRequest(1, input);
        QCOMPARE(row.frame, frame.isEmpty() ? QByteArray() : withCrc(qPrintable(frame)));
        QCOMPARE(row.error.isEmpty(), !frame.isEmpty());
    }

    void definitionsAndNamesKeptInFiles()
    {
        const QString polls = dir.filePath("polls.txt");
        const QString names = dir.filePath("names.txt");
        QVERIFY(writeFile(polls, "# slave function address count\n1 3 0 10\n2,4,100,4\n"
                                 "1 6 0 1\n1 3 0 126\n1 3 0\n1 3 0 10\n"));
        QVERIFY(writeFile(names, "1 3 2 boiler temperature\nnonsense\n"));
        {
            RegisterTables tables(polls, names);
            const QStringList problems = tables.load();
            QCOMPARE(problems.size(), 3);
            QVERIFY(problems.at(0).endsWith("第 4 行: 轮询只能用读功能码 01-04"));
            QVERIFY(problems.at(2).endsWith("第 6 行: 应为 从站 功能码 地址 数量"));
            QCOMPARE(tables.definitions(),
                     (QVector<PollDefinition>{{1, 3, 0, 10}, {2, 4, 100, 4}}));
            QCOMPARE(cell(*tables.table(1), 2, RegisterTableModel::NameColumn),
                     QString("boiler temperature"));
            // Polls take turns only when asked; a name typed in a cell is written at once.
            QVERIFY(tables.nextPoll().frame.isEmpty());
            tables.setPolling(true);
            QCOMPARE(tables.nextPoll().frame, withCrc("01 03 00 00 00 0A"));
            QCOMPARE(tables.nextPoll().frame, withCrc("02 04 00 64 00 04"));
            QCOMPARE(tables.nextPoll().frame, withCrc("01 03 00 00 00 0A"));
            QVERIFY(tables.table(2)->setData(
                tables.table(2)->index(1, RegisterTableModel::NameColumn), "flow\nrate"));
            QString error;
            QVERIFY(!tables.addDefinition({2, 4, 100, 4}, &error));
            QVERIFY(!tables.addDefinition({1, 4, 0, 126}, &error) && error.contains("1-125"));
            QVERIFY(tables.addDefinition({3, 1, 0, 2000}, &error));
            QVERIFY(tables.removeDefinition(0, &error));
        }
        RegisterTables again(polls, names);
        QCOMPARE(again.load(), QStringList());
        QCOMPARE(again.definitions(), (QVector<PollDefinition>{{2, 4, 100, 4}, {3, 1, 0, 2000}}));
        QCOMPARE(cell(*again.table(1), 1, RegisterTableModel::NameColumn), QString("flow rate"));
    }

    // A device that drops, corrupts, delays past the limit and answers wrongly a known share
    // of 20 requests; the counters say exactly that.
    void statisticsMatchAFaultyDevice()
    {
        VirtualSerialPair pair(dir.path());
        ThreadedPeer device;
        QVERIFY(pair.start() && device.open(pair.peerEnd()));
        ConsoleSession session;
        RegisterTables tables;
        connect(&session, &ConsoleSession::requestSent, &tables, &RegisterTables::requestSent);
        connect(&session, &ConsoleSession::requestEnded, &tables, &RegisterTables::requestEnded);
        QSignalSpy ended(&session, &ConsoleSession::requestEnded);
        QVERIFY(session.open({pair.consoleEnd()}));
        const PollDefinition read{1, 3, 0, 2};
        QString tally;
        for (int i = 0; i < 20; ++i) {
            const char fault = "gdgcgeggmgdgcglgdggg"[i];
            tally += fault;
            QVERIFY(session.sendFrame(read.request()));
            QCOMPARE(device.take(8), read.request().frame);
            QByteArray reply = withCrc("01 03 04 00 01 00 02");
            if (fault == 'c') {
                reply[4] = 9;
            } else if (fault == 'e') {
                reply = withCrc("01 83 02");
            } else if (fault == 'm') {
                reply = withCrc("02 03 04 00 01 00 02");
            }
            if (fault != 'd' && fault != 'l') {
                device.write(reply);
            }
            QVERIFY(waitUntil([&] { return ended.size() == i + 1; }, 2000));
            if (fault == 'l') { // past the limit: a late reply, not counted again
                device.write(reply);
                waitUntil([] { return false; }, 250);
            }
        }
        const PollCounters c = tables.statistics().read(read);
        const auto share = [&tally](const char *faults) {
            return qint64(std::count_if(tally.begin(), tally.end(), [faults](QChar f) {
                return strchr(faults, f.toLatin1());
            }));
        };
        QCOMPARE(c.requests, qint64(20));
        QCOMPARE(c.good, share("g"));
        QCOMPARE(c.timeouts, share("dl"));
        QCOMPARE(c.crcErrors, share("c"));
        QCOMPARE(c.exceptions, share("e"));
        QCOMPARE(c.mismatches, share("m"));
        QCOMPARE(c.timed, 20 - c.timeouts);
        QVERIFY(c.minMs >= 0 && c.minMs <= c.averageMs() && c.averageMs() <= c.maxMs);
        QVERIFY2(c.maxMs < 220, qPrintable(c.text()));
        QCOMPARE(tables.statistics().slave(1).requests, qint64(20));
        QCOMPARE(tables.table(0)->read(), read); // the last read by hand has its table
        QCOMPARE(cell(*tables.table(0), 1, RegisterTableModel::ValueColumn), QString("2"));
        tables.resetStatistics();
        QCOMPARE(tables.statistics().slave(1).requests, qint64(0));
    }

    // Through the window's widgets: a reply updates the table in place, a double-click on a
    // value writes it.
    void windowUpdatesAndWrites()
    {
        RegisterTables tables;
        RegisterWindow window(&tables);
        QSignalSpy writes(&window, &RegisterWindow::writeRequested);
        window.findChild<QLineEdit *>("txtPoll")->setText("5 3 10 3");
        QTest::keyClick(window.findChild<QLineEdit *>("txtPoll"), Qt::Key_Return);
        window.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *view = window.findChild<QTableView *>("tableRegisters1");
        tables.requestEnded(replyTo({5, 3, 10, 3}, hexBytes("00 07 00 08 00 09")));
        QCOMPARE(cell(*view->model(), 2, RegisterTableModel::ValueColumn), QString("9"));
        const QModelIndex value = view->model()->index(2, RegisterTableModel::ValueColumn);
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->textValue(), QString("9"));
            dialog->setTextValue("300");
            dialog->accept();
        });
        const QPoint at = view->visualRect(value).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes.at(0).at(0).value<RequestRow>().frame, withCrc("05 06 00 0C 01 2C"));
    }
};

QTEST_MAIN(TestRegisterTable)
#include "tst_registertable.moc"
