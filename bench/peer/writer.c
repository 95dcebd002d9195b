// Streams Modbus read responses (01 03 F0, 240 data bytes, CRC-16/MODBUS low byte first; 64
// variants cycled) into a pty for a fixed time, like a device on a 115200-baud line would:
// paced every 2 ms at `rate` bytes/s, or as fast as the pty takes them when rate is 0.
//   writer PATH RATE SECONDS      prints: bytes START_NS END_NS (CLOCK_MONOTONIC)
// It then keeps the pty open until it is killed: closing it would make socat hang up the
// program's end while bytes may still be on their way.
#include "ptyopen.h"

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

enum { FRAME = 245, VARIANTS = 64 };
static unsigned char stream[FRAME * VARIANTS];

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static unsigned crc16_modbus(const unsigned char *p, int n)
{
    unsigned crc = 0xFFFF;
    while (n--) {
        crc ^= *p++;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: writer PATH RATE SECONDS\n");
        return 2;
    }
    const double rate = atof(argv[2]);
    const long long duration = (long long)(atof(argv[3]) * 1e9);
    for (int v = 0; v < VARIANTS; ++v) {
        unsigned char *f = stream + v * FRAME;
        f[0] = 0x01, f[1] = 0x03, f[2] = 0xF0;
        for (int i = 0; i < 240; ++i)
            f[3 + i] = (unsigned char)(v * 37 + i * 11 + (i * i >> 3));
        const unsigned crc = crc16_modbus(f, FRAME - 2);
        f[FRAME - 2] = crc & 0xFF, f[FRAME - 1] = crc >> 8;
    }
    const int fd = open_pty(argv[1], O_WRONLY | O_NONBLOCK);
    if (fd < 0) {
        return 2;
    }
    long long sent = 0;
    const long long start = now_ns();
    long long t;
    while ((t = now_ns()) - start < duration) {
        long long due = rate > 0 ? (long long)((t - start) * rate / 1e9) - sent : (long long)sizeof stream;
        if (due <= 0) {
            usleep(2000);
            continue;
        }
        const size_t offset = sent % sizeof stream;
        if (due > (long long)(sizeof stream - offset))
            due = sizeof stream - offset;
        const ssize_t n = write(fd, stream + offset, (size_t)due);
        if (n > 0) {
            sent += n;
        } else {
            // The pty is full: wait for room, but not past the end of the run.
            struct pollfd p = {fd, POLLOUT, 0};
            poll(&p, 1, 20);
        }
    }
    const long long end = now_ns();
    printf("%lld %lld %lld\n", sent, start, end);
    fflush(stdout);
    for (;;)
        pause();
}
