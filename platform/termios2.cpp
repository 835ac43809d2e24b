#include "platform/termios2.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

namespace platform::termios2 {

namespace {
int Ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg) == 0 ? 0 : errno;
}

constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};

// Unix98 pseudo-terminal slaves (majors 136 to 143): they keep 8 bits without parity whatever
// they are told, and have no rate.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

LineReadBack Decode(const struct termios2& t) {
    LineReadBack line{t.c_ospeed, 8, 0, (t.c_cflag & CSTOPB) != 0};
    for (std::uint8_t i = 0; i < 4; ++i) {
        if ((t.c_cflag & CSIZE) == kSizeFlags[i])
            line.byteSize = static_cast<std::uint8_t>(5 + i);
    }
    if (t.c_cflag & PARENB) {
        const bool odd = (t.c_cflag & PARODD) != 0;
        line.parity = (t.c_cflag & CMSPAR) ? (odd ? 3 : 4) : (odd ? 1 : 2);
    }
    return line;
}
}  // namespace

bool DriverKept(const LineSettings& asked, const LineReadBack& applied) {
    const std::uint64_t a = asked.baudRate;
    const std::uint64_t b = applied.baudRate;
    const std::uint64_t off = a > b ? a - b : b - a;
    return off * 100 <= a * 3 && applied.byteSize == asked.byteSize &&
           applied.parity == asked.parity && applied.extraStopBit == (asked.stopBits != 0);
}

int ApplyLineSettings(int fd, const LineSettings& s, LineReadBack* applied) {
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
    if (int e = Ioctl(fd, TCSETS2, &t))
        return e;
    if (IsPseudoTerminal(fd))
        return 0;
    struct termios2 back {};
    if (int e = Ioctl(fd, TCGETS2, &back))
        return e;
    const LineReadBack line = Decode(back);
    if (applied)
        *applied = line;
    return DriverKept(s, line) ? 0 : ENOTSUP;
}

int ClearModemLines(int fd) {
    int bits = TIOCM_DTR | TIOCM_RTS;
    const int e = Ioctl(fd, TIOCMBIC, &bits);
    return (e == ENOTTY || e == EINVAL) ? 0 : e;
}

int ChangeModemLine(int fd, ModemLine line, bool on) {
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    return Ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
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
