// Process-wide start-up helpers: where the program lives, text codec, translators,
// random seed and window centring.
#include "startuphelpers.h"
#include "tavihelper.h"

#include <QApplication>
#include <QDateTime>
#include <QScreen>
#include <QTextCodec>
#include <QTranslator>
#include <QWidget>

#include <cstdlib>

QString TaviHelper::appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString TaviHelper::appBaseName()
{
    static QString name;
    if (name.isEmpty()) {
        name = baseNameOf(QCoreApplication::applicationFilePath());
    }
    return name;
}

void TaviHelper::setUtf8Codec()
{
    QTextCodec *codec = QTextCodec::codecForName("utf-8");
    QTextCodec::setCodecForLocale(codec);
}

void TaviHelper::installTranslation(const QString &fileName)
{
    auto *translator = new QTranslator(qApp);
    // A missing file leaves an empty translator, which changes no text.
    (void)translator->load(fileName);
    qApp->installTranslator(translator);
}

void TaviHelper::seedRandom()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qsrand(randomSeedFor(QTime::currentTime()));
    QT_WARNING_POP
#else
    // Qt 6 has no qsrand; std::rand is the seedable generator left.
    std::srand(randomSeedFor(QTime::currentTime()));
#endif
}

void TaviHelper::centerOnDesktop(QWidget *widget)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!widget || !screen) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect own = widget->geometry();
    // The available area's origin is deliberately not added.
    widget->move(area.width() / 2 - own.width() / 2, area.height() / 2 - own.height() / 2);
}

QString baseNameOf(const QString &filePath)
{
    return filePath.split(QLatin1Char('/')).last().split(QLatin1Char('.')).first();
}

uint randomSeedFor(const QTime &time)
{
    return static_cast<uint>(time.msec() + time.second() * 1000);
}
