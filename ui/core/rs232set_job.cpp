// The dialog's side of a running job: status texts, the progress bar and the result.
#include <initializer_list>

#include "job/job_messages.h"
#include "platform/message_box.h"
#include "ui/core/job_texts.h"
#include "ui/core/rs232set.h"
#include "ui/core/rs232set_template.h"

using namespace ui;

LRESULT CRS232SET::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_JOB_STATUS)
        return OnJobStatus(wParam, lParam);
    if (msg == WM_JOB_DONE)
        return OnJobDone(wParam, lParam);
    return 0;
}

LRESULT CRS232SET::OnJobStatus(WPARAM wParam, LPARAM lParam) {
    if (m_state == State::Closed)
        return 0;
    const JobStatus status = DecodeJobStatus(wParam, lParam);
    const auto value = static_cast<std::int32_t>(status.value);
    // The write and checksum positions come once per packet while a port thread waits: one
    // bar update, at most one format and one refresh.
    switch (status.kind) {
        case kStatusFileLength:
            m_nTotal = value;
            m_ctlProgress.SetRange32(0, value);
            return 0;
        case kStatusWritePos:
            m_ctlProgress.SetPos(value);
            m_strStatus = PositionText(value, m_nTotal);
            break;
        case kStatusEraseBegun:
            m_strStatus = kTextEraseBlank;
            break;
        case kStatusLoaderVersion:
            m_strLdVer = VersionText(status.extra, status.letter(), status.packetSize());
            break;
        case kStatusWaitLink:
            m_strStatus = kTextWaitLink;
            break;
        case kStatusFileChecksum:
            m_strCheckSum = ChecksumText(status.extra);
            break;
        case kStatusEraseRange:
        case kStatusChecksumLength:
            m_ctlProgress.SetRange32(0, value);
            return 0;
        case kStatusEraseProgress:
        case kStatusChecksumPos:
            m_ctlProgress.SetPos(value);
            break;
        case kStatusBurnChecksum:
            m_strStatus = kTextBurnChecksum;
            break;
        default:
            return 0;
    }
    UpdateData(false);
    return 0;
}

LRESULT CRS232SET::OnJobDone(WPARAM, LPARAM lParam) {
    // A closed dialog drops what its ended job still delivers, and a job ends once: nothing
    // more is taken while its result's box is open.
    if (m_state == State::Closed || m_state == State::ShowingResult)
        return 1;
    if (m_asking) {
        if (!m_deferredDone)
            m_deferredDone = lParam;
        return 1;
    }
    if (const JobDone done = DecodeJobDone(lParam); done.marked())
        ShowResult(done.code);
    RestoreControls();
    m_state = State::Idle;
    m_job.end();
    // Enter starts the next job.
    m_btnProgram.SetFocus();
    return 1;
}

void CRS232SET::ShowResult(WORD code) {
    // The box is modal and keeps the event loop running: status messages still in flight are
    // handled meanwhile, and the controls stay as they were while it is open.
    if (const char* text = ResultText(code)) {
        m_state = State::ShowingResult;
        AfxMessageBox(text);
    }
    m_stcResult.SetIcon(code == kResultOk ? IDI_RESULT_OK : IDI_RESULT_FAIL);
}

void CRS232SET::RestoreControls() {
    m_ctlProgress.ShowWindow(false);
    m_ctlProgress.SetPos(0);
    SetIdleControls(true);
    m_editFile.SetReadOnly(false);
}

void CRS232SET::SetIdleControls(bool idle) {
    for (const CWndControl* c : std::initializer_list<const CWndControl*>{
             &m_btnProgram, &m_btnLoad, &m_cmbPort, &m_cmbBaudRate, &m_cmbParity, &m_cmbStopBits,
             &m_cmbDataBits}) {
        c->EnableWindow(idle);
    }
    m_stcProgramNote.ShowWindow(idle);
    m_stcResult.ShowWindow(idle);
    m_stcEepNote.EnableWindow(idle);
    m_btnEepSum.EnableWindow(idle);
}
