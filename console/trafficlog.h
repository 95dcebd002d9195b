#ifndef TRAFFICLOG_H
#define TRAFFICLOG_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QTextEdit;
class QTimer;

// The console's traffic log: one coloured, time-stamped line per event, shown in the log
// view and saved to files. The lines live here; the view only shows them, so saving never
// depends on what the view holds (its clears lose nothing), and the view is free to show a
// long line shortened. While send.txt is edited in the view, new lines are held and shown
// when editing ends.
class TrafficLog : public QObject
{
    Q_OBJECT
public:
    // The view is cleared at this many lines (the line that would exceed it starts afresh),
    // or when its text would grow beyond maxViewChars: Qt lays out every character of the
    // view (about a microsecond each), and a document taller than a few million pixels
    // never finishes.
    static constexpr int maxLines = 100;
    static constexpr int maxViewChars = 256 * 1024;
    // A longer line is shown up to here and then says how long it is; saved whole. Text
    // without blanks wraps at a cost that grows with the square of the run, so such lines
    // are shown shorter.
    static constexpr int maxShownLineChars = 32 * 1024;
    static constexpr int maxShownRunChars = 8 * 1024;
    // A flood of traffic lines is shown shortened: the view lays out about this many of their
    // characters a second (more than 115200 baud gives in hex), each line at least its first
    // minShownFloodChars. Nobody reads faster, and the layout was most of the console's work
    // at higher rates; the lines stay whole for saving.
    static constexpr int layoutCharsPerSecond = 64 * 1024;
    static constexpr int minShownFloodChars = 2 * 1024;
    // Unsaved text, and text arriving while send.txt is edited, is kept up to this many
    // characters. Beyond it, with auto-save on, the unsaved lines go to the file early;
    // otherwise the oldest are dropped and the log says so and how many bytes.
    static constexpr int maxKeptChars = 4 * 1024 * 1024;

    explicit TrafficLog(QTextEdit *view, QObject *parent = nullptr);

    // Adds "时间[HH:mm:ss zzz] <prefix> <data>" for an entry type of logformat.h.
    void append(int type, const QString &data);
    // The user's clear: the view, the unsaved lines and held lines; never the send list
    // being edited.
    void clear();
    // The clears the console makes itself (a full view, closing the port): the view only,
    // the lines stay for the next save. With auto-save on they are saved first.
    void clearView();

    bool showEnabled() const { return shown; }
    void setShowEnabled(bool on) { shown = on; }
    // With auto-save on, the unsaved lines are also saved every interval ("saveTimer").
    void setAutoSave(bool on);
    // Only a new interval restarts a running timer.
    void setSaveInterval(int ms);

    // Lines shown since the user's last clear that no save has written yet.
    bool hasUnsaved() const { return !unsaved.isEmpty(); }
    // Writes the unsaved lines to this second's file in the log folder, and the view
    // starts afresh. On failure they are kept and nothing is left behind on disk; the first
    // failure of a run logs "保存数据失败: <file> (<reason>)", the rest stay quiet until a
    // save succeeds.
    bool save();
    // Saves what is unsaved, unless send.txt is being edited (the view holds the list then).
    void saveUnsaved();

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
        int shown; // characters of it the view shows
    };
    // Shows a line; `fresh` lines are new to the log, not replayed after editing.
    void add(const Line &line, bool fresh);
    void keepUnsaved(const QString &text);
    // How much of a traffic line of `length` shown characters the layout budget allows now.
    int budgeted(int length);
    // Puts the lines not shown yet into the view, a slice at a time so that a burst never
    // holds the window for long; the rest follows on the next turns of the event loop.
    void render();
    void resetView();
    // Adds to a bounded list, dropping its oldest lines beyond maxKeptChars.
    template <typename T>
    void keep(QVector<T> &list, const T &item, qint64 &chars, qint64 &droppedBytes);
    void reportDropped(qint64 &droppedBytes, const QString &why);
    // Empty on success, else what to say.
    QString writeUnsaved();
    void reportSave(const QString &failure);

    QTextEdit *view;
    QTimer *saveTimer;
    QVector<Line> lines;  // the lines of the view since it was last cleared
    int rendered = 0;     // how many of them the view shows already
    qint64 viewChars = 0; // characters they take in the view
    qint64 lineChars = 0; // characters they have
    qint64 layoutBudget = layoutCharsPerSecond;
    qint64 budgetAtMs = 0;
    QVector<QString> unsaved; // every line since the last save or the user's clear
    qint64 unsavedChars = 0;
    qint64 unsavedDropped = 0;
    bool saveFailing = false; // the failure of the current run of failed saves was logged
    QVector<Line> held;
    qint64 heldChars = 0;
    qint64 heldDropped = 0;
    bool replaying = false;
    bool renderQueued = false;
    bool shown = true;
    bool autoSave = false;
    bool editing = false;
    QString editStart;
    QString lastFile; // the log file this program wrote last; only it is appended to
};

#endif // TRAFFICLOG_H
