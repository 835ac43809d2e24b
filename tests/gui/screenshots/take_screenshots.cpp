// Takes the documentation's screenshots of kven under an X server (scripts/take-screenshots.sh
// runs it on Xvfb):
//   DISPLAY=:99 kven_screenshots OUTPUT_DIR [SUFFIX]
// The program runs on a private INI file against the in-process loader simulator; `import`
// (ImageMagick) grabs the screen at each stage: idle, running, the result box, result, About
// box, into kven-STAGE[SUFFIX].png.
#include <QApplication>
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
#include "ui/rs232set.h"

namespace {

QString g_out;
QString g_suffix;

// Grabs the screen under `w` into OUTPUT_DIR/name with `import`, then runs `then`. The event
// loop runs meanwhile: a running job's messages wait for nobody.
void Grab(QString name, const QWidget& w, std::function<void()> then = {}) {
    name.replace(QStringLiteral(".png"), g_suffix + QStringLiteral(".png"));
    const QRect r = w.frameGeometry();
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
            if (box->text() != QLatin1String("Writing is OK")) {
                // A loaded machine can starve the simulated line; no such picture for the
                // documentation.
                std::fprintf(stderr, "the job ended with \"%s\"\n", qPrintable(box->text()));
                QApplication::exit(1);
                return false;
            }
            AfterShown(box, [this, box] {
                Grab("kven-result-box.png", frame_, [this, box] {
                    box->button(QMessageBox::Ok)->click();
                    AfterShown(&frame_, [this] {
                        Grab("kven-result.png", frame_, [this] { app_.OnAbout(); });
                    });
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
                                   "\n[PORTS]\nCOM3=" + loader->SlavePath() + "\n");

    CProgrammerApp theApp([&] {
        InitSettingsFor(dir.File("kven"));
        platform::LoadComPorts(AppSettings.iniPath);
    });
    if (!theApp.InitInstance())
        return 1;
    CMainFrame& frame = *theApp.MainWindow();
    Stages stages(theApp, frame);
    CRS232SET& dlg = frame.HostView().ProgramDialog();

    bool running = false;
    QObject::connect(dlg.m_ctlProgress, &QProgressBar::valueChanged, &frame, [&](int v) {
        if (!running && dlg.m_strStatus.contains('/') &&
            v * 5 >= dlg.m_ctlProgress->maximum() * 2) {
            running = true;
            Grab("kven-running.png", frame);
        }
    });
    AfterShown(&frame, [&] { Grab("kven-idle.png", frame, [&] { dlg.m_btnProgram->click(); }); });
    return QApplication::exec();
}
