#include "platform/termios2.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace platform::termios2 {

namespace {
int Ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) == 0 ? 0 : errno;
}

constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};
}  // namespace

int ApplyLineSettings(int fd, const LineSettings& s) {
    if (s.byteSize < 5 || s.byteSize > 8 || s.parity > 4 || s.stopBits > 2)
        return EINVAL;
    if (s.stopBits == 1 && s.byteSize != 5)
        return EINVAL;
    if (s.baudRate == 0)
        return EINVAL;

    struct termios2 t {};
    if (int e = Ioctl(fd, TCGETS2, &t))
        return e;
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                           IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL | CBAUD |
                           (CBAUD << IBSHIFT));
    t.c_cflag |= kSizeFlags[s.byteSize - 5] | CLOCAL | CREAD | BOTHER | (BOTHER << IBSHIFT);
    switch (s.parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (s.stopBits != 0)
        t.c_cflag |= CSTOPB;
    t.c_ispeed = s.baudRate;
    t.c_ospeed = s.baudRate;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return Ioctl(fd, TCSETS2, &t);
}

int ClearModemLines(int fd) {
    int bits = TIOCM_DTR | TIOCM_RTS;
    const int e = Ioctl(fd, TIOCMBIC, &bits);
    return (e == ENOTTY || e == EINVAL) ? 0 : e;
}

int Flush(int fd, bool input, bool output) {
    if (!input && !output)
        return 0;
    const long which = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    return ::ioctl(fd, TCFLSH, which) == 0 ? 0 : errno;
}

int ModemLines(int fd, int* lines) {
    return Ioctl(fd, TIOCMGET, lines);
}

int WaitRingOrCarrier(int fd) {
    return ::ioctl(fd, TIOCMIWAIT, static_cast<long>(TIOCM_RNG | TIOCM_CD)) == 0 ? 0 : errno;
}

bool RingBit(int lines) {
    return (lines & TIOCM_RNG) != 0;
}
bool CarrierBit(int lines) {
    return (lines & TIOCM_CD) != 0;
}

int SetLowLatency(int fd, int* oldFlags) {
    struct serial_struct ss {};
    if (int e = Ioctl(fd, TIOCGSERIAL, &ss))
        return e;
    *oldFlags = ss.flags;
    if (ss.flags & ASYNC_LOW_LATENCY)
        return 0;
    ss.flags |= ASYNC_LOW_LATENCY;
    return Ioctl(fd, TIOCSSERIAL, &ss);
}

int RestoreSerialFlags(int fd, int oldFlags) {
    struct serial_struct ss {};
    if (int e = Ioctl(fd, TIOCGSERIAL, &ss))
        return e;
    if (ss.flags == oldFlags)
        return 0;
    ss.flags = oldFlags;
    return Ioctl(fd, TIOCSSERIAL, &ss);
}

}  // namespace platform::termios2
