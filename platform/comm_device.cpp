#include "platform/comm_device.h"

#include <cstring>
#include <mutex>

namespace platform {

DWORD DcbFlags(const DCB& dcb) {
    DWORD flags = 0;
    std::memcpy(&flags, reinterpret_cast<const unsigned char*>(&dcb) + 2 * sizeof(DWORD),
                sizeof flags);
    return flags;
}

namespace {
std::mutex& FactoryLock() {
    static std::mutex m;
    return m;
}
CommDeviceFactory& Factory() {
    static CommDeviceFactory f;
    return f;
}
}  // namespace

std::unique_ptr<CommDevice> CreateCommDevice() {
    CommDeviceFactory f;
    {
        std::lock_guard lock(FactoryLock());
        f = Factory();
    }
    if (f)
        return f();
    return CreateSystemCommDevice();
}

void SetCommDeviceFactory(CommDeviceFactory factory) {
    std::lock_guard lock(FactoryLock());
    Factory() = std::move(factory);
}

}  // namespace platform
