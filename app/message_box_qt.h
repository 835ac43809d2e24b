// The message box of the desktop program: a modal QMessageBox titled "Kven" with an OK button
// and the exclamation icon, never narrower than its title, with a failure's details beneath
// its text. Its modal loop keeps the event loop running, so messages sent by the port threads
// are still handled while it is open.
//
// Threading: GUI thread (the job's message boxes are shown on its dialog's thread).
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/message_box.h"

// Installs the Qt box as AfxMessageBox's hook for its lifetime; `parent` centres the boxes.
class QtMessageBoxHook {
  public:
    explicit QtMessageBoxHook(QPointer<QWidget>* parent);
    ~QtMessageBoxHook();
    QtMessageBoxHook(const QtMessageBoxHook&) = delete;
    QtMessageBoxHook& operator=(const QtMessageBoxHook&) = delete;

  private:
    platform::MessageBoxHook m_previous;
};
