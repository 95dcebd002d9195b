#include "settingsbinding.h"

#include "modbusreply.h"
#include "requestframe.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>

namespace {
QStringList numbers(int from, int to, int step)
{
    QStringList list;
    for (int i = from; i <= to; i += step) {
        list << QString::number(i);
    }
    return list;
}
} // namespace

QStringList baudRateChoices()
{
    return {"50",     "75",      "100",     "134",     "150",    "200",    "300",    "600",
            "1200",   "1800",    "2400",    "4800",    "9600",   "14400",  "19200",  "38400",
            "56000",  "57600",   "76800",   "115200",  "128000", "230400", "256000", "460800",
            "921600", "1000000", "1500000", "2000000", "3000000"};
}

QStringList dataBitChoices()
{
    return {"5", "6", "7", "8"};
}

QStringList parityChoices()
{
    return {QT_TRANSLATE_NOOP("BoundSettings", "无"), QT_TRANSLATE_NOOP("BoundSettings", "奇"),
            QT_TRANSLATE_NOOP("BoundSettings", "偶"), QT_TRANSLATE_NOOP("BoundSettings", "标志"),
            QT_TRANSLATE_NOOP("BoundSettings", "空格")};
}

QStringList flowControlChoices()
{
    return {QT_TRANSLATE_NOOP("BoundSettings", "无"), QStringLiteral("RTS/CTS"),
            QStringLiteral("XON/XOFF")};
}

QStringList stopBitChoices()
{
    return {"1", "1.5", "2"};
}

QStringList sendIntervalChoices()
{
    return QStringList{"100", "300", "500"} + numbers(1000, 10000, 1000);
}

QStringList saveIntervalChoices()
{
    return numbers(1000, 10000, 1000);
}

QStringList sleepTimeChoices()
{
    return QStringList{"0", "10", "50"} + numbers(100, 900, 100);
}

void addValueFormatChoices(QComboBox *box)
{
    const QStringList names = formatChoices();
    for (int i = 0; i < names.size(); ++i) {
        box->addItem(names.at(i), formatSettingText(formatAt(i)));
    }
}

void addFunctionChoices(QComboBox *box)
{
    box->clear();
    box->addItems(functionChoices());
    box->setCurrentIndex(3); // read input registers, as always
    // The box shows the code and the start of the name; the list shows them whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(3);
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
}

void markWrongField(std::initializer_list<QWidget *> fields, const QString &name,
                    const QString &error)
{
    for (QWidget *w : fields) {
        const bool wrong = w->objectName() == name;
        w->setStyleSheet(wrong ? QStringLiteral("border: 1px solid red;") : QString());
        w->setToolTip(wrong ? error : QString());
    }
}

void addTransportChoices(QComboBox *box)
{
    box->addItem(QCoreApplication::translate("BoundSettings", "串口"), QStringLiteral("serial"));
    box->addItem(QStringLiteral("RTU over TCP"), QStringLiteral("rtu-tcp"));
    box->addItem(QStringLiteral("Modbus TCP"), QStringLiteral("modbus-tcp"));
}

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
        const QString text = settingText(value);
        int index = box->findData(text);
        if (index < 0) {
            index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        }
        box->setCurrentIndex(index);
        if (index < 0 && box->isEditable()) {
            box->setEditText(text);
            return true;
        }
        return index >= 0;
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
        const QVariant data = box->currentData();
        entry.setValue(data.isValid() && !box->isEditable() ? data : QVariant(box->currentText()));
    } else if (auto *check = qobject_cast<QCheckBox *>(binding.widget)) {
        entry.setValue(check->isChecked());
    } else if (auto *edit = qobject_cast<QLineEdit *>(binding.widget)) {
        entry.setValue(edit->text().trimmed());
    }
}

void whenSettingChanges(const SettingBinding &binding, QObject *context,
                        const std::function<void()> &changed)
{
    if (auto *box = qobject_cast<QComboBox *>(binding.widget)) {
        if (box->isEditable()) {
            QObject::connect(box, &QComboBox::editTextChanged, context, changed);
        } else {
            QObject::connect(box, qOverload<int>(&QComboBox::currentIndexChanged), context,
                             changed);
        }
    } else if (auto *check = qobject_cast<QCheckBox *>(binding.widget)) {
        QObject::connect(check, &QCheckBox::stateChanged, context, changed);
    } else if (auto *edit = qobject_cast<QLineEdit *>(binding.widget)) {
        QObject::connect(edit, &QLineEdit::textChanged, context, changed);
    }
}

bool bindSettings(const QVector<BoundControl> &controls, std::vector<SettingBinding> *bindings,
                  QObject *context, const std::function<void()> &changed)
{
    bool repaired = false;
    for (const BoundControl &control : controls) {
        if (auto *box = qobject_cast<QComboBox *>(control.widget)) {
            // Shown in the user's language, kept in the file as they are.
            for (const QString &choice : control.choices) {
                box->addItem(
                    QCoreApplication::translate("BoundSettings", choice.toUtf8().constData()),
                    box->isEditable() ? QVariant() : QVariant(choice));
            }
        }
        const QVector<SettingEntry> &table = AppSettings::settings();
        const auto entry = std::find_if(table.begin(), table.end(), [&](const SettingEntry &e) {
            return e.field == control.field;
        });
        if (entry == table.end()) {
            // A run-time value is not kept in the file: its control stays unbound, and says so.
            AppSettings::Notices << QCoreApplication::translate("BoundSettings",
                                                                "设置表中没有 %1, 该控件不保存")
                                        .arg(control.widget->objectName());
            continue;
        }
        const SettingBinding binding{control.widget, &*entry};
        if (!showSetting(binding)) {
            binding.entry->reset();
            showSetting(binding);
            repaired = true;
        }
        whenSettingChanges(binding, context, changed);
        bindings->push_back(binding);
    }
    return repaired;
}

QString BoundSettings::bind(const QVector<BoundControl> &controls, QObject *context,
                            const std::function<void()> &changed)
{
    return bindSettings(controls, &bindings, context, changed) ? write() : QString();
}

QString BoundSettings::store()
{
    for (const SettingBinding &binding : bindings) {
        storeSetting(binding);
    }
    return write();
}

QString BoundSettings::write()
{
    QString error;
    const bool written = AppSettings::writeConfig(&error);
    const bool newFailure = !written && !failing;
    failing = !written;
    return newFailure ? QCoreApplication::translate("BoundSettings", "保存设置失败: %1 (%2)")
                            .arg(AppSettings::ConfigFile, error)
                      : QString();
}
