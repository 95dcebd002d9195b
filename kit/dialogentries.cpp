// The static dialog entry points of TaviHelper.
#include "tavidateselect.h"
#include "tavihelper.h"
#include "taviinputbox.h"
#include "tavimessagebox.h"
#include "tavitipbox.h"

namespace {
void showMessage(const QString &info, int type, int closeSec, bool exec)
{
    if (exec) {
        TaviMessageBox box;
        box.setMessage(info, type, closeSec);
        box.exec();
    } else {
        TaviMessageBox::instance()->setMessage(info, type, closeSec);
        TaviMessageBox::instance()->show();
    }
}
} // namespace

void TaviHelper::showInfo(const QString &info, int closeSec, bool exec)
{
    showMessage(info, 0, closeSec, exec);
}

void TaviHelper::showError(const QString &info, int closeSec, bool exec)
{
    showMessage(info, 2, closeSec, exec);
}

int TaviHelper::askQuestion(const QString &info)
{
    TaviMessageBox box;
    box.setMessage(info, 1, 0);
    return box.exec();
}

QString TaviHelper::getInput(const QString &title, int type, int closeSec,
                             const QString &placeholderText, bool pwd, const QString &defaultValue)
{
    TaviInputBox input;
    input.setParameter(title, type, closeSec, placeholderText, pwd, defaultValue);
    input.exec();
    return input.getValue();
}

void TaviHelper::getDateRange(QString &startDateTime, QString &endDateTime, const QString &format)
{
    TaviDateSelect select;
    select.setFormat(format);
    select.exec();
    startDateTime = select.getStartDateTime();
    endDateTime = select.getEndDateTime();
}

void TaviHelper::showTip(const QString &title, const QString &tip, bool fullScreen, bool center,
                         int closeSec)
{
    TaviTipBox::instance()->setTip(title, tip, fullScreen, center, closeSec);
    TaviTipBox::instance()->show();
}

void TaviHelper::hideTip()
{
    TaviTipBox::instance()->hide();
}
