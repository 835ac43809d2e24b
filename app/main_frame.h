// CMainFrame: the main window. Fixed size at (0, 0), a client area exactly the size of the
// programming dialog, the menu "KVEN", and a status bar with "Ready", the menu prompts and
// the lock indicators. Where "Ready" stands, an image with addresses (Intel HEX, S-record, ELF)
// shows its format, addresses and base from the moment a job has read it until the next job
// reads its image. Creating it loads the settings before the dialog exists.
//
// Threading: GUI thread.
#pragma once

#include <QMainWindow>
#include <functional>

#include "job/job_image.h"

class CDialogHostView;
class LockIndicators;
class QAction;

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `loadSettings` runs first of all (InitSettings and the COM table by default).
    explicit CMainFrame(std::function<void()> loadSettings = {});
    ~CMainFrame() override;

    CDialogHostView& HostView() const { return *m_hostView; }
    QAction& AboutAction() const { return *m_about; }
    QAction& ExitAction() const { return *m_exit; }

  signals:
    // ID_APP_ABOUT, handled by the application.
    void aboutRequested();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateMenu();
    void CreateStatusBar();
    void FitToDialog();

    CDialogHostView* m_hostView = nullptr;
    LockIndicators* m_locks = nullptr;
    QAction* m_about = nullptr;
    QAction* m_exit = nullptr;
    PreparedImageHook m_previousImageHook;
};

// The job record idled, InitSettings, then the COM number table from the same INI file.
void LoadStartupSettings();
