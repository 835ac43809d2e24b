#include "app/message_box_qt.h"

#include <QMessageBox>

#include "platform/access_hint.h"
#include "settings/app_settings.h"

namespace {

constexpr std::string_view kAccessDenied = "COM can not be accessed";

}  // namespace

QtMessageBoxHook::QtMessageBoxHook(QPointer<QWidget>* parent)
    : m_previous(platform::SetMessageBoxHook([parent](std::string_view text,
                                                      std::string_view details) {
          // A box of the OK type without an icon of its own gets the exclamation mark, as the
          // framework's message box adds it.
          QMessageBox box(QMessageBox::Warning, QStringLiteral("Kven"),
                          QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                          QMessageBox::Ok, parent ? parent->data() : nullptr);
          // The text stays exactly as it is; the hint goes beneath it.
          if (!details.empty()) {
              box.setDetailedText(
                  QString::fromUtf8(details.data(), static_cast<qsizetype>(details.size())));
          } else if (text == kAccessDenied) {
              box.setDetailedText(QString::fromStdString(platform::AccessHint(AppSettings.port)));
          }
          box.exec();
      })) {}

QtMessageBoxHook::~QtMessageBoxHook() {
    platform::SetMessageBoxHook(std::move(m_previous));
}
