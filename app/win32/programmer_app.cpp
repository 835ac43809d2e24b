#include "app/win32/programmer_app.h"

#include <commctrl.h>
#include <ole2.h>

#include "app/win32/about_dlg.h"
#include "res/win32/resource.h"
#include "ui/win32/wide_text.h"

CProgrammerApp::CProgrammerApp() : m_messageBox(&m_mainHwnd) {}

CProgrammerApp::~CProgrammerApp() {
    m_pMainWnd.reset();
    if (m_oleInitialised)
        ::OleUninitialize();
}

BOOL CProgrammerApp::InitInstance() {
    // The dialog holds a progress bar, and the frame a status bar.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The file dialog's shell parts want the thread in a single-threaded apartment.
    if (FAILED(::OleInitialize(nullptr))) {
        AfxMessageBox(ui::win32::Narrow(ui::win32::LoadResourceString(IDS_OLE_INIT_FAILED)));
        return FALSE;
    }
    m_oleInitialised = true;

    m_pMainWnd = std::make_unique<CMainFrame>([this] { OnAbout(); });
    if (!m_pMainWnd->LoadFrame(IDR_MAINFRAME)) {
        m_pMainWnd.reset();
        return FALSE;
    }
    m_mainHwnd = m_pMainWnd->GetSafeHwnd();
    ::ShowWindow(m_mainHwnd, SW_SHOW);
    ::UpdateWindow(m_mainHwnd);
    return TRUE;
}

int CProgrammerApp::Run() {
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
        if (!m_pMainWnd || !m_pMainWnd->PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (m_pMainWnd)
            m_pMainWnd->AfterMessage(msg);
    }
    m_mainHwnd = nullptr;
    return got == -1 ? 1 : static_cast<int>(msg.wParam);
}

void CProgrammerApp::OnAbout() {
    CAboutDlg about;
    about.DoModal(m_mainHwnd);
}
