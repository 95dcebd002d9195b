#include "settingsbinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

QString settingText(const QVariant &value)
{
    if (value.userType() == QMetaType::Double) {
        return QString::number(value.toDouble());
    }
    return value.toString();
}

bool showSetting(const SettingBinding &binding)
{
    const QVariant value = binding.entry->value();
    if (auto *box = qobject_cast<QComboBox *>(binding.widget)) {
        box->setCurrentIndex(box->findText(settingText(value), Qt::MatchExactly | Qt::MatchCaseSensitive));
        return box->currentIndex() >= 0;
    }
    if (auto *check = qobject_cast<QCheckBox *>(binding.widget)) {
        check->setChecked(value.toBool());
    } else if (auto *edit = qobject_cast<QLineEdit *>(binding.widget)) {
        edit->setText(settingText(value));
    }
    return true;
}

void storeSetting(const SettingBinding &binding)
{
    const SettingEntry &entry = *binding.entry;
    if (auto *box = qobject_cast<QComboBox *>(binding.widget)) {
        entry.setValue(box->currentText());
    } else if (auto *check = qobject_cast<QCheckBox *>(binding.widget)) {
        entry.setValue(check->isChecked());
    } else if (auto *edit = qobject_cast<QLineEdit *>(binding.widget)) {
        entry.setValue(edit->text().trimmed());
    }
}

void whenSettingChanges(const SettingBinding &binding, QObject *context, const std::function<void()> &changed)
{
    if (auto *box = qobject_cast<QComboBox *>(binding.widget)) {
        QObject::connect(box, qOverload<int>(&QComboBox::currentIndexChanged), context, changed);
    } else if (auto *check = qobject_cast<QCheckBox *>(binding.widget)) {
        QObject::connect(check, &QCheckBox::stateChanged, context, changed);
    } else if (auto *edit = qobject_cast<QLineEdit *>(binding.widget)) {
        QObject::connect(edit, &QLineEdit::textChanged, context, changed);
    }
}
