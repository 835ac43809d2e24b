// No way to ask for the lock states in this build.
#include "app/lock_state.h"

std::optional<LockStates> QueryLockStates() {
    return std::nullopt;
}
