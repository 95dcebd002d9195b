#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

// The process-wide preparation that runs before the console form exists: icon, font,
// codec, translators, random seed, interval choices, settings and data lists.
// configFile and dataDir are the settings file and the folder of the data lists; the
// program passes the files beside its executable.
void prepareApplication(const QString &configFile, const QString &dataDir);

// The INI file beside the executable, named after it.
QString defaultConfigFile();

// The console window's title.
QString mainWindowTitle();

#endif // STARTUP_H
