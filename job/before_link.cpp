#include "job/before_link.h"

namespace {
BeforeLinkStep& Step() {
    static BeforeLinkStep step;
    return step;
}
}  // namespace

void SetBeforeLinkStep(BeforeLinkStep step) {
    Step() = std::move(step);
}

bool RunBeforeLinkStep(CSerialPort& port) {
    return !Step() || Step()(port);
}
