// The dialog's set-up, data exchange, commands, image choice and closing.
#include "ui/core/rs232set.h"

#include <utility>

#include "job/job_control.h"
#include "job/job_messages.h"
#include "platform/com_ports.h"
#include "settings/app_settings.h"
#include "ui/core/choice_tables.h"
#include "ui/core/dialog_texts.h"
#include "ui/core/image_choice.h"
#include "ui/core/job_texts.h"
#include "ui/core/rs232set_template.h"

using namespace ui;

namespace {

// Adds a table's rows to its list and selects the row whose value matches the setting; a
// setting that matches no row leaves the list without a selection.
template <typename Value, std::size_t N>
void FillList(const CComboBox& list, const std::array<Choice<Value>, N>& table, Value setting) {
    for (std::size_t i = 0; i < N; ++i) {
        list.AddString(table[i].text);
        if (table[i].value == setting)
            list.SetCurSel(static_cast<int>(i));
    }
}

// A list without a selection keeps the setting as it was loaded; no index outside the table
// is ever read.
template <typename Value, std::size_t N, typename Field>
void StoreSelection(const CComboBox& list, const std::array<Choice<Value>, N>& table,
                    Field& field) {
    if (const auto value = ChoiceValue(table, list.GetCurSel()))
        field = *value;
}

// What the port list shows for COM `n`: the device behind the number.
std::string PortTip(int n) {
    const std::string device = platform::ComDevicePath(n);
    return device.empty() ? kTipNoDevice : device;
}

}  // namespace

CRS232SET::CRS232SET() : m_job{&StartJob, &EndJob} {}

CRS232SET::~CRS232SET() = default;

BOOL CRS232SET::Create(DialogWindow& window) {
    m_window = &window;
    AttachControls();
    OnInitDialog();
    return TRUE;
}

void CRS232SET::AttachControls() {
    m_cmbPort.Attach(*m_window, IDC_PORT);
    m_cmbBaudRate.Attach(*m_window, IDC_BAUDRATE);
    m_cmbParity.Attach(*m_window, IDC_PARITY);
    m_cmbStopBits.Attach(*m_window, IDC_STOPBITS);
    m_cmbDataBits.Attach(*m_window, IDC_DATABITS);
    m_editFile.Attach(*m_window, IDC_FILE);
    m_ctlProgress.Attach(*m_window, IDC_PROGRESS);
    m_editStatus.Attach(*m_window, IDC_STATUS);
    m_stcLdVer.Attach(*m_window, IDC_LDVER);
    m_stcCheckSum.Attach(*m_window, IDC_CHECKSUM);
    m_btnProgram.Attach(*m_window, IDC_PROGRAM);
    m_btnLoad.Attach(*m_window, IDC_LOAD);
    m_stcProgramNote.Attach(*m_window, IDC_PROGRAM_NOTE);
    m_stcResult.Attach(*m_window, IDC_RESULT);
    m_stcEepNote.Attach(*m_window, IDC_EEPSUM_NOTE);
    m_btnEepSum.Attach(*m_window, IDC_EEPSUM);
}

void CRS232SET::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strFile = m_editFile.GetWindowText();
        m_strStatus = m_editStatus.GetWindowText();
        m_strLdVer = m_stcLdVer.GetWindowText();
        m_strCheckSum = m_stcCheckSum.GetWindowText();
        return;
    }
    m_editFile.SetWindowText(m_strFile);
    // A long path is cut in its box; its tool tip shows it whole.
    m_editFile.SetToolTip(m_strFile);
    m_editStatus.SetWindowText(m_strStatus);
    m_stcLdVer.SetWindowText(m_strLdVer);
    m_stcCheckSum.SetWindowText(m_strCheckSum);
}

bool CRS232SET::UpdateData(bool saveAndValidate) {
    if (!m_window)
        return false;
    DoDataExchange(saveAndValidate);
    return true;
}

void CRS232SET::FillPortList() {
    for (int n = 1; n <= kPortCount; ++n) {
        const int index = m_cmbPort.AddString("COM" + std::to_string(n));
        m_cmbPort.SetItemToolTip(index, PortTip(n));
        if (AppSettings.port == n)
            m_cmbPort.SetCurSel(index);
    }
    OnSelChangePort();
}

BOOL CRS232SET::OnInitDialog() {
    UpdateData(false);
    FillPortList();
    FillList(m_cmbBaudRate, BaudRateTable, AppSettings.baudRate);
    FillList(m_cmbDataBits, DataBitsTable, AppSettings.byteSize);
    FillList(m_cmbParity, ParityTable, AppSettings.parity);
    FillList(m_cmbStopBits, StopBitsTable, AppSettings.stopBits);
    m_strFile = AppSettings.tranFile;
    m_nTotal = 0;
    m_strLdVer = kTextLdVer;
    m_strCheckSum = kTextCheckSum;
    m_stcProgramNote.ShowWindow(true);
    m_stcResult.ShowWindow(false);
    const bool showEepSum = AppSettings.eepsumShowEnable != 0;
    m_stcEepNote.ShowWindow(showEepSum);
    m_btnEepSum.ShowWindow(showEepSum);
    m_btnProgram.SetToolTip(kTipProgram);
    m_btnEepSum.SetToolTip(kTipEepSum);
    m_btnLoad.SetToolTip(kTipLoad);
    UpdateData(false);
    m_state = State::Idle;
    // Enter starts a Program job from the first moment.
    m_btnProgram.SetFocus();
    return FALSE;  // the focus is set
}

