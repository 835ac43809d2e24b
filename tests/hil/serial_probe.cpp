// hil-serial DEVICE: what the driver of a serial device reports, for the virtual-machine rig.
// Prints one line: "open=ok low_latency=0|1 speed=N bother=0|1 bits=N parity=NAME" from
// TIOCGSERIAL and TCGETS2, or "open=ERRNO-NAME" when the device cannot be opened (EBUSY: held
// with TIOCEXCL). The line settings are only read.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: hil-serial DEVICE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::printf("open=%s\n", errno == EBUSY ? "EBUSY" : std::strerror(errno));
        return 0;
    }
    serial_struct ss{};
    const bool haveSerial = ::ioctl(fd, TIOCGSERIAL, &ss) == 0;
    termios2 t{};
    const bool haveTermios = ::ioctl(fd, TCGETS2, &t) == 0;
    ::close(fd);
    const char* parity = "none";
    if (t.c_cflag & PARENB) {
        const bool odd = (t.c_cflag & PARODD) != 0;
        parity = (t.c_cflag & CMSPAR) ? (odd ? "mark" : "space") : (odd ? "odd" : "even");
    }
    constexpr int kBits[] = {5, 6, 7, 8};
    std::printf("open=ok low_latency=%s speed=%u bother=%d bits=%d parity=%s\n",
                haveSerial ? ((ss.flags & ASYNC_LOW_LATENCY) ? "1" : "0") : "unknown",
                haveTermios ? t.c_ospeed : 0, (t.c_cflag & CBAUD) == BOTHER,
                kBits[(t.c_cflag & CSIZE) >> 4], parity);
    return 0;
}
