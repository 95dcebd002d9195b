#ifndef DIALOGPARTS_H
#define DIALOGPARTS_H

#include <QPoint>
#include <Qt>

class QBoxLayout;
class QDialog;
class QEvent;
class QHBoxLayout;
class QLabel;
class QMouseEvent;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The title bar that the kit's dialogs share: icon, title, optional countdown, close glyph.
struct TitleBar {
    QWidget *widgetTitle = nullptr;
    QHBoxLayout *titleLayout = nullptr;
    QLabel *labIco = nullptr;
    QLabel *labTitle = nullptr;
    QLabel *labTime = nullptr; // null when the dialog has no countdown
    QWidget *widgetMenu = nullptr;
    QHBoxLayout *menuLayout = nullptr;
    QPushButton *btnMenu_Close = nullptr;
};

enum class TitleBarKind { Message, Tip, Input, Date };

// Builds the title bar into `outer` with the object names and policies of each dialog kind.
TitleBar buildTitleBar(QDialog *dialog, QVBoxLayout *outer, TitleBarKind kind);

// The steps of initForm shared by all four dialogs: glyphs, "form" properties, window
// flags, title and fixed size, and the event filter on the dialog itself.
void initDialogForm(QDialog *dialog, const TitleBar &bar, Qt::WindowFlags flags, int width,
                    int height);

// Minimum width 80 and 18 x 18 icons for every push button inside `frame`.
void styleFrameButtons(QWidget *frame);

// Per-second countdown: returns true when the dialog should close now; updates labTime.
bool countdownTick(int closeSec, int &elapsedSec, QLabel *labTime);

// Drag handling of a frameless dialog; the state is held once per dialog class.
struct DragState {
    bool pressed = false;
    QPoint offset;
};
// True when the event was a drag event and has been consumed.
bool handleDialogDrag(QWidget *dialog, QEvent *event, DragState &state);
// The pointer's screen position, the same on Qt 5 and Qt 6.
QPoint globalMousePos(const QMouseEvent *mouse);

#include <QMutex>

// The one shared instance of a kit class, created on first use (parent null) under a
// mutex of that class, and kept until the program ends.
template <typename T>
T *sharedInstance()
{
    static QMutex mutex;
    static T *self = nullptr;
    if (!self) {
        QMutexLocker locker(&mutex);
        if (!self) {
            self = new T(nullptr);
        }
    }
    return self;
}
#endif // DIALOGPARTS_H
