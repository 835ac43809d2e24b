#include "ui/rs232set.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "settings/app_settings.h"
#include "ui/choice_tables.h"
#include "ui/image_file_dialog.h"
#include "ui/job_texts.h"
#include "ui/legible_palette.h"
#include "ui/rs232set_template.h"
#include "ui/rs232set_texts.h"

using namespace ui;

namespace {

template <typename T>
void Attach(const std::vector<DialogControl>& controls, int id, T*& member) {
    member = qobject_cast<T*>(FindControl(controls, id));
    Q_ASSERT(member);
}

void ExchangeText(bool save, QLineEdit* edit, QString& value) {
    if (save) {
        value = edit->text();
    } else if (edit->text() != value) {
        // Setting an unchanged text would still reset the cursor and cost a relayout.
        edit->setText(value);
    }
}

void ExchangeText(bool save, QLabel* label, QString& value) {
    if (save) {
        value = label->text();
    } else if (label->text() != value) {
        label->setText(value);
    }
}

// Adds a table's rows to its list and selects the row whose value matches the setting.
template <typename Value, std::size_t N>
void FillList(CComboBox& list, const std::array<Choice<Value>, N>& table, Value setting) {
    for (std::size_t i = 0; i < N; ++i) {
        list.AddString(QString::fromLatin1(table[i].text));
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

}  // namespace

CRS232SET::CRS232SET(QWidget* parent)
    : QDialog(parent),
      m_target(*this, [this](UINT msg, WPARAM w, LPARAM l) { return WindowProc(msg, w, l); }),
      m_job{&StartJob, &EndJob},
      m_chooseFile(&ChooseImageFile) {}

CRS232SET::~CRS232SET() {
    m_target.Detach();
}

bool CRS232SET::Create(QWidget* parent) {
    // A child window inside the host, not a top-level dialog.
    setParent(parent, Qt::Widget);
    setAutoFillBackground(true);
    m_controls = BuildDialog(*this, kRs232SetTemplate, &Rs232SetListTexts);
    FitControlGroup(m_controls, font(), &Rs232SetFigureTexts);
    KeepTextsLegible();
    move(0, 0);
    setHidden(true);
    OnInitDialog();
    return true;
}

void CRS232SET::KeepTextsLegible() {
    // The status box is disabled for good and the captions while a job runs; the operator
    // still reads them.
    if (QWidget* status = GetDlgItem(IDC_STATUS))
        KeepLegibleWhenDisabled(*status, QPalette::Text, {QPalette::Base, QPalette::Window});
    for (int caption : {IDC_PROGRAM_NOTE, IDC_EEPSUM_NOTE}) {
        if (QWidget* note = GetDlgItem(caption))
            KeepLegibleWhenDisabled(*note, QPalette::WindowText, {QPalette::Window});
    }
}

void CRS232SET::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        KeepTextsLegible();
    QDialog::changeEvent(event);
}

LRESULT CRS232SET::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_JOB_STATUS)
        return OnJobStatus(wParam, lParam);
    if (msg == WM_JOB_DONE)
        return OnJobDone(wParam, lParam);
    return 0;
}

void CRS232SET::OnCommand(int id) {
    switch (id) {
        case IDC_PROGRAM:
            OnProgram();
            break;
        case IDC_LOAD:
            OnLoad();
            break;
        case IDC_EEPSUM:
            OnEepSum();
            break;
        default:
            break;
    }
}

void CRS232SET::accept() {
    OnCommand(IDC_PROGRAM);
}

void CRS232SET::reject() {}

void CRS232SET::ReleaseJob() {
    if (m_job.end)
        m_job.end();
    m_target.Detach();
}

void CRS232SET::AttachControls() {
    Attach(m_controls, IDC_PORT, m_cmbPort);
    Attach(m_controls, IDC_BAUDRATE, m_cmbBaudRate);
    Attach(m_controls, IDC_PARITY, m_cmbParity);
    Attach(m_controls, IDC_STOPBITS, m_cmbStopBits);
    Attach(m_controls, IDC_DATABITS, m_cmbDataBits);
    Attach(m_controls, IDC_FILE, m_editFile);
    Attach(m_controls, IDC_PROGRESS, m_ctlProgress);
    Attach(m_controls, IDC_STATUS, m_editStatus);
    Attach(m_controls, IDC_LDVER, m_stcLdVer);
    Attach(m_controls, IDC_CHECKSUM, m_stcCheckSum);
    Attach(m_controls, IDC_PROGRAM, m_btnProgram);
    Attach(m_controls, IDC_LOAD, m_btnLoad);
    Attach(m_controls, IDC_PROGRAM_NOTE, m_stcProgramNote);
    Attach(m_controls, IDC_RESULT, m_stcResult);
    Attach(m_controls, IDC_EEPSUM_NOTE, m_stcEepNote);
    Attach(m_controls, IDC_EEPSUM, m_btnEepSum);
    for (const DialogControl& c : m_controls) {
        if (auto* button = qobject_cast<QPushButton*>(c.widget)) {
            connect(button, &QPushButton::clicked, this, [this, id = c.id] { OnCommand(id); });
        }
    }
}

