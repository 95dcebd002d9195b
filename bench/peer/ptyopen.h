// How the peer programs open their end of a pty pair.
#ifndef PTYOPEN_H
#define PTYOPEN_H

#include <fcntl.h>
#include <stdio.h>
#include <termios.h>

// The pty at `path` with open(2)'s `flags`, never as the controlling terminal, raw: no echo,
// no line editing, every byte as it is. -1, the reason printed, when it cannot be opened.
static int open_pty(const char *path, int flags)
{
    const int fd = open(path, flags | O_NOCTTY);
    if (fd < 0) {
        perror(path);
        return -1;
    }
    struct termios tio;
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

#endif // PTYOPEN_H
