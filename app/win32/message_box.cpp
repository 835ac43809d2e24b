#include "app/win32/message_box.h"

#include <string>

#include "res/win32/resource.h"
#include "ui/win32/wide_text.h"

Win32MessageBoxHook::Win32MessageBoxHook(const HWND* owner)
    : m_previous(
          platform::SetMessageBoxHook([owner](std::string_view text, std::string_view details) {
              // The first line stays exactly as the system words it; the details go beneath.
              std::wstring body = ui::win32::Widen(text);
              if (!details.empty())
                  body += L"\n\n" + ui::win32::Widen(details);
              const std::wstring title = ui::win32::LoadResourceString(AFX_IDS_APP_TITLE);
              const HWND parent = owner && *owner && ::IsWindow(*owner) ? *owner : nullptr;
              ::MessageBoxW(parent, body.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
          })) {}

Win32MessageBoxHook::~Win32MessageBoxHook() {
    platform::SetMessageBoxHook(std::move(m_previous));
}
