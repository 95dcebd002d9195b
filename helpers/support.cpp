// Validators, folders and files, run information, network queries and system functions.
#include "tavihelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(TaviHelper)
};

int cachedDesktopWidth = 0;
int cachedDesktopHeight = 0;

QRect availableDesktop()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
} // namespace

bool TaviHelper::isIPv4(const QString &text)
{
    static const QRegularExpression re(QRegularExpression::anchoredPattern(QStringLiteral(
        "((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)")));
    return re.match(text).hasMatch();
}

bool TaviHelper::isMacAddress(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[A-F0-9]{2}(-[A-F0-9]{2}){5}$"));
    return re.match(text).hasMatch();
}

bool TaviHelper::isMobileNumber(const QString &text)
{
    if (text.size() != 11) {
        return false;
    }
    for (const char *prefix : {"13", "14", "15", "18"}) {
        if (text.startsWith(QLatin1String(prefix))) {
            return true;
        }
    }
    return false;
}

bool TaviHelper::isEmailAddress(const QString &text)
{
    return text.contains(QLatin1Char('@')) && text.contains(QLatin1String(".com"));
}

int TaviHelper::desktopWidth()
{
    if (cachedDesktopWidth == 0) {
        cachedDesktopWidth = availableDesktop().width();
    }
    return cachedDesktopWidth;
}

int TaviHelper::desktopHeight()
{
    if (cachedDesktopHeight == 0) {
        cachedDesktopHeight = availableDesktop().height();
    }
    return cachedDesktopHeight;
}

void TaviHelper::ensureDir(const QString &dirName)
{
    QString path = dirName;
    if (!dirName.startsWith(QLatin1Char('/')) && !dirName.contains(QLatin1String(":/"))) {
        path = QStringLiteral("%1/%2").arg(appDir(), dirName);
    }
    QDir dir(path);
    if (!dir.exists()) {
        dir.mkpath(path);
    }
}

bool TaviHelper::dirExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool TaviHelper::fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

QString TaviHelper::fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

#ifdef Q_OS_UNIX
namespace {
// Empties the folder open at `dirFd`. Every step goes through an opened folder and never
// through a link, so a folder swapped for a link meanwhile cannot lead outside.
void clearOpenedDirectory(int dirFd)
{
    DIR *dir = ::fdopendir(::dup(dirFd));
    if (!dir) {
        return;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names << name;
        }
    }
    ::closedir(dir);
    for (const QByteArray &name : qAsConst(names)) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            // A link is removed itself; what it points to is never touched.
            ::unlinkat(dirFd, name.constData(), 0);
            continue;
        }
        const int sub =
            ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            continue;
        }
        clearOpenedDirectory(sub);
        ::close(sub);
        ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR);
    }
}
} // namespace
#endif

void TaviHelper::clearDirectory(const QString &path)
{
    if (path.isEmpty()) {
        return;
    }
#ifdef Q_OS_UNIX
    // A path that is itself a link is refused rather than its target emptied.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    clearOpenedDirectory(fd);
    ::close(fd);
#else
    QDir dir(path);
    for (const QFileInfo &entry :
         dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink() || !entry.isDir()) {
            QFile::remove(entry.absoluteFilePath());
        } else {
            clearDirectory(entry.absoluteFilePath());
            dir.rmdir(entry.fileName());
        }
    }
#endif
}

void TaviHelper::copyFileWritable(const QString &sourceFile, const QString &targetFile)
{
#ifdef Q_OS_UNIX
    // The copy is a new file made here, never an existing one or a link's target, and its
    // mode is set on what was opened. Owner read and write: owner-write alone would leave
    // it unreadable for its owner.
    QFile source(sourceFile);
    if (!source.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray target = QFile::encodeName(targetFile);
    const int fd =
        ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    const QByteArray data = source.readAll();
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n <= 0 && errno != EINTR) {
            break;
        }
        done += qMax<ssize_t>(n, 0);
    }
    const QFileDevice::Permissions p = source.permissions();
    mode_t mode = S_IRUSR | S_IWUSR;
    mode |= (p & QFileDevice::ExeOwner) ? S_IXUSR : 0;
    mode |= (p & QFileDevice::ReadGroup) ? S_IRGRP : 0;
    mode |= (p & QFileDevice::ReadOther) ? S_IROTH : 0;
    ::fchmod(fd, mode);
    ::close(fd);
    if (done != data.size()) {
        ::unlink(target.constData());
    }
#else
    QFile::copy(sourceFile, targetFile);
    QFile::setPermissions(targetFile, QFileDevice::WriteOwner);
#endif
}

void TaviHelper::ensureFileCopy(const QString &sourceFile, const QString &targetFile)
{
    QFileInfo target(targetFile);
    if (target.exists() && target.size() > 0) {
        return;
    }
    if (target.exists()) {
        QFile::remove(targetFile);
    }
    copyFileWritable(sourceFile, targetFile);
}

