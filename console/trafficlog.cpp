#include "trafficlog.h"

#include "appsettings.h"
#include "logformat.h"

#include <QDateTime>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

TrafficLog::TrafficLog(QTextEdit *view, QObject *parent) : QObject(parent), view(view)
{
    view->setUndoRedoEnabled(false);
}

void TrafficLog::append(int type, const QString &data)
{
    const Line line{type, logLine(type, QTime::currentTime(), data)};
    if (editing) {
        if (shown) {
            held.append(line);
        }
        return;
    }
    // A full view is cleared even while the display is stopped.
    if (!shown && lines.size() < maxLines) {
        return;
    }
    add(line);
}

void TrafficLog::add(const Line &line)
{
    if (lines.size() >= maxLines) {
        // With auto-save on, the lines about to be dropped go to the log file first.
        QString failedPath;
        const bool saved = !autoSave || writeFile(&failedPath);
        clear();
        if (!saved) {
            append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
        }
    }
    if (!shown) {
        return;
    }
    lines.append(line);
    show(line);
}

void TrafficLog::show(const Line &line)
{
    QTextDocument *doc = view->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!doc->isEmpty()) {
        cursor.insertBlock();
    }
    QTextCharFormat format;
    format.setForeground(logColor(line.type));
    // Kerning does nothing visible for hex digits and log text, but costs a third of the
    // layout time of long receptions.
    format.setFontKerning(false);
    // Plain text: received bytes that look like markup are shown as they are.
    cursor.insertText(line.text, format);
    cursor.endEditBlock();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
}

void TrafficLog::clear()
{
    lines.clear();
    held.clear();
    // The send list being edited is the user's text, not the log.
    if (!editing) {
        clearView();
    }
}

void TrafficLog::clearView()
{
    view->clear();
}

QString TrafficLog::text() const
{
    QString all;
    for (const Line &line : lines) {
        if (!all.isEmpty()) {
            all += QLatin1Char('\n');
        }
        all += line.text;
    }
    return all;
}

bool TrafficLog::writeFile(QString *failedPath) const
{
    if (lines.isEmpty()) {
        return true;
    }
    const QString path = logFilePath(AppSettings::DataDir, QDateTime::currentDateTime());
    if (!appendLogFile(path, text())) {
        *failedPath = path;
        return false;
    }
    return true;
}

bool TrafficLog::save()
{
    QString failedPath;
    if (writeFile(&failedPath)) {
        return true;
    }
    append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
    return false;
}

void TrafficLog::beginEditing(const QString &text)
{
    // The log shown at that moment is discarded, as a clear would.
    lines.clear();
    view->setReadOnly(false);
    view->setPlainText(text);
    // As the view gives it back, so that an unchanged text compares equal.
    editStart = view->toPlainText();
    editing = true;
}

QString TrafficLog::editedText() const
{
    return view->toPlainText();
}

void TrafficLog::endEditing()
{
    editing = false;
    view->setReadOnly(true);
    clearView();
    const QVector<Line> meanwhile = held;
    held.clear();
    for (const Line &line : meanwhile) {
        add(line);
    }
}
