// A one-way latch that wakes every poll() on its descriptor: once notified it stays readable,
// so any later wait returns at once. Used to stop the serving thread from any thread.
//
// Threading: Notify and Notified may be called from any thread; Fd is for poll() sets.
#pragma once

#include "platform/unique_fd.h"

namespace sim {

using platform::UniqueFd;

class Wakeup {
  public:
    Wakeup();  // throws std::system_error when no eventfd can be made
    void Notify();
    bool Notified() const;
    int Fd() const { return fd_.Get(); }

  private:
    UniqueFd fd_;
};

}  // namespace sim
