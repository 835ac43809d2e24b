// The job's messages as real window messages: a WindowTarget on a window of this thread, with
// senders and posters on other threads. Above all, releasing a job never waits on a thread
// that waits on the window: CancelSends on the window's thread returns while a sender is stuck
// in SendMessageA, and that sender gets 0 without the handler running.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "job/job_messages.h"
#include "platform/window_target.h"
#include "ui/win32/windows_api.h"

namespace {

constexpr DWORD kGenerousMs = 20000;

// A message-only window whose procedure hands the job's messages to its target.
class TargetWindow {
  public:
    explicit TargetWindow(platform::WindowTarget::Handler handler) : target(std::move(handler)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TargetWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KvenTestTargetWindow";
        ::RegisterClassExW(&wc);  // already registered by an earlier test: fine
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&target));
        target.Attach(hwnd);
    }
    ~TargetWindow() {
        target.Attach(nullptr);
        ::DestroyWindow(hwnd);
    }

    // Runs the message loop until `done` holds or the time-out passes; true when it held.
    template <typename Done>
    bool PumpUntil(Done done) {
        const ULONGLONG deadline = ::GetTickCount64() + kGenerousMs;
        while (!done()) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return false;
            ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now),
                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
        }
        return true;
    }

    platform::WindowTarget target;
    HWND hwnd = nullptr;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* t =
            reinterpret_cast<platform::WindowTarget*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (t && (msg == WM_JOB_STATUS || msg == WM_JOB_DONE))
            return t->Deliver(msg, wParam, lParam);
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

// Waits, without serving it, until a message sent by another thread is pending for this one.
bool WaitForPendingSend() {
    return ::MsgWaitForMultipleObjectsEx(0, nullptr, kGenerousMs, QS_SENDMESSAGE,
                                         MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

TEST(WindowTarget, SendFromAThreadRunsOnTheWindowsThreadAndReturnsItsResult) {
    const DWORD owner = ::GetCurrentThreadId();
    std::atomic<DWORD> handledOn{0};
    TargetWindow window([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        handledOn = ::GetCurrentThreadId();
        return msg == WM_JOB_STATUS ? static_cast<LRESULT>(wParam) + lParam : 0;
    });
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = SendMessageA(&window.target, WM_JOB_STATUS, 40, 2); });
    EXPECT_TRUE(window.PumpUntil([&] { return handledOn.load() != 0; }));
    sender.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(handledOn.load(), owner);
    // From the window's own thread the handler runs at once.
    EXPECT_EQ(window.target.Send(WM_JOB_STATUS, 1, 1), 2);
}

TEST(WindowTarget, PostedMessagesArriveInOrderOnTheWindowsThread) {
    std::vector<LPARAM> seen;
    TargetWindow window([&](UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg == WM_JOB_DONE)
            seen.push_back(lParam);
        return 1;
    });
    std::thread poster([&] {
        for (LPARAM i = 0; i < 200; ++i)
            PostMessageA(&window.target, WM_JOB_DONE, 0, i);
    });
    poster.join();
    EXPECT_TRUE(window.PumpUntil([&] { return seen.size() == 200; }));
    for (LPARAM i = 0; i < static_cast<LPARAM>(seen.size()); ++i)
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
}

// EndJob's case: the window's thread does not serve messages (it is ending the job) while a
// port thread waits in SendMessageA. CancelSends must release it, and later sends return at
// once, until ResumeSends.
TEST(WindowTarget, CancelSendsReleasesASenderThatWaitsOnTheWindow) {
    std::atomic<int> handled{0};
    TargetWindow window([&](UINT, WPARAM, LPARAM) -> LRESULT {
        ++handled;
        return 7;
    });
    std::atomic<LRESULT> result{-1};
    std::thread sender([&] { result = window.target.Send(WM_JOB_STATUS, 1, 0); });
    ASSERT_TRUE(WaitForPendingSend());

    window.target.CancelSends();
    // Returned: the sender is no longer waiting on this thread.
    sender.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(handled.load(), 0);

    std::thread late([&] { result = window.target.Send(WM_JOB_STATUS, 1, 0); });
    late.join();  // never waits on this thread, which is not serving messages
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(handled.load(), 0);

    window.target.ResumeSends();
    std::thread resumed([&] { result = window.target.Send(WM_JOB_STATUS, 1, 0); });
    EXPECT_TRUE(window.PumpUntil([&] { return handled.load() == 1; }));
    resumed.join();
    EXPECT_EQ(result.load(), 7);
}

// Many senders at once, as the port's reader and writer threads: each is released, none runs
// the handler after the cancel, and the posts already queued are still delivered.
TEST(WindowTarget, CancelSendsReleasesEverySenderAndKeepsThePosts) {
    std::atomic<bool> cancelled{false};
    std::atomic<int> handledAfterCancel{0};
    std::atomic<int> done{0};
    TargetWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_JOB_DONE)
            ++done;
        else if (cancelled)
            ++handledAfterCancel;
        return 1;
    });
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (int i = 0; i < 4; ++i) {
        senders.emplace_back([&] {
            while (!stop)
                window.target.Send(WM_JOB_STATUS, 1, 0);
        });
    }
    ASSERT_TRUE(WaitForPendingSend());
    window.target.Post(WM_JOB_DONE, 0, 1);
    cancelled = true;
    window.target.CancelSends();
    stop = true;
    for (std::thread& t : senders)
        t.join();
    EXPECT_EQ(handledAfterCancel.load(), 0);
    EXPECT_TRUE(window.PumpUntil([&] { return done.load() == 1; }));
    window.target.ResumeSends();
}

TEST(WindowTarget, WithoutAWindowMessagesAreDropped) {
    std::atomic<int> handled{0};
    platform::WindowTarget target([&](UINT, WPARAM, LPARAM) -> LRESULT {
        ++handled;
        return 1;
    });
    std::thread sender([&] {
        EXPECT_EQ(target.Send(WM_JOB_STATUS, 0, 0), 0);
        target.Post(WM_JOB_DONE, 0, 1);
    });
    sender.join();
    EXPECT_EQ(target.Send(WM_JOB_STATUS, 0, 0), 0);
    EXPECT_EQ(handled.load(), 0);
}

}  // namespace
