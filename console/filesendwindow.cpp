#include "filesendwindow.h"

#include "filesender.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

FileSendWindow::FileSendWindow(FileSender *sender, QWidget *parent)
    : QWidget(parent), sender(sender)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("发送文件"));
    pathEdit = new QLineEdit;
    pathEdit->setObjectName(QStringLiteral("txtFilePath"));
    auto *browse = new QPushButton(tr("选择..."));
    browse->setObjectName(QStringLiteral("btnBrowseFile"));
    hexBox = new QCheckBox(tr("文件是十六进制文本 (按字节发送其内容)"));
    hexBox->setObjectName(QStringLiteral("ckFileHex"));
    delayBox = new QSpinBox;
    delayBox->setObjectName(QStringLiteral("spinChunkDelay"));
    delayBox->setRange(0, 60000);
    delayBox->setSpecialValueText(tr("按波特率"));
    delayBox->setSuffix(QStringLiteral(" ms"));
    chunkBox = new QSpinBox;
    chunkBox->setObjectName(QStringLiteral("spinChunkBytes"));
    chunkBox->setRange(1, 65536);
    chunkBox->setValue(256);
    bar = new QProgressBar;
    bar->setObjectName(QStringLiteral("barFile"));
    startButton = new QPushButton(tr("开始发送"));
    startButton->setObjectName(QStringLiteral("btnStartFile"));
    cancelButton = new QPushButton(tr("取消"));
    cancelButton->setObjectName(QStringLiteral("btnCancelFile"));
    cancelButton->setEnabled(false);
    status = new QLabel;
    status->setObjectName(QStringLiteral("labFileStatus"));
    status->setWordWrap(true);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(pathEdit, 1);
    pathRow->addWidget(browse);
    auto *form = new QFormLayout;
    form->addRow(tr("文件"), pathRow);
    form->addRow(QString(), hexBox);
    form->addRow(tr("块间隔"), delayBox);
    form->addRow(tr("每块字节 (有间隔时)"), chunkBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(startButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(bar);
    layout->addWidget(status);
    layout->addLayout(buttons);
    resize(480, 220);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("发送文件"), pathEdit->text());
        if (!path.isEmpty()) {
            pathEdit->setText(path);
        }
    });
    connect(startButton, &QPushButton::clicked, this, &FileSendWindow::start);
    connect(cancelButton, &QPushButton::clicked, sender, &FileSender::cancel);
    connect(sender, &FileSender::progress, this, [this](qint64 sent, qint64 total) {
        // Per mille: a progress bar holds an int.
        bar->setValue(int(sent * 1000 / qMax<qint64>(1, total)));
        status->setText(tr("已发送 %1/%2 字节").arg(sent).arg(total));
    });
    connect(sender, &FileSender::finished, this, &FileSendWindow::finished);
    bar->setRange(0, 1000);
}

void FileSendWindow::showWindow()
{
    show();
    raise();
}

void FileSendWindow::start()
{
    QString error;
    bar->setValue(0);
    if (!sender->start(pathEdit->text(), hexBox->isChecked(), delayBox->value(), chunkBox->value(),
                       &error)) {
        status->setText(error);
        return;
    }
    // A small file may have gone already.
    startButton->setEnabled(!sender->isRunning());
    cancelButton->setEnabled(sender->isRunning());
}

void FileSendWindow::finished(bool, const QString &message)
{
    status->setText(message);
    startButton->setEnabled(true);
    cancelButton->setEnabled(false);
}
