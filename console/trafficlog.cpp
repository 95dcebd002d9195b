#include "trafficlog.h"

#include "appsettings.h"
#include "logformat.h"
#include "seriallink.h"

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

// Bytes of the text in UTF-8, counted without encoding megabytes of traffic only to count
// them: one, two or three bytes a character by its value, in a loop the compiler vectorises.
// Surrogates (four bytes a pair, lone ones replaced) are left to the encoder.
qint64 utf8Size(const QString &text)
{
    const auto *p = reinterpret_cast<const ushort *>(text.constData());
    const int n = text.size();
    qint64 beyondAscii = 0;
    qint64 beyondTwo = 0;
    qint64 surrogates = 0;
    const auto count = [&](int from, int to) {
        ushort a = 0;
        ushort b = 0;
        ushort s = 0;
        for (int i = from; i < to; ++i) {
            a += ushort(p[i] >= 0x80);
            b += ushort(p[i] >= 0x800);
            s += ushort((p[i] & 0xF800) == 0xD800);
        }
        beyondAscii += a;
        beyondTwo += b;
        surrogates += s;
    };
    // Blocks short enough for 16-bit counts.
    constexpr int block = 64;
    int i = 0;
    for (; i + block <= n; i += block) {
        count(i, i + block);
    }
    count(i, n);
    return surrogates == 0 ? qint64(n) + beyondAscii + beyondTwo : text.toUtf8().size();
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

TrafficLog::TrafficLog(QTextEdit *view, QObject *parent)
    : QObject(parent), view(view), saveTimer(new QTimer(this))
{
    view->setUndoRedoEnabled(false);
    saveTimer->setObjectName(QStringLiteral("saveTimer"));
    connect(saveTimer, &QTimer::timeout, this, &TrafficLog::saveUnsaved);
}

void TrafficLog::setAutoSave(bool on)
{
    autoSave = on;
    if (on) {
        saveTimer->start();
    } else {
        saveTimer->stop();
    }
}

void TrafficLog::setSaveInterval(int ms)
{
    if (saveTimer->interval() != ms) {
        saveTimer->setInterval(ms);
    }
}

void TrafficLog::saveUnsaved()
{
    // A failed save keeps the log, so nothing is lost; a saved one starts the view afresh.
    if (!editing && hasUnsaved()) {
        save();
    }
}

template <typename T>
void TrafficLog::keep(QVector<T> &list, const T &item, qint64 &chars, qint64 &droppedBytes)
{
    list.append(item);
    chars += charsOf(item);
    if (chars <= maxKeptChars) {
        return;
    }
    // Down to seven eighths at once, so that a steady stream does not move the whole list
    // for every line.
    int drop = 0;
    while (chars > maxKeptChars / 8 * 7 && drop < list.size() - 1) {
        chars -= charsOf(list.at(drop));
        droppedBytes += utf8Size(textOf(list.at(drop)));
        ++drop;
    }
    list.remove(0, drop);
}

void TrafficLog::reportDropped(qint64 &droppedBytes, const QString &why)
{
    if (droppedBytes > 0) {
        const qint64 bytes = droppedBytes;
        droppedBytes = 0;
        append(LogInfo, tr("%1, 已丢弃最早的 %2 字节日志").arg(why).arg(bytes));
    }
}

void TrafficLog::append(int type, const QString &data)
{
    const QString text = logLine(type, QTime::currentTime(), data);
    const int length = shownLength(text);
    // The console's own lines are few; only traffic can flood the view.
    const Line line{type, text, type == LogInfo ? length : budgeted(length)};
    if (editing) {
        if (shown) {
            keep(held, line, heldChars, heldDropped);
            keepUnsaved(text);
        }
        return;
    }
    // A full view is cleared even while the display is stopped.
    if (!shown && lines.size() < maxLines) {
        return;
    }
    add(line, true);
    if (!replaying) {
        render();
    }
}

int TrafficLog::budgeted(int length)
{
    // A bucket that fills at layoutCharsPerSecond up to a second's worth.
    const qint64 now = monotonicMs();
    layoutBudget = qMin<qint64>(layoutCharsPerSecond,
                                layoutBudget + (now - budgetAtMs) * layoutCharsPerSecond / 1000);
    budgetAtMs = now;
    const int shown = int(qMin<qint64>(length, qMax<qint64>(layoutBudget, minShownFloodChars)));
    layoutBudget = qMax<qint64>(0, layoutBudget - shown);
    return shown;
}

void TrafficLog::add(const Line &line, bool fresh)
{
    const bool full = lines.size() >= maxLines
                      || (!lines.isEmpty()
                          && (viewChars + line.shown > maxViewChars
                              || lineChars + line.text.size() > maxKeptChars));
    if (full) {
        clearView();
    }
    if (!shown) {
        return;
    }
    lines.append(line);
    viewChars += line.shown;
    lineChars += line.text.size();
    if (fresh) {
        keepUnsaved(line.text);
    }
}

void TrafficLog::keepUnsaved(const QString &text)
{
    // With auto-save on, a backlog at the bound goes to the file early rather than being cut.
    // While saves fail, the save timer retries: not every new line.
    const bool early =
        autoSave && !saveFailing && !unsaved.isEmpty() && unsavedChars + text.size() > maxKeptChars;
    const QString failure = early ? writeUnsaved() : QString();
    const bool dropping = unsavedDropped > 0;
    keep(unsaved, text, unsavedChars, unsavedDropped);
    if (early) {
        reportSave(failure);
    }
    // Said when the dropping starts; the bytes are counted when a save ends it.
    if (!dropping && unsavedDropped > 0) {
        append(LogInfo,
               tr("未保存的日志超过 4 MB, 开始丢弃最早的日志 (保存数据或打开自动保存可避免)"));
    }
}

void TrafficLog::render()
{
    renderQueued = false;
    if (rendered >= lines.size()) {
        return;
    }
    // The view's text ends with its last line, not a line break. Starting a block after the
    // last line makes Qt lay that line out once more: once per pass, so a burst pays for it
    // once, and a line is shown at most 32 K characters long.
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    int slice = 0;
    for (; rendered < lines.size() && slice < renderSliceChars; ++rendered) {
        const Line &line = lines.at(rendered);
        const int length = line.shown;
        slice += length;
        if (rendered > 0) {
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        }
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
            cursor.insertText(tr(" …(本行共 %1 字符, 完整内容见保存的日志)").arg(line.text.size()),
                              format);
        }
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
    // Lines held while send.txt is edited belong to the view being cleared; they are among
    // the unsaved lines already.
    held.clear();
    heldChars = 0;
    const bool saving = autoSave && !unsaved.isEmpty();
    const QString failure = saving ? writeUnsaved() : QString();
    resetView();
    // Said in the fresh view, so that the message is not cleared with the lines.
    if (saving) {
        reportSave(failure);
    }
}

bool TrafficLog::save()
{
    if (unsaved.isEmpty()) {
        return true;
    }
    const QString failure = writeUnsaved();
    if (failure.isEmpty()) {
        resetView();
    }
    reportSave(failure);
    return failure.isEmpty();
}

void TrafficLog::reportSave(const QString &failure)
{
    // A folder that stays unwritable would add a line every save interval, each of them
    // unsaved in turn: one line per run of failures.
    if (!failure.isEmpty()) {
        if (!saveFailing) {
            saveFailing = true;
            append(LogInfo, failure);
        }
        return;
    }
    if (saveFailing) {
        saveFailing = false;
        append(LogInfo, tr("保存数据恢复正常, 未保存的日志已写入 %1").arg(lastFile));
    }
    reportDropped(unsavedDropped, tr("未保存的日志超过 4 MB"));
}

QString TrafficLog::writeUnsaved()
{
    if (unsaved.isEmpty()) {
        return QString();
    }
    const QDateTime now = QDateTime::currentDateTime();
    // Every line ends with a line break, the last one too, so that files can be joined.
    QString text;
    text.reserve(int(unsavedChars) + unsaved.size());
    for (const QString &line : qAsConst(unsaved)) {
        text += line;
        text += QLatin1Char('\n');
    }
    QString error;
    const QString path = saveLogText(AppSettings::LogDir, now, text, lastFile, &error);
    if (path.isEmpty()) {
        return tr("保存数据失败: %1 (%2), 日志保留到保存成功, 其间不再提示")
            .arg(logFilePath(AppSettings::LogDir, now), error);
    }
    lastFile = path;
    unsaved.clear();
    unsavedChars = 0;
    return QString();
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
            add(line, false);
        }
    }
    replaying = false;
    reportDropped(heldDropped, tr("编辑发送列表期间日志超过 4 MB"));
    render();
}
