#include "app/message_box_qt.h"

#include "ui/qt/titled_box.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtMessageBoxHook::QtMessageBoxHook(QPointer<QWidget>* parent)
    : m_previous(
          platform::SetMessageBoxHook([parent](std::string_view text, std::string_view details) {
              // A box of the OK type without an icon of its own gets the exclamation mark, as the
              // framework's message box adds it.
              ui::TitledBox box(QMessageBox::Warning, QString::fromLatin1(ui::kBoxTitle),
                                FromUtf8(text), QMessageBox::Ok, parent ? parent->data() : nullptr);
              // The text stays exactly as it is; what was looked for and why it failed go beneath.
              if (!details.empty())
                  box.setDetailedText(FromUtf8(details));
              box.exec();
          })) {}

QtMessageBoxHook::~QtMessageBoxHook() {
    platform::SetMessageBoxHook(std::move(m_previous));
}
