// A message target that records every message it handles, for tests.
//
// Threading: as MessageTarget; the recording is read on the owner thread.
#pragma once

#include <functional>
#include <vector>

#include "platform/message_target.h"

namespace testing_support {

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingTarget : public platform::MessageTarget {
  public:
    std::vector<Message> messages;
    std::function<void(const Message&)> onMessage;

    // Pumps until a message `msg` has been handled, or the time-out passes.
    bool WaitFor(UINT msg, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return RunUntil([&] { return Count(msg) > 0; }, timeout);
    }
    std::size_t Count(UINT msg) const {
        std::size_t n = 0;
        for (const Message& m : messages)
            n += m.msg == msg;
        return n;
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        messages.push_back({msg, wParam, lParam});
        if (onMessage)
            onMessage(messages.back());
        return 0;
    }
};

}  // namespace testing_support
