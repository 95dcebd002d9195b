#ifndef SETTINGSBINDING_H
#define SETTINGSBINDING_H

#include "appsettings.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QWidget;

// A control of the form that shows one persisted setting and writes it back.
struct SettingBinding {
    QWidget *widget; // a QComboBox (by item text), a QCheckBox or a QLineEdit
    const SettingEntry *entry;
};

// The text a setting's value is shown and found by: decimal numbers, the shortest form of a
// double ("1", "1.5"), strings as they are.
QString settingText(const QVariant &value);

// Shows the setting in its control. A combo box selects the first item with the value's
// text exactly; when none has it, nothing is selected and the result is false.
bool showSetting(const SettingBinding &binding);
// Copies the control into the setting (line edits trimmed; text that is no number gives 0).
void storeSetting(const SettingBinding &binding);
// Calls `changed` after every change of the control: a choice, a check, a keystroke.
void whenSettingChanges(const SettingBinding &binding, QObject *context, const std::function<void()> &changed);

#endif // SETTINGSBINDING_H
