// CRS232SET, the programming dialog (template 133): the operator picks the port and line
// settings and the image, starts a Program or EEP Sum job, and watches it to its result.
//
// Threading: everything here runs on the GUI thread. The job reaches the dialog only through
// its message target (Handle()), whose Send and Post may be called from any thread; the
// handlers run on the GUI thread, from the event loop or any modal loop.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/message_target.h"
#include "ui/combo_list.h"
#include "ui/dialog_builder.h"
#include "ui/qt_message_target.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

class CRS232SET : public QDialog {
    Q_OBJECT
  public:
    // The job operations the dialog calls; StartJob and EndJob unless a test replaces them.
    struct JobApi {
        std::function<int(platform::HWND dialog, int mode)> start;
        std::function<void()> end;
    };
    // Asks for an image file; nothing when cancelled.
    using FileChooser =
        std::function<std::optional<QString>(QWidget* parent, const QString& currentPath)>;

    // The window is created later, by Create.
    explicit CRS232SET(QWidget* parent = nullptr);
    ~CRS232SET() override;

    // Builds template 133 as a hidden child of `parent` and initialises it.
    bool Create(QWidget* parent);

    // The target of the job's messages (the window handle given to StartJob).
    platform::HWND Handle() { return &m_target; }
    QWidget* GetDlgItem(int id) const { return ui::FindControl(m_controls, id); }
    bool UpdateData(bool saveAndValidate = true);
    // A button command, as WM_COMMAND/BN_CLICKED routes it through the message map.
    void OnCommand(int id);

    void SetJobApi(JobApi api) { m_job = std::move(api); }
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The window is closing: ends a running job (its port is released now, not at exit) and
    // drops the messages still on their way.
    void ReleaseJob();

    BOOL OnInitDialog();
    void OnProgram();
    void OnLoad();
    void OnEepSum();
    LRESULT OnJobStatus(WPARAM wParam, LPARAM lParam);
    LRESULT OnJobDone(WPARAM wParam, LPARAM lParam);

    // Bound members, in the order of the data exchange's declarations. The widgets belong to
    // the dialog.
    std::int32_t m_nTotal = 0;
    ui::CComboBox* m_cmbPort = nullptr;
    ui::CComboBox* m_cmbBaudRate = nullptr;
    ui::CComboBox* m_cmbParity = nullptr;
    ui::CComboBox* m_cmbStopBits = nullptr;
    ui::CComboBox* m_cmbDataBits = nullptr;
    QString m_strFile;
    QProgressBar* m_ctlProgress = nullptr;
    QString m_strStatus;
    QString m_strLdVer;
    QString m_strCheckSum;
    QPushButton* m_btnProgram = nullptr;
    QPushButton* m_btnLoad = nullptr;
    QLabel* m_stcProgramNote = nullptr;
    QLabel* m_stcResult = nullptr;
    QLabel* m_stcEepNote = nullptr;
    QPushButton* m_btnEepSum = nullptr;

  public slots:
    // Enter and the default button: the OK command is a Program command here.
    void accept() override;
    // Escape would hide the only working surface of the window; it does nothing.
    void reject() override;

  protected:
    void DoDataExchange(bool saveAndValidate);
    void changeEvent(QEvent* event) override;

  private:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void AttachControls();
    void KeepTextsLegible();
    void FillPortList();
    void StartCommand(int mode);
    void RestoreControls();
    // The controls a job locks: enabled, and the notes shown, only while no job runs.
    void SetIdleControls(bool idle);
    void SetProgressRange(std::int32_t high);
    void SetProgressPos(std::int32_t pos);

    ui::QtMessageTarget m_target;
    std::vector<ui::DialogControl> m_controls;
    QLineEdit* m_editFile = nullptr;
    QLineEdit* m_editStatus = nullptr;
    QLabel* m_stcLdVer = nullptr;
    QLabel* m_stcCheckSum = nullptr;
    JobApi m_job;
    FileChooser m_chooseFile;
};
