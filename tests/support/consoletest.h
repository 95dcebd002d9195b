#ifndef CONSOLETEST_H
#define CONSOLETEST_H

#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

// What the console tests share: the process prepared as start-up does, with the settings
// and data files in a folder of the test's own; a socat pty pair whose far end a thread
// works (`peer`); and the form, driven through its widgets by object name.
class ConsoleTest : public QObject
{
    Q_OBJECT
protected slots:
    void initTestCase();
    void cleanupTestCase();
    // Default settings, PortName on the console's end of the pair, the peer open.
    void init();
    void cleanup();

protected:
    QString file(const QString &name) const { return dir.filePath(name); }
    QString folder() const { return dir.path(); }
    // A new form (the last one goes), built from the settings as they are now.
    QWidget *makeForm();

    template <typename T>
    T *find(const char *name) const
    {
        T *w = form->findChild<T *>(QLatin1String(name));
        if (!w) {
            qFatal("no widget named %s", name);
        }
        return w;
    }
    QCheckBox *check(const char *name) const { return find<QCheckBox>(name); }
    QComboBox *combo(const char *name) const { return find<QComboBox>(name); }
    // The 功能码 entry of `code` ("03 读保持寄存器" for 3).
    void selectFunction(int code) const
    {
        const QString hex = QStringLiteral("%1 ").arg(code, 2, 16, QLatin1Char('0')).toUpper();
        combo("fid")->setCurrentIndex(combo("fid")->findText(hex, Qt::MatchStartsWith));
    }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
    QTimer *timer(const char *name) const { return find<QTimer>(name); }
    QTextEdit *log() const { return find<QTextEdit>("txtMain"); }
    QString text(const char *button) const { return find<QAbstractButton>(button)->text(); }
    void click(const char *button) const;

    // The log view's lines; the last one that contains `part`; how many do.
    QStringList lines() const;
    QString lastLine(const QString &part) const;
    int count(const QString &part) const;

    // A line straight into the form's traffic log.
    void appendLog(int type, const QString &data) const;
    // Clicks "打开串口"; true when the session opened.
    bool openPort() const;
    // Every saved log file's text, joined as they are; the files go.
    QByteArray savedLogs() const;

    QWidget *form = nullptr; // the console's main form
    VirtualSerialPair *pair = nullptr;
    ThreadedPeer peer;

private:
    QTemporaryDir dir;
};

#endif // CONSOLETEST_H
