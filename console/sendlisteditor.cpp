#include "sendlisteditor.h"

#include "appsettings.h"
#include "logformat.h"
#include "trafficlog.h"

#include "datafile.h"
#include "utf8.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SendListEditor)
};
} // namespace

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
        result.error = Texts::tr("读取数据失败: %1").arg(path);
        return result;
    }
    const QByteArray bytes = file.readAll();
    result.text = QString::fromUtf8(bytes.constData(), bytes.size());
    result.validUtf8 = isValidUtf8(bytes);
    return result;
}

bool writeSendList(const QString &path, const QString &text, QString *error)
{
    return writeWholeFile(path, text.toUtf8(), error);
}

QString SendListEditor::path()
{
    return AppSettings::dataFilePath(AppSettings::SendFileName);
}

void SendListEditor::begin()
{
    QString error;
    if (!QFile::exists(path())) {
        if (!writeSendList(path(), QString(), &error)) {
            log->append(LogInfo, Texts::tr("无法创建 %1: %2").arg(path(), error));
            return;
        }
        log->append(LogInfo, Texts::tr("已创建 %1").arg(path()));
    }
    const SendListText list = readSendListForEditing(path());
    if (!list.error.isEmpty()) {
        log->append(LogInfo, list.error);
        return;
    }
    log->beginEditing(list.text);
    if (!list.validUtf8) {
        log->append(LogInfo,
                    Texts::tr("%1 不是 UTF-8 文本: 不修改则保存时不改写它, 修改后以 UTF-8 保存")
                        .arg(path()));
    }
}

bool SendListEditor::finish()
{
    // Unchanged text leaves the file's bytes as they are, whatever their encoding.
    QString error;
    if (log->editedTextChanged() && !writeSendList(path(), log->editedText(), &error)) {
        // The edited text stays in the view so that nothing typed is lost.
        log->append(LogInfo, Texts::tr("保存数据失败: %1 (%2)").arg(path(), error));
        return false;
    }
    log->endEditing();
    AppSettings::readSendData();
    return true;
}

bool SendListEditor::mayClose()
{
    if (!log->editedTextChanged()) {
        return true;
    }
    QMessageBox box(QMessageBox::Question, window->windowTitle(),
                    Texts::tr("发送列表 send.txt 已修改, 是否保存?"), QMessageBox::NoButton,
                    window);
    QPushButton *save = box.addButton(Texts::tr("保存"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(Texts::tr("不保存"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(Texts::tr("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    return (box.clickedButton() == save && finish()) || box.clickedButton() == discard;
}
