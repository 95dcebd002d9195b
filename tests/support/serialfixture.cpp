#include "serialfixture.h"

#include "appsettings.h"

bool SerialFixture::start(QString *error)
{
    env = new ConsoleEnvironment;
    pair = new VirtualSerialPair(env->dir());
    return pair->start(error);
}

void SerialFixture::stop()
{
    delete pair;
    pair = nullptr;
    delete env;
    env = nullptr;
}

bool SerialFixture::reset(QString *error)
{
    env->reset();
    AppSettings::PortName = pair->consoleEnd();
    return pair->isRunning() || pair->start(error);
}
