// Takes the documentation's screenshots of kven under an X server (scripts/take-screenshots.sh
// runs it on Xvfb):
//   DISPLAY=:99 kven_screenshots OUTPUT_DIR [SUFFIX]
// The program runs on a private INI file against the in-process loader simulator; `import`
// (ImageMagick) grabs the screen at each stage: idle, LOAD's file dialog, running, the close
// question asked during the job (answered No), the result box, result, a failure box with its
// details shown (a COM number whose device is missing), the About box, into
// kven-STAGE[SUFFIX].png.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "app/programmer_app.h"
#include "platform/com_ports.h"
#include "settings/app_settings.h"
#include "sim/simulator.h"
#include "support/temp_dir.h"
#include "ui/core/dialog_texts.h"
#include "ui/qt/rs232set_widget.h"

namespace {

QString g_out;
QString g_suffix;

// Grabs the screen in `r` into OUTPUT_DIR/name with `import`, then runs `then`. The event
// loop runs meanwhile: a running job's messages wait for nobody.
void Grab(QString name, QRect r, std::function<void()> then = {}) {
    name.replace(QStringLiteral(".png"), g_suffix + QStringLiteral(".png"));
    const QString crop =
        QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    auto* import = new QProcess(qApp);
    QObject::connect(
        import, &QProcess::finished, qApp, [import, name, crop, then = std::move(then)](int rc) {
            std::fprintf(stderr, "%s: %s (%d)\n", qPrintable(name), qPrintable(crop), rc);
            import->deleteLater();
            if (then)
                then();
        });
    import->start("import", {"-window", "root", "-crop", crop, "+repage", g_out + "/" + name});
}

void Grab(QString name, const QWidget& w, std::function<void()> then = {}) {
    Grab(std::move(name), w.frameGeometry(), std::move(then));
}

// A box over the main window: both, whole.
void Grab(QString name, const QWidget& frame, const QWidget& box, std::function<void()> then) {
    Grab(std::move(name), frame.frameGeometry().united(box.frameGeometry()), std::move(then));
}

// The COM number whose device is missing, for the failure box.
constexpr int kMissingCom = 9;

// Runs `f` once `w` has been shown and painted.
void AfterShown(QObject* context, std::function<void()> f) {
    QTimer::singleShot(700, context, std::move(f));
}

class Stages : public QObject {
  public:
    Stages(CProgrammerApp& app, CMainFrame& frame) : app_(app), frame_(frame) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            OnBox(*box);
        } else if (auto* files = qobject_cast<QFileDialog*>(watched)) {
            // LOAD's dialog over the main window; cancelled, then the job starts.
            AfterShown(files, [this, files] {
                Grab("kven-file-dialog.png", frame_, *files, [this, files] {
                    files->reject();
                    QTimer::singleShot(0, &frame_, [this] { PressButton(1); });
                });
            });
        } else if (auto* about = qobject_cast<CAboutDlg*>(watched)) {
            AfterShown(about, [about] {
                Grab("kven-about.png", *about, [about] {
                    about->accept();
                    QTimer::singleShot(0, qApp, &QApplication::quit);
                });
            });
        }
        return false;
    }

  private:
    void OnBox(QMessageBox& box) {
        const QString text = box.text();
        if (text == QLatin1String(ui::kCloseQuestion)) {
            // Asked mid-job; No, and the job goes on to its result.
            AfterShown(&box, [this, &box] {
                Grab("kven-close-question.png", frame_, box,
                     [&box] { box.button(QMessageBox::No)->click(); });
            });
        } else if (text == QLatin1String("Writing is OK")) {
            AfterShown(&box, [this, &box] {
                Grab("kven-result-box.png", frame_, box, [this, &box] {
                    box.button(QMessageBox::Ok)->click();
                    AfterShown(&frame_, [this] {
                        Grab("kven-result.png", frame_, [this] { StartFailingJob(); });
                    });
                });
            });
        } else if (text == QLatin1String("COM port can not be found")) {
            ShowDetails(box);
            AfterShown(&box, [this, &box] {
                Grab("kven-failure-box.png", frame_, box, [this, &box] {
                    box.button(QMessageBox::Ok)->click();
                    AfterShown(&frame_, [this] { app_.OnAbout(); });
                });
            });
        } else {
            // A loaded machine can starve the simulated line; no such picture for the
            // documentation.
            std::fprintf(stderr, "unexpected box \"%s\"\n", qPrintable(text));
            QApplication::exit(1);
        }
    }

    static void ShowDetails(QMessageBox& box) {
        for (QAbstractButton* b : box.buttons()) {
            if (box.buttonRole(b) == QMessageBox::ActionRole)
                b->click();
        }
    }

    void PressButton(int id) {
        qobject_cast<QAbstractButton*>(frame_.HostView().ProgramDialog().GetDlgItem(id))->click();
    }

    // A job on a COM number whose device is not there.
    void StartFailingJob() {
        ui::Rs232SetWidget& dialog = frame_.HostView().ProgramDialog();
        qobject_cast<QComboBox*>(dialog.GetDlgItem(1001))->setCurrentIndex(kMissingCom - 1);
        PressButton(1);
    }

    CProgrammerApp& app_;
    CMainFrame& frame_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [SUFFIX]\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    g_suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    testing_support::TempDir dir;
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.3;
    cfg.baud = 115200;  // paced, so that the write takes a few seconds
    auto loader = sim::Simulator::Start(cfg);
    if (!loader)
        return 1;
    std::vector<std::uint8_t> image(96 * 1024);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31);
    testing_support::WriteBytes(dir.File("firmware.bin"), image);
    testing_support::WriteFile(dir.File("kven.INI"),
                               "[CURRENT]\nPORT=3\nTRANFILE=" + dir.File("firmware.bin") +
                                   "\n[PORTS]\nCOM3=" + loader->SlavePath() +
                                   "\nCOM9=/dev/ttyUSB7\n");

    CProgrammerApp theApp([&] {
        InitSettingsFor(dir.File("kven"));
        platform::LoadComPorts(AppSettings.iniPath);
    });
    if (!theApp.InitInstance())
        return 1;
    CMainFrame& frame = *theApp.MainWindow();
    Stages stages(theApp, frame);
    ui::Rs232SetWidget& view = frame.HostView().ProgramDialog();
    const CRS232SET& dlg = view.Dialog();
    auto* progress = qobject_cast<QProgressBar*>(view.GetDlgItem(1023));

    bool running = false;
    QObject::connect(progress, &QProgressBar::valueChanged, &frame, [&](int v) {
        if (!running && dlg.m_strStatus.find('/') != std::string::npos &&
            v * 5 >= progress->maximum() * 2) {
            running = true;
            // Then the operator tries to close the window mid-job.
            Grab("kven-running.png", frame, [&] { frame.close(); });
        }
    });
    // LOAD first (its dialog is grabbed and cancelled), then Program.
    AfterShown(&frame, [&] {
        Grab("kven-idle.png", frame,
             [&] { qobject_cast<QAbstractButton*>(view.GetDlgItem(1021))->click(); });
    });
    return QApplication::exec();
}
