#ifndef TAVIHELPER_H
#define TAVIHELPER_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPixmap;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QWidget;

// Static helper functions shared by the console and the kit.
class TaviHelper
{
public:
    // Start-up
    static QString appDir();
    static QString appBaseName();
    static void setUtf8Codec();
    static void installTranslation(const QString &fileName);
    static void seedRandom();
    static void centerOnDesktop(QWidget *widget);

    // Hex and named-text codecs
    static QByteArray hexTextToBytes(const QString &text);
    static QString bytesToHexText(const QByteArray &data);
    static QByteArray namedTextToBytes(const QString &text);
    static QString bytesToNamedText(const QByteArray &data);
    static int hexDigitValue(char c);
    static void delayMs(int msec);

    static int hexTextToInt(const QString &text);
    static int decimalTextToInt(const QString &text);
    static int binaryTextToInt(const QString &text);
    static QString hexTextToBinaryText(const QString &text);
    static QString intToBinaryText8(int value);
    static QString intToBinaryText16(int value);
    static QString intToHexText(int value);

    // Integer packing and checksums
    static QByteArray intToBytesBE(int value);
    static QByteArray intToBytesLE(int value);
    static int bytesBEToInt(const QByteArray &data);
    static int bytesLEToInt(const QByteArray &data);
    static QByteArray shortToBytesBE(int value);
    static QByteArray shortToBytesLE(int value);
    static int bytesBEToShort(const QByteArray &data);
    static int bytesLEToShort(const QByteArray &data);

    static quint8 xorSum(const QByteArray &data);
    static quint8 byteSum(const QByteArray &data);
    static quint16 crc16Forward(const quint8 *data, int length, quint16 start,
                                const quint16 *table);
    static quint16 crc16Reflected(const quint8 *data, int length, quint16 start,
                                  const quint16 *table);
    static quint16 crc16Modbus(const quint8 *data, int length);
    static QByteArray crc16ModbusBytes(const QByteArray &data);
    static QString byteToDecimalText(int value);
    static QString xorText(const QString &text, int key);

    // Validators
    static bool isIPv4(const QString &text);
    static bool isMacAddress(const QString &text);
    static bool isMobileNumber(const QString &text);
    static bool isEmailAddress(const QString &text);

    // Desktop, folders and files
    static int desktopWidth();
    static int desktopHeight();
    static void ensureDir(const QString &dirName);
    static bool dirExists(const QString &path);
    static bool fileExists(const QString &path);
    static QString fileNameOf(const QString &path);
    static void clearDirectory(const QString &path);
    static void copyFileWritable(const QString &sourceFile, const QString &targetFile);
    static void ensureFileCopy(const QString &sourceFile, const QString &targetFile);
    static void ensureDatabaseFile(const QString &targetFile);

    // File dialogs; empty results when cancelled
    static QString chooseSaveFile(const QString &filter, const QString &startDir = QString());
    static QString chooseOpenFile(const QString &filter, const QString &startDir = QString());
    static QStringList chooseOpenFiles(const QString &filter, const QString &startDir = QString());
    static QString chooseFolder();
    static QStringList chooseFolderEntries(const QStringList &patterns);

    // Run information: one line per call in <app>/<folder>/<base>_runinfo_yyyyMM.txt
    static void appendRunInfo(const QString &text, const QString &folder);

    // Network
    static QString resolveHost(const QString &hostName);
    static QString localIPv4();
    static bool hostReachable(const QString &address, quint16 port, int timeoutMs);
    static bool internetReachable();
    static QString fetchUrlText(const QString &url, int timeoutMs = 10000);
    static QString extractPageValue(const QString &page);

    // Windows only; nothing happens elsewhere
    static void setSystemClock(const QString &year, const QString &month, const QString &day,
                               const QString &hour, const QString &minute, const QString &second);
    static void setAutoRun(const QString &valueName, const QString &programPath, bool on);

