#include "sendlistfile.h"

#include "datafile.h"
#include "utf8.h"

#include <QFile>
#include <QSaveFile>

SendListText readSendListForEditing(const QString &path)
{
    SendListText result;
    // The editor lays the whole text out at once; a larger file would freeze the window.
    result.error = dataFileProblem(path, maxEditableBytes);
    if (!result.error.isEmpty()) {
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.error = QStringLiteral("读取数据失败: %1").arg(path);
        return result;
    }
    const QByteArray bytes = file.readAll();
    result.text = QString::fromUtf8(bytes.constData(), bytes.size());
    result.validUtf8 = isValidUtf8(bytes);
    return result;
}

bool writeSendList(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}
