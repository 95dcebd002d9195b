#include "formdriver.h"

#include "appsettings.h"
#include "startup.h"

#include <QTest>
#include <QTextBlock>

ConsoleEnvironment::ConsoleEnvironment()
{
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        prepareApplication(temp.filePath(QStringLiteral("norvane.ini")), temp.path());
    }
    AppSettings::ConfigFile = temp.filePath(QStringLiteral("norvane.ini"));
    AppSettings::DataDir = temp.path();
}

void ConsoleEnvironment::reset()
{
    AppSettings::resetToDefaults();
    AppSettings::SendList.clear();
    AppSettings::DeviceKeys.clear();
    AppSettings::DeviceValues.clear();
    AppSettings::ConfigFile = temp.filePath(QStringLiteral("norvane.ini"));
    AppSettings::DataDir = temp.path();
}

void FormDriver::click(const char *name) const
{
    QAbstractButton *b = button(name);
    if (!b->isEnabled()) {
        qFatal("button %s is disabled", name);
    }
    b->click();
}

void FormDriver::setText(const char *name, const QString &text) const
{
    edit(name)->setText(text);
}

QStringList FormDriver::logLines() const
{
    // Every line of the log view ends with a line break.
    QString text = log()->toPlainText();
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

QString FormDriver::lastLineWith(const QString &part) const
{
    const QStringList lines = logLines();
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).contains(part)) {
            return lines.at(i);
        }
    }
    return QString();
}

int FormDriver::linesWith(const QString &part) const
{
    int n = 0;
    for (const QString &line : logLines()) {
        n += line.contains(part) ? 1 : 0;
    }
    return n;
}

QColor FormDriver::lineColor(int block) const
{
    const QTextBlock b = log()->document()->findBlockByNumber(block);
    return b.begin().fragment().charFormat().foreground().color();
}

void FormDriver::invoke(const char *slot) const
{
    if (!QMetaObject::invokeMethod(form, slot)) {
        qFatal("no slot %s", slot);
    }
}

void FormDriver::appendLog(int type, const QString &data) const
{
    if (!QMetaObject::invokeMethod(form, "append", Q_ARG(int, type), Q_ARG(QString, data))) {
        qFatal("append failed");
    }
}

void FormDriver::sendText(const QString &data) const
{
    if (!QMetaObject::invokeMethod(form, "sendData", Q_ARG(QString, data))) {
        qFatal("sendData(QString) failed");
    }
}