    // Themes and widget style sheets (the kit)
    static void readQssColors(const QString &qss, QString &textColor, QString &panelColor,
                              QString &borderColor, QString &normalColorStart,
                              QString &normalColorEnd, QString &darkColorStart,
                              QString &darkColorEnd, QString &highColor);
    static void applyTheme(int style);
    static void applyThemeFile(const QString &qssFile, QString &paletteColor, QString &textColor);
    static void applyThemeFile(const QString &qssFile, QString &textColor, QString &panelColor,
                               QString &borderColor, QString &normalColorStart,
                               QString &normalColorEnd, QString &darkColorStart,
                               QString &darkColorEnd, QString &highColor);
    static void styleLabel(QLabel *label, quint8 kind);
    static void styleNavButtons(QWidget *widget, const QString &position, int borderWidth,
                                const QString &borderColor, const QString &normalBgColor,
                                const QString &darkBgColor, const QString &normalTextColor,
                                const QString &darkTextColor);
    static QString stylePushButton(QPushButton *button, int radius, int padding,
                                   const QString &normalBgColor, const QString &normalTextColor,
                                   const QString &hoverBgColor, const QString &hoverTextColor,
                                   const QString &pressedBgColor, const QString &pressedTextColor);
    static QString styleLineEdit(QLineEdit *lineEdit, int radius, int borderWidth,
                                 const QString &normalColor, const QString &focusColor);
    static QString styleProgressBar(QProgressBar *bar, int barHeight, int barRadius, int fontSize,
                                    const QString &normalColor, const QString &chunkColor);
    static QString styleSlider(QSlider *slider, int sliderHeight, const QString &normalColor,
                               const QString &grooveColor, const QString &handleBorderColor,
                               const QString &handleColor, const QString &textColor);
    static QString styleRadioButton(QRadioButton *button, int indicatorRadius,
                                    const QString &normalColor, const QString &checkedColor);
    static QString styleScrollBar(QScrollBar *bar, int radius, int handleMin, int barSize,
                                  const QString &bgColor, const QString &handleNormalColor,
                                  const QString &handleHoverColor,
                                  const QString &handlePressedColor);
    // The file of a theme value; lightblue for any unknown value.
    static QString themeFile(int style);

    // Dialog entry points (the kit)
    static void showInfo(const QString &info, int closeSec = 0, bool exec = false);
    static void showError(const QString &info, int closeSec = 0, bool exec = false);
    static int askQuestion(const QString &info);
    static QString getInput(const QString &title, int type = 0, int closeSec = 0,
                            const QString &placeholderText = QString(), bool pwd = false,
                            const QString &defaultValue = QString());
    static void getDateRange(QString &startDateTime, QString &endDateTime,
                             const QString &format = QStringLiteral("yyyy-MM-dd"));
    static void showTip(const QString &title, const QString &tip, bool fullScreen = false,
                        bool center = true, int closeSec = 0);
    static void hideTip();

    // Nine-patch scaling of a frame image
    static QPixmap ninePatch(const QPixmap &source, int horzSplit, int vertSplit, int dstWidth,
                             int dstHeight);
    static QPixmap ninePatch(const QString &picName, int horzSplit, int vertSplit, int dstWidth,
                             int dstHeight);
};

// The address localIPv4 picks from a list of address texts: the first that begins with
// "192" (which covers "192.168.1"), else "127.0.0.1".
QString chooseLocalIPv4(const QStringList &addresses);
// "<baseDir>/<folder>/<baseName>_runinfo_<yyyyMM>.txt"
QString runInfoFilePath(const QString &baseDir, const QString &folder, const QString &baseName,
                        const QDate &date);
// Appends "yyyy-MM-dd HH:mm:ss  text\n"; the folder must exist.
void appendRunInfoLine(const QString &filePath, const QDateTime &when, const QString &text);

#endif // TAVIHELPER_H
