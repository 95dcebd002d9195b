#include "trafficlog.h"

#include "appsettings.h"
#include "logformat.h"

#include <QDateTime>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {
int charsOf(const QString &text)
{
    return text.size();
}

template <typename Line>
int charsOf(const Line &line)
{
    return line.text.size();
}

QString textOf(const QString &text)
{
    return text;
}

template <typename Line>
QString textOf(const Line &line)
{
    return line.text;
}

// How much of a line the view shows.
int shownLength(const QString &text)
{
    if (text.size() <= TrafficLog::maxShownRunChars) {
        return text.size();
    }
    // A blank at least every so often keeps the wrapping cheap; a long run without one does not.
    const int scan = qMin(text.size(), TrafficLog::maxShownLineChars);
    int run = 0;
    for (int i = 0; i < scan; ++i) {
        run = text.at(i).isSpace() ? 0 : run + 1;
        if (run > 256) {
            return TrafficLog::maxShownRunChars;
        }
    }
    return scan;
}

// Characters put into the view per slice of rendering: a few tens of milliseconds.
constexpr int renderSliceChars = 48 * 1024;
} // namespace

TrafficLog::TrafficLog(QTextEdit *view, QObject *parent) : QObject(parent), view(view)
{
    view->setUndoRedoEnabled(false);
}

template <typename T>
void TrafficLog::keep(QVector<T> &list, const T &item, qint64 &chars, qint64 &droppedBytes)
{
    list.append(item);
    chars += charsOf(item);
    int drop = 0;
    while (chars > maxKeptChars && drop < list.size() - 1) {
        chars -= charsOf(list.at(drop));
        droppedBytes += textOf(list.at(drop)).toUtf8().size();
        ++drop;
    }
    list.remove(0, drop);
}

void TrafficLog::reportDropped(qint64 &droppedBytes, const QString &why)
{
    if (droppedBytes > 0) {
        const qint64 bytes = droppedBytes;
        droppedBytes = 0;
        append(LogInfo, QStringLiteral("%1, 已丢弃最早的 %2 字节日志").arg(why).arg(bytes));
    }
}

void TrafficLog::append(int type, const QString &data)
{
    const QString text = logLine(type, QTime::currentTime(), data);
    const Line line{type, text, shownLength(text)};
    if (editing) {
        if (shown) {
            keep(held, line, heldChars, heldDropped);
        }
        return;
    }
    // A full view is cleared even while the display is stopped.
    if (!shown && lines.size() < maxLines) {
        return;
    }
    add(line);
    if (!replaying) {
        render();
    }
}

void TrafficLog::add(const Line &line)
{
    // The view's own lines are kept below the bound of held-back text, so that only lines
    // whose save failed are ever dropped.
    const bool full = lines.size() >= maxLines
                      || (!lines.isEmpty()
                          && (viewChars + line.shown > maxViewChars || lineChars + line.text.size() > maxKeptChars));
    if (full) {
        clearView();
    }
    if (!shown) {
        return;
    }
    lines.append(line);
    viewChars += line.shown;
    lineChars += line.text.size();
    keep(unsaved, line.text, unsavedChars, unsavedDropped);
}

void TrafficLog::render()
{
    renderQueued = false;
    if (rendered >= lines.size()) {
        return;
    }
    // Each line goes into the empty block at the end and leaves a new one behind it: splitting
    // a block instead would lay the line before out once more. The empty block takes no room.
    QTextBlockFormat trailing;
    trailing.setLineHeight(0, QTextBlockFormat::FixedHeight);
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    int slice = 0;
    for (; rendered < lines.size() && slice < renderSliceChars; ++rendered) {
        const Line &line = lines.at(rendered);
        const int length = line.shown;
        slice += length;
        cursor.setBlockFormat(QTextBlockFormat());
        QTextCharFormat format;
        format.setForeground(logColor(line.type));
        // Kerning and shaping do nothing visible for hex digits and log text (scripts that
        // need shaping still get it), but cost more than half of the layout time.
        format.setFontKerning(false);
        format.setFontStyleStrategy(QFont::PreferNoShaping);
        // Plain text: received bytes that look like markup are shown as they are.
        if (length == line.text.size()) {
            cursor.insertText(line.text, format);
        } else {
            cursor.insertText(line.text.left(length), format);
            cursor.insertText(QStringLiteral(" …(本行共 %1 字符, 完整内容见保存的日志)").arg(line.text.size()), format);
        }
        cursor.insertBlock(trailing, QTextCharFormat());
    }
    cursor.endEditBlock();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    if (rendered < lines.size() && !renderQueued) {
        renderQueued = true;
        QTimer::singleShot(0, this, &TrafficLog::render);
    }
}

void TrafficLog::resetView()
{
    lines.clear();
    rendered = 0;
    viewChars = 0;
    lineChars = 0;
    // The send list being edited is the user's text, not the log.
    if (!editing) {
        view->clear();
    }
}

void TrafficLog::clear()
{
    resetView();
    unsaved.clear();
    unsavedChars = 0;
    unsavedDropped = 0;
    held.clear();
    heldChars = 0;
    heldDropped = 0;
}

void TrafficLog::clearView()
{
    // Lines held while send.txt is edited are part of the log being cleared.
    if (autoSave) {
        for (const Line &line : qAsConst(held)) {
            keep(unsaved, line.text, unsavedChars, unsavedDropped);
        }
    }
    held.clear();
    heldChars = 0;
    QString failedPath;
    const bool saved = !autoSave || writeUnsaved(&failedPath);
    if (!autoSave) {
        unsaved.clear();
        unsavedChars = 0;
    }
    resetView();
    // Said in the fresh view, so that the message is not cleared with the lines.
    reportSave(saved, failedPath);
}

bool TrafficLog::save()
{
    QString failedPath;
    const bool saved = writeUnsaved(&failedPath);
    reportSave(saved, failedPath);
    return saved;
}

void TrafficLog::reportSave(bool saved, const QString &failedPath)
{
    if (!saved) {
        append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
    } else {
        reportDropped(unsavedDropped, QStringLiteral("保存失败期间日志超过 4 MB"));
    }
}

bool TrafficLog::writeUnsaved(QString *failedPath)
{
    if (unsaved.isEmpty()) {
        return true;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = logFilePath(AppSettings::DataDir, now);
    QString text;
    for (const QString &line : qAsConst(unsaved)) {
        if (!text.isEmpty()) {
            text += QLatin1Char('\n');
        }
        text += line;
    }
    // Two saves within a second go to the same file; any other file already there, or a
    // link planted under the name, is never written through.
    if (!writeLogFile(path, text, path == lastFile)) {
        *failedPath = path;
        return false;
    }
    lastFile = path;
    unsaved.clear();
    unsavedChars = 0;
    return true;
}

void TrafficLog::beginEditing(const QString &text)
{
    // The log shown at that moment goes as with the console's own clears.
    clearView();
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
    resetView();
    const QVector<Line> meanwhile = held;
    held.clear();
    heldChars = 0;
    // Only what survives the full-view clears is laid out, however much was held.
    replaying = true;
    for (const Line &line : meanwhile) {
        if (shown) {
            add(line);
        }
    }
    replaying = false;
    reportDropped(heldDropped, QStringLiteral("编辑发送列表期间日志超过 4 MB"));
    render();
}
