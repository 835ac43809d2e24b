// The dialog's status handler per packet: the port threads wait for it once per packet.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include "job/program_job.h"
#include "settings/app_settings.h"
#include "ui/qt/rs232set_widget.h"

namespace {

// Kind 1 messages through a shown dialog, with or without the repaint that follows each.
void RunWritePositions(benchmark::State& state, bool paint) {
    QWidget host;
    ui::Rs232SetWidget view;
    view.Create(&host);
    host.show();
    CRS232SET& dialog = view.Dialog();
    dialog.OnJobStatus(StatusWParam(kStatusFileLength), kMaxImageSize);
    LPARAM pos = 0;
    for (auto _ : state) {
        pos = (pos + 255) % kMaxImageSize;
        dialog.OnJobStatus(StatusWParam(kStatusWritePos), pos);
        if (paint)
            QApplication::processEvents();
    }
    QApplication::processEvents();
}

void BM_WritePositionStatus(benchmark::State& state) {
    RunWritePositions(state, false);
}
BENCHMARK(BM_WritePositionStatus)->Unit(benchmark::kMicrosecond);

void BM_WritePositionStatusPainted(benchmark::State& state) {
    RunWritePositions(state, true);
}
BENCHMARK(BM_WritePositionStatusPainted)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppSettings.port = 1;
    AppSettings.baudRate = 115200;
    AppSettings.byteSize = 8;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
