#include "app/message_box_qt.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QMessageBox>

#include "platform/com_ports.h"
#include "settings/app_settings.h"

namespace {

constexpr std::string_view kAccessDenied = "COM can not be accessed";

}  // namespace

QtMessageBoxHook::QtMessageBoxHook(QPointer<QWidget>* parent)
    : m_previous(platform::SetMessageBoxHook([parent](std::string_view text) {
          // A box of the OK type without an icon of its own gets the exclamation mark, as the
          // framework's message box adds it.
          QMessageBox box(QMessageBox::Warning, QStringLiteral("Kven"),
                          QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                          QMessageBox::Ok, parent ? parent->data() : nullptr);
          // The text stays exactly as it is; the hint goes beneath it.
          if (text == kAccessDenied) {
              box.setDetailedText(QString::fromStdString(AccessHint(AppSettings.port)));
          }
          box.exec();
      })) {}

QtMessageBoxHook::~QtMessageBoxHook() {
    platform::SetMessageBoxHook(std::move(m_previous));
}

std::string AccessHint(int port) {
    const std::string com = "COM" + std::to_string(port);
    const std::string device = platform::ComDevicePath(port);
    if (device.empty())
        return com + " names no device.";
    std::string hint = com + " is " + device + ".\n";
    if (::access(device.c_str(), R_OK | W_OK) != 0) {
        struct stat st {};
        const group* owner = ::stat(device.c_str(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
        const std::string name = owner ? owner->gr_name : "dialout";
        hint += "You may not read and write it. Members of the group \"" + name +
                "\" may; join it with\n    sudo usermod -aG " + name + " $USER\nand log in again.";
    } else {
        hint += "Another program is using it; close that program and try again.";
    }
    return hint;
}
