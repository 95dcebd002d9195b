#ifndef SENDLISTEDITOR_H
#define SENDLISTEDITOR_H

#include <QString>

class QWidget;
class TrafficLog;

// send.txt as the console's editor takes it.
struct SendListText {
    QString text;
    // Bytes that are not UTF-8 were shown as replacement marks: rewriting the file without
    // an edit would lose them.
    bool validUtf8 = true;
    // Why the file cannot be edited; empty when it can.
    QString error;
};

// The editor lays the whole text out at once; a larger file would freeze the window.
constexpr qint64 maxEditableBytes = 1024 * 1024;
SendListText readSendListForEditing(const QString &path);
// Replaces the file with the text as UTF-8; the old file stays whole if writing fails, and
// `error` says why.
bool writeSendList(const QString &path, const QString &text, QString *error = nullptr);

// Editing send.txt in the log view ("管理数据" / "保存数据").
class SendListEditor
{
public:
    SendListEditor(TrafficLog *log, QWidget *window) : log(log), window(window) {}

    // Starts editing send.txt in the data folder, made empty when there is none; a file that
    // cannot be edited is refused with a line in the log.
    void begin();
    // Ends editing, writing the file only when the text changed; false (still editing)
    // when the file cannot be written.
    bool finish();
    // Before the window closes: asks whether changed text is saved ("保存", "不保存",
    // "取消"); false when the window must stay.
    bool mayClose();

private:
    static QString path();

    TrafficLog *log;
    QWidget *window;
};

#endif // SENDLISTEDITOR_H
