#include "registerwindow.h"

#include "registertable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The format column is chosen from the console's value formats.
class FormatDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        box->addItems(formatChoices());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QComboBox *>(editor)->setCurrentIndex(index.data(Qt::EditRole).toInt());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentIndex());
    }
};
} // namespace

RegisterWindow::RegisterWindow(RegisterTables *tables, QWidget *parent)
    : QWidget(parent), tables(tables)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(tr("寄存器表"));
    resize(760, 520);
    pollEdit = new QLineEdit;
    pollEdit->setObjectName(QStringLiteral("txtPoll"));
    pollEdit->setPlaceholderText(tr("从站 功能码 地址 数量, 如 1 3 0 10"));
    auto *add = new QPushButton(tr("添加轮询"));
    add->setObjectName(QStringLiteral("btnAddPoll"));
    auto *remove = new QPushButton(tr("删除当前轮询"));
    remove->setObjectName(QStringLiteral("btnRemovePoll"));
    pollBox = new QCheckBox(tr("自动发送时依次轮询"));
    pollBox->setObjectName(QStringLiteral("ckPoll"));
    tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("tabTables"));
    stats = new QLabel;
    stats->setObjectName(QStringLiteral("labStats"));
    stats->setWordWrap(true);
    stats->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note = new QLabel;
    note->setObjectName(QStringLiteral("labTableNote"));
    note->setStyleSheet(QStringLiteral("color: #c0392b;"));
    auto *reset = new QPushButton(tr("重置统计"));
    reset->setObjectName(QStringLiteral("btnResetStats"));

    auto *top = new QHBoxLayout;
    top->addWidget(pollEdit, 1);
    top->addWidget(add);
    top->addWidget(remove);
    top->addWidget(pollBox);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(stats, 1);
    bottom->addWidget(reset);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(note);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);

    // The status line follows the replies at most four times a second.
    statsTimer = new QTimer(this);
    statsTimer->setSingleShot(true);
    statsTimer->setInterval(250);
    connect(statsTimer, &QTimer::timeout, this, &RegisterWindow::showStatistics);
    connect(tables, &RegisterTables::statisticsChanged, this, [this] {
        if (!statsTimer->isActive() && isVisible()) {
            statsTimer->start();
        }
    });
    connect(tables, &RegisterTables::tablesChanged, this, &RegisterWindow::rebuildTabs);
    connect(tabs, &QTabWidget::currentChanged, this, &RegisterWindow::showStatistics);
    connect(add, &QPushButton::clicked, this, &RegisterWindow::addPoll);
    connect(pollEdit, &QLineEdit::returnPressed, this, &RegisterWindow::addPoll);
    connect(remove, &QPushButton::clicked, this, &RegisterWindow::removePoll);
    connect(pollBox, &QCheckBox::toggled, this, [tables](bool on) { tables->setPolling(on); });
    connect(reset, &QPushButton::clicked, tables, &RegisterTables::resetStatistics);
    rebuildTabs();
}

void RegisterWindow::showWindow()
{
    show();
    raise();
    showStatistics();
}

void RegisterWindow::rebuildTabs()
{
    const int current = tabs->currentIndex();
    while (tabs->count() > 0) {
        QWidget *page = tabs->widget(0);
        tabs->removeTab(0);
        delete page;
    }
    for (int i = 0; i < tables->tableCount(); ++i) {
        RegisterTableModel *model = tables->table(i);
        auto *view = new QTableView;
        view->setObjectName(QStringLiteral("tableRegisters%1").arg(i));
        view->setModel(model);
        view->setItemDelegateForColumn(RegisterTableModel::FormatColumn, new FormatDelegate(view));
        view->verticalHeader()->hide();
        view->horizontalHeader()->setStretchLastSection(true);
        view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
        connect(view, &QTableView::doubleClicked, this, &RegisterWindow::editValue);
        connect(model, &RegisterTableModel::problem, note, &QLabel::setText);
        tabs->addTab(view, i == 0 ? tr("最近读取") : model->read().title());
    }
    tabs->setCurrentIndex(qMin(current < 0 ? 0 : current, tabs->count() - 1));
    showStatistics();
}

void RegisterWindow::showStatistics()
{
    const int index = qMax(0, tabs->currentIndex());
    if (index >= tables->tableCount()) {
        return;
    }
    const PollDefinition &read = tables->table(index)->read();
    if (read.count == 0) {
        stats->setText(tr("尚无读取"));
        return;
    }
    stats->setText(tr("本表: %1\n从站 %2: %3")
                       .arg(tables->statistics().read(read).text())
                       .arg(read.slave)
                       .arg(tables->statistics().slave(read.slave).text()));
}

void RegisterWindow::addPoll()
{
    QStringList problems;
    const QVector<PollDefinition> parsed = parsePollDefinitions(pollEdit->text(), &problems);
    // The line's number means nothing for one line.
    QString error = problems.value(0).section(QLatin1String(": "), 1);
    if (!parsed.isEmpty() && tables->addDefinition(parsed.first(), &error)) {
        pollEdit->clear();
        tabs->setCurrentIndex(tabs->count() - 1);
    }
    note->setText(error);
}

void RegisterWindow::removePoll()
{
    QString error;
    const int index = tabs->currentIndex();
    if (index >= 1) {
        tables->removeDefinition(index - 1, &error);
    }
    note->setText(error);
}

void RegisterWindow::editValue(const QModelIndex &index)
{
    const auto *model = qobject_cast<const RegisterTableModel *>(index.model());
    if (!model || index.column() != RegisterTableModel::ValueColumn) {
        return;
    }
    if (!model->isWritable()) {
        note->setText(tr("只有线圈和保持寄存器可以写入"));
        return;
    }
    const int address = model->read().address + index.row();
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, tr("写入"), tr("从站 %1 地址 %2 的新值:").arg(model->read().slave).arg(address),
        QLineEdit::Normal, index.data().toString(), &ok);
    if (!ok) {
        return;
    }
    const RequestRow row = model->writeRequest(index.row(), text);
    note->setText(row.error);
    if (!row.frame.isEmpty()) {
        emit writeRequested(row);
    }
}
