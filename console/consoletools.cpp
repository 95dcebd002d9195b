#include "consoletools.h"

#include "appsettings.h"
#include "consolesession.h"
#include "filesender.h"
#include "filesendwindow.h"
#include "registertable.h"
#include "registerwindow.h"
#include "valuechart.h"

#include <QPushButton>

ConsoleTools::ConsoleTools(ConsoleSession *session, QWidget *window)
    : QObject(window), session(session), chart(new ValueChart(window)),
      tables(new RegisterTables(AppSettings::dataFilePath(QStringLiteral("polls.txt")),
                                AppSettings::dataFilePath(QStringLiteral("register_names.txt")),
                                this)),
      fileSender(new FileSender(session, this))
{
    tableWindow = new RegisterWindow(tables, window);
    fileWindow = new FileSendWindow(fileSender, window);
    connect(session, &ConsoleSession::replyDecoded, chart, [this](const ReplyDecode &reply) {
        chart->addReply(reply, formatSettingText(this->session->options().format));
    });
    connect(session, &ConsoleSession::requestSent, tables, &RegisterTables::requestSent);
    connect(session, &ConsoleSession::requestEnded, tables, &RegisterTables::requestEnded);
    connect(tableWindow, &RegisterWindow::writeRequested, session, &ConsoleSession::sendFrame);
    connect(fileSender, &FileSender::finished, this,
            [this](bool, const QString &message) { emit logLine(message); });
}

void ConsoleTools::bindButtons(QPushButton *chartButton, QPushButton *table, QPushButton *file)
{
    connect(chartButton, &QPushButton::clicked, chart, &ValueChart::showWindow);
    connect(table, &QPushButton::clicked, tableWindow, &RegisterWindow::showWindow);
    connect(file, &QPushButton::clicked, fileWindow, &FileSendWindow::showWindow);
}

void ConsoleTools::load()
{
    for (const QString &problem : tables->load()) {
        emit logLine(problem);
    }
}

bool ConsoleTools::sendNextPoll()
{
    if (!tables->polling()) {
        return false;
    }
    session->sendFrame(tables->nextPoll());
    return true;
}
