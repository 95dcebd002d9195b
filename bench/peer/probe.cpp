// LD_PRELOAD probe loaded into both programs, so each is measured the same way from inside:
//  - counts the bytes read() from the fd opened for $NV_PROBE_PORT, and when the last came;
//  - a 10 ms timer in the GUI thread keeps the longest gap between its ticks (SIGUSR1 resets it);
//  - once the main window is up: resizes it to $NV_PROBE_SIZE (WxH) and clicks the buttons
//    named in $NV_PROBE_CLICK (object names, comma-separated; a checked checkbox is left alone);
//  - writes "key value" lines to $NV_PROBE_STATS every 100 ms;
//  - $NV_PROBE_DUMP=1 lists the widgets on stderr, to find the names to click;
//  - SIGUSR2 saves a picture of the screen to $NV_PROBE_SHOT, to see what the program shows.
// Inactive (counting nothing) in processes where $NV_PROBE_STATS is unset.
#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

const char *portPath;
std::atomic<int> portFd{-1};
std::atomic<int> portCopyFd{-1}; // a duplicate of it (a reader thread's own descriptor)
std::atomic<long long> portBytes{0};
std::atomic<long long> lastReadNs{0};
std::atomic<int> portOpens{0};
volatile sig_atomic_t resetGap = 0;
volatile sig_atomic_t takeShot = 0;

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void readEnvironment()
{
    if (getenv("NV_PROBE_STATS"))
        portPath = getenv("NV_PROBE_PORT");
}

int opened(int fd, const char *path)
{
    if (fd >= 0 && portPath && path && std::strcmp(path, portPath) == 0) {
        portFd = fd;
        ++portOpens;
    }
    return fd;
}

void counted(int fd, ssize_t n)
{
    if (n > 0
        && (fd == portFd.load(std::memory_order_relaxed)
            || fd == portCopyFd.load(std::memory_order_relaxed))) {
        portBytes += n;
        lastReadNs = nowNs();
    }
}

mode_t modeOf(int flags, va_list ap)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(ap, int)) : 0;
}

} // namespace

