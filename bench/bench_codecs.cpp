// Codec throughput on 1 MiB inputs, beside Qt's own hex conversion measured in the same run.
#include "benchsupport.h"
#include "tavihelper.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int size = 1 << 20;
    QByteArray data(size, '\0');
    QRandomGenerator rng(42);
    for (char &c : data) {
        c = char(rng.bounded(256));
    }
    const QString hexText = TaviHelper::bytesToHexText(data);
    const QByteArray qtHexText = data.toHex(' ');
    const QString namedText = TaviHelper::bytesToNamedText(data);
    // Typical named text: mostly printable with a few control bytes.
    QByteArray ascii(size, '\0');
    for (int i = 0; i < size; ++i) {
        ascii[i] = (i % 40 == 39) ? '\r' : char(32 + rng.bounded(95));
    }
    const QString asciiNamed = TaviHelper::bytesToNamedText(ascii);
    volatile qint64 sink = 0;
    const int ms = 1500;

    const double toHex =
        bestMegabytesPerSecond(size, ms, [&] { sink += TaviHelper::bytesToHexText(data).size(); });
    const double qtToHex = bestMegabytesPerSecond(
        size, ms, [&] { sink += QString::fromLatin1(data.toHex(' ').toUpper()).size(); });
    const double qtToHexBytes =
        bestMegabytesPerSecond(size, ms, [&] { sink += data.toHex(' ').size(); });
    const double fromHex = bestMegabytesPerSecond(
        size, ms, [&] { sink += TaviHelper::hexTextToBytes(hexText).size(); });
    const double qtFromHex = bestMegabytesPerSecond(
        size, ms, [&] { sink += QByteArray::fromHex(hexText.toLatin1()).size(); });
    const double qtFromHexBytes =
        bestMegabytesPerSecond(size, ms, [&] { sink += QByteArray::fromHex(qtHexText).size(); });
    const double toNamed = bestMegabytesPerSecond(
        size, ms, [&] { sink += TaviHelper::bytesToNamedText(data).size(); });
    const double fromNamed = bestMegabytesPerSecond(
        size, ms, [&] { sink += TaviHelper::namedTextToBytes(namedText).size(); });
    const double toNamedAscii = bestMegabytesPerSecond(
        size, ms, [&] { sink += TaviHelper::bytesToNamedText(ascii).size(); });
    const double fromNamedAscii = bestMegabytesPerSecond(
        size, ms, [&] { sink += TaviHelper::namedTextToBytes(asciiNamed).size(); });

    std::printf(
        "codec throughput, 1 MiB of input bytes per round, best of %d ms (MB/s of raw bytes)\n",
        ms);
    std::printf(
        "  bytesToHexText      %8.1f   Qt toHex(' ')+toUpper to QString %8.1f   ratio %.2f\n",
        toHex, qtToHex, toHex / qtToHex);
    std::printf(
        "                                 Qt toHex(' ') to QByteArray only   %8.1f   ratio %.2f\n",
        qtToHexBytes, toHex / qtToHexBytes);
    std::printf(
        "  hexTextToBytes      %8.1f   Qt fromHex(QString->Latin-1)     %8.1f   ratio %.2f\n",
        fromHex, qtFromHex, fromHex / qtFromHex);
    std::printf(
        "                                 Qt fromHex on QByteArray only      %8.1f   ratio %.2f\n",
        qtFromHexBytes, fromHex / qtFromHexBytes);
    std::printf(
        "  bytesToNamedText    %8.1f (random bytes)   %8.1f (text with CR)   target >= 100\n",
        toNamed, toNamedAscii);
    std::printf(
        "  namedTextToBytes    %8.1f (random bytes)   %8.1f (text with CR)   target >= 100\n",
        fromNamed, fromNamedAscii);
    return sink == 42 ? 1 : 0;
}
