// A window's message target on Windows: the job's messages are real window messages to the
// window's handle, sent with SendMessageA and posted with PostMessageA, so Windows hands them
// to the window procedure on the window's thread, from its message loop or from any modal loop
// (a message box, the file dialog). The window procedure passes them on with Deliver.
//
// Threading: constructed, attached, detached and destroyed on the window's thread (the owner).
// Send and Post may be called from any thread; a send from another thread waits in
// SendMessageA until the window's thread has handled it. CancelSends on the owner thread
// returns only when no such wait is left: it keeps serving sent messages meanwhile, and the
// job's sent messages are then answered with 0 without the handler running. New sends from
// other threads return 0 at once until ResumeSends. CancelSends from another thread only
// refuses new sends and has waiting ones answered with 0 when the window's thread serves them.
// The owner ends every job that uses the target before it detaches or destroys it.
#pragma once

#include <functional>
#include <mutex>

#include "platform/message_target.h"

namespace platform {

class WindowTarget : public MessageTarget {
  public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

    explicit WindowTarget(Handler handler);
    ~WindowTarget() override;

    // The window (an HWND) that carries the messages from now on; null: none, and messages
    // are dropped.
    void Attach(void* window);
    void* Window() const;

    // For the window procedure: a message that Send or Post carried. Runs the handler, unless
    // it was sent from another thread while sends are cancelled (then 0).
    LRESULT Deliver(UINT msg, WPARAM wParam, LPARAM lParam);

    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Post(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void CancelSends() override;
    void ResumeSends() override;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    bool Cancelled() const;
    // Serves sent messages on the owner thread until no other thread waits in SendMessageA.
    void DrainSends();

    Handler handler_;
    mutable std::mutex mutex_;
    void* window_ = nullptr;
    int cancelDepth_ = 0;
    int inFlight_ = 0;  // other threads inside SendMessageA to the window
    void* drained_;     // a manual-reset event, set while inFlight_ is 0
};

}  // namespace platform
