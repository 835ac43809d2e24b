// Preloaded into kven-cli by the host-stall tests: every fsync takes as long as on a slow USB
// stick (KVEN_TEST_FSYNC_MS, default 1300 ms) before it does its work.
#include <dlfcn.h>
#include <time.h>

#include <cstdlib>

namespace {

void Stall() {
    const char* text = std::getenv("KVEN_TEST_FSYNC_MS");
    const long ms = text ? std::atol(text) : 1300;
    timespec t{ms / 1000, (ms % 1000) * 1'000'000};
    while (::nanosleep(&t, &t) != 0) {
    }
}

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    Stall();
    static const auto real = Next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    Stall();
    static const auto real = Next<int (*)(int)>("fdatasync");
    return real(fd);
}
