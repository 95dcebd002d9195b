#include "sendbox.h"

#include "consolesession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

SendBox::SendBox(const Controls &controls, ConsoleSession *session, const QString &historyPath,
                 QObject *parent)
    : QObject(parent), ui(controls), session(session), history(historyPath)
{
    // Enter is taken here: the line edit ignores it and the box would hand it back once more.
    ui.box->lineEdit()->installEventFilter(this);
}

void SendBox::send()
{
    if (!session->isOpen()) {
        emit problem(tr("串口未打开, 未发送"));
        return;
    }
    const QString text = ui.box->currentText();
    const TypedLine line = typedLineBytes(text, ui.hex->isChecked(),
                                          ui.ending->currentData().toString(), ui.crc->isChecked());
    if (!line.error.isEmpty()) {
        emit problem(tr("未发送: %1").arg(line.error));
        return;
    }
    if (!session->sendTyped(line.bytes)) {
        return; // the session says why
    }
    QString error;
    if (history.add(text, &error)) {
        historyError.clear();
    } else if (error != historyError) {
        historyError = error;
        emit problem(tr("发送历史未能保存: %1").arg(error));
    }
    if (ui.autoClear->isChecked()) {
        ui.box->clearEditText();
    }
}

bool SendBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            send();
            return true;
        }
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const QString shown = ui.box->currentText();
            ui.box->setEditText(key == Qt::Key_Up ? history.older(shown) : history.newer(shown));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
