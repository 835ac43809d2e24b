// A window's message target on the Qt event loop: messages sent or posted from any thread are
// handled on the GUI thread by a Pump scheduled through the event loop, so modal loops (message
// boxes, file dialogs) keep serving them.
//
// Threading: constructed, detached and destroyed on the GUI thread, which owns `context`.
// Send and Post may come from any thread while `context` is alive; the owner of the target
// must make sure that no other thread uses it once destruction begins (the dialog ends its
// job first).
#pragma once

#include <QObject>
#include <functional>

#include "platform/message_target.h"

namespace ui {

class QtMessageTarget : public platform::MessageTarget {
  public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

    QtMessageTarget(QObject& context, Handler handler);

    // From now on messages are taken from the queue and dropped unhandled.
    void Detach() { handler_ = nullptr; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void WakeOwner() override;

  private:
    QObject& context_;
    Handler handler_;
};

}  // namespace ui
