#include "portwatcher.h"

#include "portnames.h"

#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

PortWatcher::PortWatcher(QComboBox *box, QWidget *label, QLabel *errorLabel,
                         const QStringList &portFolders, const QString *storedName)
    : QObject(box), box(box), label(label), errorLabel(errorLabel), storedName(storedName),
      folders(portFolders)
{
    errorLabel->hide();
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    connect(this, &PortWatcher::portsChanged, this, [this](const QStringList &present) {
        applyPortChoices(this->box, present, *this->storedName);
    });
    connect(box, &QComboBox::editTextChanged, this, [this] { showOpenFailure(QString()); });
    // Listing the ports takes about 10 ms: the first list comes just after the window is up.
    QTimer::singleShot(250, this, &PortWatcher::start);
    settle.setSingleShot(true);
    settle.setInterval(200);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
    connect(&settle, &QTimer::timeout, this, [this] {
        watchFolders();
        emit portsChanged(presentPorts());
    });
}

void PortWatcher::showOpenFailure(const QString &reason)
{
    box->setToolTip(reason);
    label->setToolTip(reason);
    errorLabel->setToolTip(reason);
    label->setStyleSheet(reason.isEmpty() ? QString() : QStringLiteral("color: red;"));
    // As wide as the row under the box: a long system message must not widen the panel.
    const QWidget *row = errorLabel->parentWidget() ? errorLabel->parentWidget() : errorLabel;
    const int room = qMax(40, row->contentsRect().width() - 20);
    errorLabel->setText(errorLabel->fontMetrics().elidedText(reason, Qt::ElideRight, room));
    errorLabel->setVisible(!reason.isEmpty());
}

void PortWatcher::start()
{
    watchFolders();
    emit portsChanged(presentPorts());
}

void PortWatcher::watchFolders()
{
    // A folder of stable names appears with the first adapter: its parent tells when.
    QStringList paths{QStringLiteral("/dev")};
    for (const QString &folder : qAsConst(folders)) {
        paths << folder << QFileInfo(folder).path();
    }
    for (const QString &path : qAsConst(paths)) {
        if (QFileInfo(path).isDir() && !watcher.directories().contains(path)) {
            watcher.addPath(path);
        }
    }
}

QStringList PortWatcher::presentPorts() const
{
    QStringList ports = presentPortNames(0);
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo &entry :
             dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
            if (isSerialDevice(entry.absoluteFilePath())) {
                ports << entry.absoluteFilePath();
            }
        }
    }
    return ports;
}

void applyPortChoices(QComboBox *box, const QStringList &present, const QString &storedName)
{
    const QString text = box->currentText();
    const QStringList choices = updatedPortChoices(present, {text, storedName});
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    if (items == choices) {
        return;
    }
    const QSignalBlocker quiet(box);
    const int cursor = box->lineEdit() ? box->lineEdit()->cursorPosition() : 0;
    box->clear();
    box->addItems(choices);
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (box->lineEdit()) {
        box->setEditText(text);
        box->lineEdit()->setCursorPosition(cursor);
    }
}
