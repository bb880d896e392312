// Measures the program's own code paths on recordings of realistic size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "recording/recordformat.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "ui_graph.h"

namespace {
// A recording of `rows` polls 5 s apart ending now, with drifting margins,
// growing counters and a resynchronisation every few thousand rows.
QString writeRecording(const ScratchDir &dir, int rows)
{
    const QString path = dir.file(QStringLiteral("bench.csv"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Text);
    QTextStream out(&file);
    out << csvHeader() << '\n';
    LiveBoxInfos r;
    r.IPAddress = QStringLiteral("90.12.34.56");
    const QDateTime start = QDateTime::currentDateTime().addSecs(-5LL * rows);
    double syncAt = 0;
    for (int i = 0; i < rows; ++i) {
        const double uptime = 18000 + 5.0 * i;
        if (i % 4000 == 3999)
            syncAt = uptime;
        r.DateTime = formatDateTime(start.addSecs(5LL * i));
        r.LastChangeTime = syncAt;
        r.LastChange = uptime - syncAt;
        r.DownstreamCurrRate = 8000 + (i / 4000) % 5 * 100;
        r.UpstreamCurrRate = 1000;
        r.DownstreamMaxRate = 9000 + i % 300;
        r.UpstreamMaxRate = 1100 + i % 50;
        r.DownstreamNoiseMargin = 60 + i % 17;
        r.UpstreamNoiseMargin = 80 + i % 13;
        r.CRCErrors += i % 11 == 0 ? 2 : 0;
        r.ATUCCRCErrors += i % 13 == 0 ? 1 : 0;
        r.FECErrors += 150 + i % 40;
        r.ATUCFECErrors += 20;
        r.ReceiveBlocks += 50000;
        r.TransmitBlocks += 20000;
        out << csvRow(r) << '\n';
    }
    return path;
}

struct Program
{
    ScratchDir dir;
    ModalCloser closer;
    MainWindow *window = nullptr;

    Program()
    {
        dir.write("livebox.ini", "[LIVEBOX]\nSSID=bench\n");
        window = new MainWindow;
    }
    ~Program() { delete window; }
};

void BM_Reload(benchmark::State &state)
{
    Program program;
    writeRecording(program.dir, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        program.window->graph->ClearCurves();
        state.ResumeTiming();
        program.window->ReadCSV();
    }
    state.counters["rows"] = double(state.range(0));
    state.counters["samples"] = program.window->graph->pointsDownload.size();
}
BENCHMARK(BM_Reload)->Arg(10000)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the same file read and split into numbers by the simplest fast
// loop, with nothing kept.
void BM_ReloadFloor(benchmark::State &state)
{
    ScratchDir dir;
    const QString path = writeRecording(dir, int(state.range(0)));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        double sum = 0;
        const char *p = all.constData();
        const char *end = p + all.size();
        while (p < end && *p != '\n')
            ++p;
        while (p < end) {
            char *next = nullptr;
            const double v = strtod(p + 1, &next);
            sum += v;
            p = next > p + 1 ? next : p + 1;
            while (p < end && *p != ';' && *p != '\n')
                ++p;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReloadFloor)->Arg(10000)->Arg(100000)->Arg(500000)->Unit(benchmark::kMillisecond)->Iterations(3);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
