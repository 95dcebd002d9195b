#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

// Where the settings file, the data lists (send.txt, device.txt) and the saved logs go.
struct DataLocations {
    QString configDir; // the settings file and the data lists
    QString logDir;    // saved logs
    QString configFile;
    // Why the files are not beside the executable, for the start-up notice; empty when they are.
    QString reason;
};

// Beside the executable while its folder is writable, as a portable copy keeps everything;
// in the folder given by --data-dir when there is one; otherwise in the user's folders
// (~/.config/norvane and ~/.local/share/norvane), as for an installed copy, which never
// writes into its installation folder, not even as root.
DataLocations chooseDataLocations(const QString &exeDir, const QString &dataDirOption,
                                  const QString &exeBaseName);

// Whether this process may create files in `dir`.
bool folderWritable(const QString &dir);

// The folder the executable is installed to by `cmake --install` and the package.
QString installedProgramDir();

// The version in the project's CMakeLists.txt.
QString programVersion();

// The Language setting stored in `configFile`; its default when the file has none or must not
// be read.
QString storedLanguage(const QString &configFile);

// Replaces the translation of the user interface with the one for `language` ("en"). The
// source texts are Chinese: "zh_CN", like any language without a translation, installs none.
// True when a translation is installed.
bool installLanguage(const QString &language);

// The process-wide preparation that runs before the console form exists: icon, font,
// codec, translators (the Language setting's too), random seed, interval choices, settings
// and data lists.
// Missing folders are created; where they are is told in AppSettings::Notices unless it is
// beside the executable.
void prepareApplication(const DataLocations &where);
// The same for a settings file and one folder for the data lists and the logs.
void prepareApplication(const QString &configFile, const QString &dataDir);

// The console window's title.
QString mainWindowTitle();

#endif // STARTUP_H