void CRS232SET::DoDataExchange(bool saveAndValidate) {
    if (!m_cmbPort)
        AttachControls();
    ExchangeText(saveAndValidate, m_editFile, m_strFile);
    ExchangeText(saveAndValidate, m_editStatus, m_strStatus);
    ExchangeText(saveAndValidate, m_stcLdVer, m_strLdVer);
    ExchangeText(saveAndValidate, m_stcCheckSum, m_strCheckSum);
}

bool CRS232SET::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}

void CRS232SET::FillPortList() {
    for (int n = 1; n <= kPortCount; ++n) {
        const int index = m_cmbPort->AddString(QStringLiteral("COM%1").arg(n));
        const std::string device = platform::ComDevicePath(n);
        m_cmbPort->setItemData(index,
                               device.empty() ? tr("No device") : QString::fromStdString(device),
                               Qt::ToolTipRole);
        if (AppSettings.port == n)
            m_cmbPort->SetCurSel(index);
    }
    // The closed list shows the device of the chosen number too.
    const auto showDevice = [this](int index) {
        m_cmbPort->setToolTip(index < 0 ? QString()
                                        : m_cmbPort->itemData(index, Qt::ToolTipRole).toString());
    };
    connect(m_cmbPort, &QComboBox::currentIndexChanged, this, showDevice);
    showDevice(m_cmbPort->GetCurSel());
}

BOOL CRS232SET::OnInitDialog() {
    UpdateData(false);
    FillPortList();
    FillList(*m_cmbBaudRate, BaudRateTable, AppSettings.baudRate);
    FillList(*m_cmbDataBits, DataBitsTable, AppSettings.byteSize);
    FillList(*m_cmbParity, ParityTable, AppSettings.parity);
    FillList(*m_cmbStopBits, StopBitsTable, AppSettings.stopBits);
    m_strFile = QString::fromStdString(AppSettings.tranFile);
    m_nTotal = 0;
    m_strLdVer = QStringLiteral("LD Ver:");
    m_strCheckSum = QStringLiteral("CheckSum:");
    m_stcProgramNote->show();
    m_stcResult->hide();
    const bool showEepSum = AppSettings.eepsumShowEnable != 0;
    m_stcEepNote->setVisible(showEepSum);
    m_btnEepSum->setVisible(showEepSum);
    UpdateData(false);
    return TRUE;
}

void CRS232SET::OnProgram() {
    StartCommand(kModeProgram);
}

void CRS232SET::OnEepSum() {
    StartCommand(kModeEepSum);
}

void CRS232SET::StartCommand(int mode) {
    UpdateData(true);
    SetIdleControls(false);

    // No selection gives port 0, which names no device; the start then fails with its message.
    AppSettings.port = m_cmbPort->GetCurSel() + 1;
    StoreSelection(*m_cmbBaudRate, BaudRateTable, AppSettings.baudRate);
    StoreSelection(*m_cmbDataBits, DataBitsTable, AppSettings.byteSize);
    StoreSelection(*m_cmbParity, ParityTable, AppSettings.parity);
    StoreSelection(*m_cmbStopBits, StopBitsTable, AppSettings.stopBits);
    AppSettings.tranFile = m_strFile.toStdString();
    SaveSettings();
    m_ctlProgress->show();

    if (!m_job.start(Handle(), mode)) {
        // Restored later through the ordinary result path.
        PostMessageA(Handle(), WM_JOB_DONE, 0, JobDoneLParam(kResultStartFailed));
    }
}

void CRS232SET::OnLoad() {
    if (const auto path = m_chooseFile(window(), m_strFile)) {
        m_strFile = *path;
        UpdateData(false);
    }
}
