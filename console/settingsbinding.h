#ifndef SETTINGSBINDING_H
#define SETTINGSBINDING_H

#include "appsettings.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <initializer_list>
#include <vector>

class QComboBox;
class QWidget;

// A control of the form that shows one persisted setting and writes it back.
struct SettingBinding {
    QWidget *widget; // a QComboBox (by item text), a QCheckBox or a QLineEdit
    const SettingEntry *entry;
};

// The choices the form offers for its settings.
QStringList baudRateChoices();
QStringList dataBitChoices();
QStringList parityChoices();       // the index is the parity code given to the port
QStringList stopBitChoices();      // the index is the stop-bit code given to the port
QStringList flowControlChoices();  // none, hardware, software
QStringList sendIntervalChoices(); // after the start-up intervals
QStringList saveIntervalChoices();
QStringList sleepTimeChoices();

// The value formats of decoded registers, each item carrying its setting text as data.
void addValueFormatChoices(QComboBox *box);
// Where requests go, each item carrying its setting text as data.
void addTransportChoices(QComboBox *box);
// The request row's function codes with their names, reading input registers chosen.
void addFunctionChoices(QComboBox *box);
// Outlines the field named `name` in red with the error as its tooltip; clears the others.
void markWrongField(std::initializer_list<QWidget *> fields, const QString &name,
                    const QString &error);

// The text a setting's value is shown and found by: decimal numbers, the shortest form of a
// double ("1", "1.5"), strings as they are.
QString settingText(const QVariant &value);

// Shows the setting in its control. A combo box selects the first item whose data (or,
// for items without data, whose text) is the value's text exactly; when none has it,
// nothing is selected and the result is false, except that an editable box shows the
// value as typed text.
bool showSetting(const SettingBinding &binding);
// Copies the control into the setting (an item's data, else its text; line edits trimmed;
// text that is no number gives 0).
void storeSetting(const SettingBinding &binding);
// Calls `changed` after every change of the control: a choice, a check, a keystroke.
void whenSettingChanges(const SettingBinding &binding, QObject *context,
                        const std::function<void()> &changed);

// A control of the form, the field of its setting (a misspelt one does not build), and the
// choices a combo box gets.
struct BoundControl {
    QWidget *widget;
    decltype(SettingEntry::field) field;
    QStringList choices = QStringList();
};

// Binds each control to the setting of its field: adds the choices, shows the value, then
// connects `changed`, so that filling writes nothing. A stored value the control does not
// offer (a hand-edited file) takes its default; true when one did: the file wants writing.
// A field that is not persisted binds nothing and adds a notice to AppSettings::Notices.
bool bindSettings(const QVector<BoundControl> &controls, std::vector<SettingBinding> *bindings,
                  QObject *context, const std::function<void()> &changed);

// A form's persisted controls. Every change stores them all and writes the file; a write
// failure that lasts is told once, until a write succeeds.
class BoundSettings
{
public:
    // Binds as bindSettings does, writing the file when a stored value was repaired.
    // Returns what to tell the user about the write, or nothing.
    QString bind(const QVector<BoundControl> &controls, QObject *context,
                 const std::function<void()> &changed);
    // Copies every control into its setting and writes the file; returns as bind() does.
    QString store();

private:
    QString write();

    std::vector<SettingBinding> bindings;
    bool failing = false;
};

#endif // SETTINGSBINDING_H
