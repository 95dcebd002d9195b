#ifndef SERIALFIXTURE_H
#define SERIALFIXTURE_H

#include "formdriver.h"
#include "virtualserial.h"

// Settings and data files in a temporary folder plus a socat pty pair, for the tests that
// open the console on a virtual serial port.
class SerialFixture
{
public:
    ~SerialFixture() { stop(); }

    // Once per test program.
    bool start(QString *error);
    void stop();
    // Before each test: default settings, PortName on the console's end, the pair running.
    bool reset(QString *error);

    ConsoleEnvironment *env = nullptr;
    VirtualSerialPair *pair = nullptr;
};

#endif // SERIALFIXTURE_H
