// The ceiling for any reader of a pty stream: opens the port, reads and counts, nothing else.
// Ends after IDLE_MS without a byte once the stream began, or after LIMIT_S in any case.
//   bareread PATH [IDLE_MS [LIMIT_S]]
// prints "ready" once the port is open, then: bytes FIRST_NS LAST_NS (CLOCK_MONOTONIC) CPU_NS
// WAKE-UPS PEAK_RSS_KB.
#include "ptyopen.h"

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bareread PATH [IDLE_MS [LIMIT_S]]\n");
        return 2;
    }
    const int idle_ms = argc > 2 ? atoi(argv[2]) : 1000;
    const long long limit = (long long)((argc > 3 ? atof(argv[3]) : 600) * 1e9);
    const int fd = open_pty(argv[1], O_RDONLY);
    if (fd < 0) {
        return 2;
    }
    // Ready: the caller starts the stream once this line is out.
    printf("ready\n");
    fflush(stdout);
    static char buf[65536];
    long long bytes = 0, first = 0, last = 0;
    const long long start = now_ns();
    while (now_ns() - start < limit) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, bytes ? idle_ms : 100) <= 0) {
            if (bytes)
                break;
            continue;
        }
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        last = now_ns();
        if (!bytes)
            first = last;
        bytes += n;
    }
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    const long long cpu = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000000000LL
                          + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1000LL;
    printf("%lld %lld %lld %lld %ld %ld\n", bytes, first, last, cpu, ru.ru_nvcsw, ru.ru_maxrss);
    return 0;
}