void CRS232SET::OnCommand(int id, Notify code) {
    switch (id) {
        case IDC_PROGRAM:
            if (code == Notify::Clicked)
                OnProgram();
            break;
        case IDC_LOAD:
            if (code == Notify::Clicked)
                OnLoad();
            break;
        case IDC_EEPSUM:
            if (code == Notify::Clicked)
                OnEepSum();
            break;
        case IDC_PORT:
            if (code == Notify::SelChange)
                OnSelChangePort();
            break;
        case IDC_FILE:
            if (code == Notify::EditChange)
                OnChangeFile();
            break;
        default:
            break;
    }
}

void CRS232SET::OnSelChangePort() {
    // The closed list shows the device of the chosen number too.
    const int index = m_cmbPort.GetCurSel();
    m_cmbPort.SetToolTip(index < 0 ? std::string() : PortTip(index + 1));
}

void CRS232SET::OnChangeFile() {
    m_editFile.SetToolTip(m_editFile.GetWindowText());
}

void CRS232SET::OnProgram() {
    StartCommand(kModeProgram);
}

void CRS232SET::OnEepSum() {
    StartCommand(kModeEepSum);
}

void CRS232SET::StartCommand(int mode) {
    // One job at a time: an OK command that reaches the dialog by another route than the
    // disabled button must not start a second one over the first.
    if (m_state != State::Idle)
        return;
    UpdateData(true);
    // The focus leaves the button before it is disabled, for the path box, which shows the
    // running job's image and can no longer be changed.
    m_editFile.SetReadOnly(true);
    m_editFile.SetFocus();
    SetIdleControls(false);
    m_state = State::Running;

    StoreSelections();
    SaveSettings();
    m_ctlProgress.ShowWindow(true);

    if (!m_job.start(Handle(), mode)) {
        // Restored later through the ordinary result path.
        PostMessageA(Handle(), WM_JOB_DONE, 0, JobDoneLParam(kResultStartFailed));
    }
}

void CRS232SET::StoreSelections() {
    // No selection gives port 0, which names no device; the start then fails with its message.
    AppSettings.port = m_cmbPort.GetCurSel() + 1;
    StoreSelection(m_cmbBaudRate, BaudRateTable, AppSettings.baudRate);
    StoreSelection(m_cmbDataBits, DataBitsTable, AppSettings.byteSize);
    StoreSelection(m_cmbParity, ParityTable, AppSettings.parity);
    StoreSelection(m_cmbStopBits, StopBitsTable, AppSettings.stopBits);
    AppSettings.tranFile = m_strFile;
}

void CRS232SET::OnLoad() {
    if (m_state != State::Idle || m_choosing)
        return;
    m_choosing = true;
    std::optional<std::string> path = m_window->GetOpenFileName(ImageFileRequest(m_strFile));
    m_choosing = false;
    if (path) {
        TakeImagePath(std::move(*path));
    } else {
        m_btnProgram.SetFocus();
    }
}

bool CRS232SET::CanDropFiles(std::span<const std::string> paths) const {
    return m_state == State::Idle && !m_choosing && DroppedImage(paths).has_value();
}

bool CRS232SET::OnDropFiles(std::span<const std::string> paths) {
    if (!CanDropFiles(paths))
        return false;
    TakeImagePath(*DroppedImage(paths));
    return true;
}

void CRS232SET::TakeImagePath(std::string path) {
    // The settings and the INI file take it at the next start.
    m_strFile = std::move(path);
    UpdateData(false);
    m_btnProgram.SetFocus();
}

bool CRS232SET::OnCloseRequest() {
    switch (m_state) {
        case State::Closed:
            return true;
        case State::Idle:
            // Not from under the file dialog, which returns into this dialog.
            if (m_choosing)
                return false;
            m_state = State::Closed;
            return true;
        case State::ShowingResult:
            // The result's box is open and modal; it is closed first.
            return false;
        case State::Running:
            break;
    }
    if (m_asking)
        return false;
    m_asking = true;
    const bool stop = m_window->AskYesNo(kCloseQuestion);
    m_asking = false;
    const std::optional<LPARAM> deferred = std::exchange(m_deferredDone, std::nullopt);
    if (!stop) {
        // The job goes on; a result that came while the question was open is shown now.
        if (deferred)
            OnJobDone(0, *deferred);
        return false;
    }
    // Closed first, so that nothing the ending job still delivers shows a box.
    m_state = State::Closed;
    m_job.end();
    return true;
}
