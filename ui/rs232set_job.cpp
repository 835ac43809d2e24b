// The dialog's side of a running job: status texts, the progress bar and the result.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "job/program_job.h"
#include "platform/message_box.h"
#include "res/icons.h"
#include "ui/job_texts.h"
#include "ui/rs232set.h"

void CRS232SET::SetProgressRange(std::int32_t high) {
    // Qt shows a busy animation for an empty range; the Win32 bar shows an empty bar.
    m_ctlProgress->setRange(0, std::max(high, 1));
}

void CRS232SET::SetProgressPos(std::int32_t pos) {
    // Qt ignores a position outside the range; the Win32 bar clamps it.
    m_ctlProgress->setValue(std::clamp(pos, m_ctlProgress->minimum(), m_ctlProgress->maximum()));
}

LRESULT CRS232SET::OnJobStatus(WPARAM wParam, LPARAM lParam) {
    const JobStatus status = DecodeJobStatus(wParam, lParam);
    const auto value = static_cast<std::int32_t>(status.value);
    // The write and checksum positions come once per packet while a port thread waits: one
    // bar update, at most one format and one refresh.
    switch (status.kind) {
        case kStatusFileLength:
            m_nTotal = value;
            SetProgressRange(value);
            return 0;
        case kStatusWritePos:
            SetProgressPos(value);
            m_strStatus = ui::PositionText(value, m_nTotal);
            break;
        case kStatusEraseBegun:
            m_strStatus = QLatin1String(ui::kTextEraseBlank);
            break;
        case kStatusLoaderVersion:
            m_strLdVer = ui::VersionText(status.extra, QChar(status.letter()), status.packetSize());
            break;
        case kStatusWaitLink:
            m_strStatus = QLatin1String(ui::kTextWaitLink);
            break;
        case kStatusFileChecksum:
            m_strCheckSum = ui::ChecksumText(status.extra);
            break;
        case kStatusEraseRange:
        case kStatusChecksumLength:
            SetProgressRange(value);
            return 0;
        case kStatusEraseProgress:
        case kStatusChecksumPos:
            SetProgressPos(value);
            break;
        case kStatusBurnChecksum:
            m_strStatus = QLatin1String(ui::kTextBurnChecksum);
            break;
        default:
            return 0;
    }
    UpdateData(false);
    return 0;
}

LRESULT CRS232SET::OnJobDone(WPARAM, LPARAM lParam) {
    if (const JobDone done = DecodeJobDone(lParam); done.marked()) {
        const WORD code = done.code;
        // The box is modal and keeps the event loop running: status messages still in flight
        // are handled meanwhile, and the controls stay as they were while it is open.
        if (const char* text = ui::ResultText(code))
            AfxMessageBox(text);
        const int icon = code == kResultOk ? res::IDI_RESULT_OK : res::IDI_RESULT_FAIL;
        m_stcResult->setPixmap(res::LoadIconResource(icon).pixmap(res::kLampSize));
    }
    RestoreControls();
    m_job.end();
    return 1;
}

void CRS232SET::RestoreControls() {
    m_ctlProgress->hide();
    m_ctlProgress->setValue(m_ctlProgress->minimum());
    SetIdleControls(true);
}

void CRS232SET::SetIdleControls(bool idle) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_btnProgram, m_btnLoad, m_cmbPort, m_cmbBaudRate,
                                         m_cmbParity, m_cmbStopBits, m_cmbDataBits}) {
        w->setEnabled(idle);
    }
    m_stcProgramNote->setVisible(idle);
    m_stcResult->setVisible(idle);
    m_stcEepNote->setEnabled(idle);
    m_btnEepSum->setEnabled(idle);
}
