#ifndef FORMDRIVER_H
#define FORMDRIVER_H

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

class frmTolvan;

// Prepares the process the way start-up does, with the settings file and the data files
// in a temporary folder of the test's own.
class ConsoleEnvironment
{
public:
    ConsoleEnvironment();
    QString dir() const { return temp.path(); }
    QString file(const QString &name) const { return temp.filePath(name); }
    // Puts every setting back to its default and empties the lists.
    void reset();

private:
    QTemporaryDir temp;
};

// Finds the console's widgets by object name and works them like a user.
class FormDriver
{
public:
    explicit FormDriver(QWidget *form) : form(form) {}

    template <typename T>
    T *find(const char *name) const
    {
        T *w = form->findChild<T *>(QLatin1String(name));
        if (!w) {
            qFatal("no widget named %s", name);
        }
        return w;
    }
    QAbstractButton *button(const char *name) const { return find<QAbstractButton>(name); }
    QCheckBox *check(const char *name) const { return find<QCheckBox>(name); }
    QComboBox *combo(const char *name) const { return find<QComboBox>(name); }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
    QTimer *timer(const char *name) const { return find<QTimer>(name); }
    QTextEdit *log() const { return find<QTextEdit>("txtMain"); }

    void click(const char *name) const;
    void setText(const char *name, const QString &text) const;
    QString buttonText(const char *name) const { return button(name)->text(); }

    QStringList logLines() const;
    // The last line that contains `part`, or an empty text.
    QString lastLineWith(const QString &part) const;
    int linesWith(const QString &part) const;
    QColor lineColor(int block) const;

    // Calls one of the form's slots by name (they are private).
    void invoke(const char *slot) const;
    void appendLog(int type, const QString &data) const;
    void sendText(const QString &data) const;

private:
    QWidget *form;
};

#endif // FORMDRIVER_H