extern "C" {

#define NV_OPEN(name)                                                                              \
    int name(const char *path, int flags, ...)                                                     \
    {                                                                                              \
        static auto real = next<int (*)(const char *, int, ...)>(#name);                           \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        const mode_t mode = modeOf(flags, ap);                                                     \
        va_end(ap);                                                                                \
        return opened(real(path, flags, mode), path);                                              \
    }
#define NV_OPENAT(name)                                                                            \
    int name(int dir, const char *path, int flags, ...)                                            \
    {                                                                                              \
        static auto real = next<int (*)(int, const char *, int, ...)>(#name);                      \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        const mode_t mode = modeOf(flags, ap);                                                     \
        va_end(ap);                                                                                \
        return opened(real(dir, path, flags, mode), path);                                         \
    }
NV_OPEN(open)
NV_OPEN(open64)
NV_OPENAT(openat)
NV_OPENAT(openat64)

int __open_2(const char *path, int flags)
{
    static auto real = next<int (*)(const char *, int)>("__open_2");
    return opened(real(path, flags), path);
}

int __open64_2(const char *path, int flags)
{
    static auto real = next<int (*)(const char *, int)>("__open64_2");
    return opened(real(path, flags), path);
}

ssize_t read(int fd, void *buf, size_t count)
{
    static auto real = next<ssize_t (*)(int, void *, size_t)>("read");
    const ssize_t n = real(fd, buf, count);
    const int saved = errno;
    counted(fd, n);
    errno = saved;
    return n;
}

ssize_t __read_chk(int fd, void *buf, size_t count, size_t buflen)
{
    static auto real = next<ssize_t (*)(int, void *, size_t, size_t)>("__read_chk");
    const ssize_t n = real(fd, buf, count, buflen);
    const int saved = errno;
    counted(fd, n);
    errno = saved;
    return n;
}

int close(int fd)
{
    static auto real = next<int (*)(int)>("close");
    int expected = fd;
    portFd.compare_exchange_strong(expected, -1);
    expected = fd;
    portCopyFd.compare_exchange_strong(expected, -1);
    return real(fd);
}

int fcntl(int fd, int cmd, ...)
{
    static auto real = next<int (*)(int, int, ...)>("fcntl");
    va_list ap;
    va_start(ap, cmd);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    const int rc = real(fd, cmd, arg);
    if (rc >= 0 && (cmd == F_DUPFD || cmd == F_DUPFD_CLOEXEC) && fd == portFd.load()) {
        portCopyFd = rc;
    }
    return rc;
}

} // extern "C"

namespace {

class Probe : public QObject
{
public:
    explicit Probe(const QByteArray &statsPath) : QObject(qApp), path(statsPath)
    {
        std::signal(SIGUSR1, [](int) { resetGap = 1; });
        std::signal(SIGUSR2, [](int) { takeShot = 1; });
        lastTick = lastWrite = nowNs();
        heartbeat.setTimerType(Qt::PreciseTimer);
        connect(&heartbeat, &QTimer::timeout, this, &Probe::tick);
        heartbeat.start(10);
    }

private:
    void tick()
    {
        const long long t = nowNs();
        if (resetGap) {
            resetGap = 0;
            maxGapNs = 0;
            ++resets;
        } else if (t - lastTick > maxGapNs) {
            maxGapNs = t - lastTick;
        }
        lastTick = t;
        if (!prepared)
            prepareWindow(t);
        if (takeShot) {
            takeShot = 0;
            if (QScreen *screen = QGuiApplication::primaryScreen())
                screen->grabWindow(0).save(qEnvironmentVariable("NV_PROBE_SHOT"), "PNG");
        }
        if (t - lastWrite >= 100000000LL) {
            lastWrite = t;
            writeStats();
        }
    }

    // Resizes the main window and clicks the named buttons 300 ms after it is first seen shown.
    void prepareWindow(long long t)
    {
        QWidget *main = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w->windowType() == Qt::Window)
                main = w;
        }
        if (!main)
            return;
        if (shownAt == 0)
            shownAt = t;
        if (t - shownAt < 300000000LL)
            return;
        prepared = true;
        const QByteArray size = qgetenv("NV_PROBE_SIZE");
        if (size.contains('x')) {
            main->move(0, 0);
            main->resize(size.split('x').value(0).toInt(), size.split('x').value(1).toInt());
        }
        if (qgetenv("NV_PROBE_DUMP") == "1") {
            for (QWidget *w : QApplication::allWidgets()) {
                const auto *b = qobject_cast<QAbstractButton *>(w);
                std::fprintf(stderr, "widget %s %s %s\n", w->metaObject()->className(),
                             qPrintable(w->objectName()), b ? qPrintable(b->text()) : "");
            }
        }
        for (const QByteArray &name : qgetenv("NV_PROBE_CLICK").split(',')) {
            if (name.isEmpty())
                continue;
            QAbstractButton *button = nullptr;
            for (QWidget *w : QApplication::allWidgets()) {
                if (w->objectName() == QLatin1String(name))
                    button = qobject_cast<QAbstractButton *>(w);
            }
            if (!button) {
                std::fprintf(stderr, "probe: no button named %s\n", name.constData());
                missing += name + ' ';
            } else if (!(button->isCheckable() && button->isChecked())) {
                // Queued: a modal dialog opened by the click must not hold up this timer.
                QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
            }
        }
    }

    void writeStats()
    {
        const QByteArray tmp = path + ".tmp";
        FILE *f = std::fopen(tmp.constData(), "w");
        if (!f)
            return;
        std::fprintf(f,
                     "bytes %lld\nlast_read_ns %lld\nport_open %d\nport_opens %d\nmax_gap_ms %.1f\n"
                     "resets %d\nprepared %d\nmissing %s\n",
                     portBytes.load(), lastReadNs.load(), portFd.load() >= 0 ? 1 : 0,
                     portOpens.load(), double(maxGapNs) / 1e6, resets, prepared ? 1 : 0,
                     missing.constData());
        std::fclose(f);
        std::rename(tmp.constData(), path.constData());
    }

    QByteArray path;
    QByteArray missing;
    QTimer heartbeat;
    long long lastTick = 0;
    long long lastWrite = 0;
    long long maxGapNs = 0;
    long long shownAt = 0;
    int resets = 0;
    bool prepared = false;
};

void startProbe()
{
    const QByteArray stats = qgetenv("NV_PROBE_STATS");
    if (stats.isEmpty() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    // Child processes inherit the environment; only this one reports.
    qunsetenv("NV_PROBE_STATS");
    new Probe(stats);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
