#include "platform/window_target.h"

#include <windows.h>

namespace platform {

namespace {

// The system's window handle; inside this namespace HWND is the message target.
::HWND AsHwnd(void* window) {
    return static_cast<::HWND>(window);
}

}  // namespace

WindowTarget::WindowTarget(Handler handler)
    : handler_(std::move(handler)), drained_(::CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

WindowTarget::~WindowTarget() {
    if (drained_)
        ::CloseHandle(drained_);
}

void WindowTarget::Attach(void* window) {
    std::lock_guard lock(mutex_);
    window_ = window;
}

void* WindowTarget::Window() const {
    std::lock_guard lock(mutex_);
    return window_;
}

bool WindowTarget::Cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelDepth_ > 0;
}

LRESULT WindowTarget::Deliver(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A sender on another thread that is being released gets its answer without the handler:
    // the owner is inside CancelSends, in the middle of ending the job.
    if (::InSendMessage() && Cancelled())
        return 0;
    return HandleMessage(msg, wParam, lParam);
}

LRESULT WindowTarget::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return handler_ ? handler_(msg, wParam, lParam) : 0;
}

LRESULT WindowTarget::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsOwnerThread()) {
        const ::HWND window = AsHwnd(Window());
        return window ? ::SendMessageA(window, msg, wParam, lParam) : 0;
    }
    ::HWND window;
    {
        std::lock_guard lock(mutex_);
        window = AsHwnd(window_);
        if (!window || cancelDepth_ > 0)
            return 0;
        if (++inFlight_ == 1)
            ::ResetEvent(drained_);
    }
    const LRESULT result = ::SendMessageA(window, msg, wParam, lParam);
    std::lock_guard lock(mutex_);
    if (--inFlight_ == 0)
        ::SetEvent(drained_);
    return result;
}

void WindowTarget::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
    // A full queue (ten thousand messages) would drop it; the job posts a handful per second.
    if (const ::HWND window = AsHwnd(Window()))
        ::PostMessageA(window, msg, wParam, lParam);
}

void WindowTarget::CancelSends() {
    {
        std::lock_guard lock(mutex_);
        ++cancelDepth_;
    }
    if (IsOwnerThread())
        DrainSends();
}

void WindowTarget::ResumeSends() {
    std::lock_guard lock(mutex_);
    if (cancelDepth_ > 0)
        --cancelDepth_;
}

void WindowTarget::DrainSends() {
    for (;;) {
        // Serving the sent messages already queued answers them (Deliver sees the cancel).
        MSG message;
        ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        {
            std::lock_guard lock(mutex_);
            if (inFlight_ == 0)
                return;
        }
        // Wakes for the last sender's return or for a message sent meanwhile; no CPU spent.
        ::MsgWaitForMultipleObjectsEx(1, &drained_, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace platform
