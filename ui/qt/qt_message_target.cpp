#include "ui/qt/qt_message_target.h"

#include <QMetaObject>

namespace ui {

QtMessageTarget::QtMessageTarget(QObject& context, Handler handler)
    : context_(context), handler_(std::move(handler)) {}

LRESULT QtMessageTarget::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return handler_ ? handler_(msg, wParam, lParam) : 0;
}

void QtMessageTarget::WakeOwner() {
    // Never a blocking connection: the sender waits on the target's own condition, which
    // EndJob can cancel; Qt's blocking wait could not be.
    QMetaObject::invokeMethod(
        &context_, [this] { Pump(); }, Qt::QueuedConnection);
}

}  // namespace ui
