#ifndef TRAFFICLOG_H
#define TRAFFICLOG_H

#include <QObject>
#include <QString>
#include <QTime>
#include <QVector>

class QTextEdit;

// The console's traffic log: one coloured, time-stamped line per event, shown in the log
// view and saved to files. The lines live here; the view only shows them, so saving never
// depends on what the view holds. While send.txt is edited in the view, new lines are held
// and shown when editing ends.
class TrafficLog : public QObject
{
    Q_OBJECT
public:
    // The view is cleared at this many lines (the line that would exceed it starts afresh).
    static constexpr int maxLines = 100;

    explicit TrafficLog(QTextEdit *view, QObject *parent = nullptr);

    // Adds "时间[HH:mm:ss zzz] <prefix> <data>" for an entry type of logformat.h.
    void append(int type, const QString &data);
    // Empties the log; the send list being edited keeps its text.
    void clear();

    bool showEnabled() const { return shown; }
    void setShowEnabled(bool on) { shown = on; }
    // With auto-save on, lines are saved before the 100-line clear drops them.
    void setAutoSave(bool on) { autoSave = on; }

    bool isEmpty() const { return lines.isEmpty(); }
    // The saved form of the log: its lines joined by line feeds.
    QString text() const;
    // Writes the lines to this second's file in the data folder. On failure the lines are
    // kept and "保存数据失败: <file>" is logged. True when there was nothing to write.
    bool save();

    // The view shows `text` for editing instead of the log.
    void beginEditing(const QString &text);
    QString editedText() const;
    bool editedTextChanged() const { return editing && editedText() != editStart; }
    // The log comes back with the lines held meanwhile.
    void endEditing();
    bool isEditing() const { return editing; }

private:
    struct Line {
        int type;
        QString text;
    };
    void add(const Line &line);
    void show(const Line &line);
    bool writeFile(QString *failedPath) const;
    void clearView();

    QTextEdit *view;
    QVector<Line> lines;
    QVector<Line> held;
    bool shown = true;
    bool autoSave = false;
    bool editing = false;
    QString editStart;
};

#endif // TRAFFICLOG_H
