#include "sim/wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace sim {

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_.Valid()) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

void Wakeup::Notify() {
    // The counter is never read, so the descriptor stays readable for good.
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(fd_.Get(), &one, sizeof one);
}

bool Wakeup::Notified() const {
    pollfd p{fd_.Get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace sim