void TaviHelper::ensureDatabaseFile(const QString &targetFile)
{
    ensureFileCopy(QStringLiteral(":/%1.db").arg(appBaseName()), targetFile);
}

QString TaviHelper::chooseSaveFile(const QString &filter, const QString &startDir)
{
    return QFileDialog::getSaveFileName(nullptr, Texts::tr("选择文件"), startDir, filter);
}

QString TaviHelper::chooseOpenFile(const QString &filter, const QString &startDir)
{
    return QFileDialog::getOpenFileName(nullptr, Texts::tr("选择文件"), startDir, filter);
}

QStringList TaviHelper::chooseOpenFiles(const QString &filter, const QString &startDir)
{
    return QFileDialog::getOpenFileNames(nullptr, Texts::tr("选择文件"), startDir, filter);
}

QString TaviHelper::chooseFolder()
{
    return QFileDialog::getExistingDirectory(nullptr, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}

QStringList TaviHelper::chooseFolderEntries(const QStringList &patterns)
{
    const QString folder = chooseFolder();
    if (folder.isEmpty() || !QDir(folder).exists()) {
        return QStringList();
    }
    return QDir(folder).entryList(patterns);
}

QString runInfoFilePath(const QString &baseDir, const QString &folder, const QString &baseName,
                        const QDate &date)
{
    return QStringLiteral("%1/%2/%3_runinfo_%4.txt")
        .arg(baseDir, folder, baseName, date.toString(QStringLiteral("yyyyMM")));
}

void appendRunInfoLine(const QString &filePath, const QDateTime &when, const QString &text)
{
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        return;
    }
    QTextStream out(&file);
    out << when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "  " << text << "\n";
}

void TaviHelper::appendRunInfo(const QString &text, const QString &folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    appendRunInfoLine(runInfoFilePath(appDir(), folder, appBaseName(), now.date()), now, text);
}

QString TaviHelper::resolveHost(const QString &hostName)
{
    const QList<QHostAddress> addresses = QHostInfo::fromName(hostName).addresses();
    return addresses.isEmpty() ? QString() : addresses.first().toString();
}

QString chooseLocalIPv4(const QStringList &addresses)
{
    for (const QString &address : addresses) {
        if (address.startsWith(QLatin1String("192.168.1"))
            || address.startsWith(QLatin1String("192"))) {
            return address;
        }
    }
    return QStringLiteral("127.0.0.1");
}

QString TaviHelper::localIPv4()
{
    QStringList candidates;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        const QString text = address.toString();
        if (isIPv4(text)) {
            candidates << text;
        }
    }
    return chooseLocalIPv4(candidates);
}

bool TaviHelper::hostReachable(const QString &address, quint16 port, int timeoutMs)
{
    QTcpSocket socket;
    socket.connectToHost(address, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    const bool connected = socket.waitForConnected(timeoutMs);
    socket.abort();
    return connected;
}

bool TaviHelper::internetReachable()
{
    return hostReachable(QStringLiteral("1.1.1.1"), 80, 1000);
}

QString TaviHelper::fetchUrlText(const QString &url, int timeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A server that never answers must not hold the caller forever.
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }
    QString text;
    if (reply->isFinished()) {
        text = QString::fromUtf8(reply->readAll());
    } else {
        reply->abort();
    }
    delete reply;
    return text;
}

QString TaviHelper::extractPageValue(const QString &page)
{
    QString text = page;
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    const QStringList pieces = text.split(QStringLiteral("<br/>"));
    if (pieces.size() < 4) {
        return QString();
    }
    const QStringList pair = pieces.at(3).split(QLatin1Char('='));
    return pair.size() < 2 ? QString() : pair.at(1);
}

void TaviHelper::setSystemClock(const QString &year, const QString &month, const QString &day,
                                const QString &hour, const QString &minute, const QString &second)
{
#ifdef Q_OS_WIN
    const QStringList commands = {QStringLiteral("date %1-%2-%3\n").arg(year, month, day),
                                  QStringLiteral("time %1:%2:%3.00\n").arg(hour, minute, second)};
    for (const QString &command : commands) {
        QProcess p;
        p.start(QStringLiteral("cmd"), QStringList());
        p.waitForStarted(30000);
        p.write(command.toLatin1());
        p.closeWriteChannel();
        p.waitForFinished(1000);
        p.close();
    }
#else
    Q_UNUSED(year)
    Q_UNUSED(month)
    Q_UNUSED(day)
    Q_UNUSED(hour)
    Q_UNUSED(minute)
    Q_UNUSED(second)
#endif
}

void TaviHelper::setAutoRun(const QString &valueName, const QString &programPath, bool on)
{
#ifdef Q_OS_WIN
    QSettings reg(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
    reg.setValue(valueName, on ? programPath : QString());
#else
    Q_UNUSED(valueName)
    Q_UNUSED(programPath)
    Q_UNUSED(on)
#endif
}
