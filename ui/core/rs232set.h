// CRS232SET, the programming dialog (template 133), apart from any toolkit: the operator picks
// the port and line settings and the image, starts a Program or EEP Sum job, and watches it to
// its result. This is the whole of the dialog's behaviour: its states and the controls each
// enables and shows, the data exchange with AppSettings, the texts, the job's messages, the
// choice of image, the focus and the close question. A view (DialogWindow) shows template 133
// and forwards what happens to it; it decides nothing.
//
// States: Idle (after Create and after each result), Running (from a start command), Showing
// result (the result's box is open; the controls are still those of Running and the job is
// not yet released) and Closed (the window may close; the job's late messages are dropped).
//
// Threading: everything here runs on the GUI thread, the thread of the window. The job
// reaches the dialog only through the window's message target (DialogWindow::Handle), whose
// handlers call WindowProc on that thread, from the event loop or from any modal loop (a box,
// the file dialog, the close question).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "platform/message_target.h"
#include "platform/win_types.h"
#include "ui/core/dialog_controls.h"
#include "ui/core/dialog_window.h"

class CRS232SET {
  public:
    enum class State { Idle, Running, ShowingResult, Closed };

    // The job operations the dialog calls; StartJob and EndJob unless a test replaces them.
    struct JobApi {
        std::function<int(platform::HWND dialog, int mode)> start;
        std::function<void()> end;
    };

    CRS232SET();
    // Does not touch a running job.
    ~CRS232SET();
    CRS232SET(const CRS232SET&) = delete;
    CRS232SET& operator=(const CRS232SET&) = delete;

    // Binds the dialog to the window that shows template 133 and initialises it, as the
    // window's WM_INITDIALOG does. `window` must outlive the dialog's use of it.
    BOOL Create(ui::DialogWindow& window);

    void SetJobApi(JobApi api) { m_job = std::move(api); }

    // What the window forwards.
    // WM_COMMAND from control `id` (IDOK is the Program button's id).
    void OnCommand(int id, ui::Notify code = ui::Notify::Clicked);
    // WM_JOB_STATUS and WM_JOB_DONE; other messages return 0.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The main window is asked to close: true when it may. While a job runs the operator is
    // asked first; Yes ends the job (its port released) before returning true.
    bool OnCloseRequest();
    // Files dragged over the window: whether a drop of them would be taken.
    bool CanDropFiles(std::span<const std::string> paths) const;
    // Files dropped on the window (WM_DROPFILES): one image file sets the path as LOAD does.
    // Returns whether the drop was taken.
    bool OnDropFiles(std::span<const std::string> paths);

    BOOL OnInitDialog();
    void OnProgram();
    void OnLoad();
    void OnEepSum();
    LRESULT OnJobStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);
    bool UpdateData(bool saveAndValidate = true);

    State GetState() const { return m_state; }
    // The job's message target, the window's handle.
    platform::HWND Handle() const { return m_window ? m_window->Handle() : nullptr; }

    // Bound members, in the order of the data exchange's declarations.
    std::int32_t m_nTotal = 0;
    ui::CComboBox m_cmbPort;
    ui::CComboBox m_cmbBaudRate;
    ui::CComboBox m_cmbParity;
    ui::CComboBox m_cmbStopBits;
    ui::CComboBox m_cmbDataBits;
    std::string m_strFile;
    ui::CProgressCtrl m_ctlProgress;
    std::string m_strStatus;
    std::string m_strLdVer;
    std::string m_strCheckSum;
    ui::CButton m_btnProgram;
    ui::CButton m_btnLoad;
    ui::CStatic m_stcProgramNote;
    ui::CStatic m_stcResult;
    ui::CStatic m_stcEepNote;
    ui::CButton m_btnEepSum;

  private:
    void DoDataExchange(bool saveAndValidate);
    void AttachControls();
    void FillPortList();
    void OnSelChangePort();
    void OnChangeFile();
    void StartCommand(int mode);
    void StoreSelections();
    // A path chosen with LOAD or dropped: into the path box, and the focus back to Program.
    void TakeImagePath(std::string path);
    void ShowResult(WORD code);
    void RestoreControls();
    // The controls a job locks: enabled, and the notes shown, only while no job runs. (The path
    // box is read-only meanwhile, set apart since it takes the focus.)
    void SetIdleControls(bool idle);

    ui::DialogWindow* m_window = nullptr;
    ui::CEdit m_editFile;
    ui::CEdit m_editStatus;
    ui::CStatic m_stcLdVer;
    ui::CStatic m_stcCheckSum;
    JobApi m_job;
    State m_state = State::Idle;
    // The close question is open; a result that arrives meanwhile waits for its answer.
    bool m_asking = false;
    // The file dialog is open.
    bool m_choosing = false;
    std::optional<LPARAM> m_deferredDone;
};
