// The real program as users meet it: started with a recording to reload,
// timed from its start to its window on an X display (the window shows once
// the whole recording is charted), its peak memory read from /proc; and,
// headless, how soon a stop signal ends a reload under way.
#include "startup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

#include "recordings.h"
#include "support/scratchdir.h"
#include "support/simulator.h"

namespace {
const char *zoneLabel()
{
    static const QByteArray zone = qgetenv("TZ");
    static const QByteArray label = zone.isNull() ? QByteArray("TZ unset") : "TZ=" + zone;
    return label.constData();
}

qint64 peakKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression peak(QStringLiteral("VmHWM:\\s+(\\d+) kB"));
    return peak.match(QString::fromLatin1(status.readAll())).captured(1).toLongLong();
}

bool windowShown(qint64 pid)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
                                             QStringLiteral("^Quelvane$")});
    search.waitForFinished(5000);
    return search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty();
}

// The program measured: this build's, or another build's (QUELVANE_PROGRAM),
// so that two builds are compared in the same run.
QString programPath()
{
    const QString other = qEnvironmentVariable("QUELVANE_PROGRAM");
    return other.isEmpty() ? QStringLiteral(QUELVANE_PROGRAM_PATH) : other;
}

// A folder of its own for one run: the program, its settings pointing at
// the simulator, and a fresh copy of the recording (the start-up's first
// poll appends to it); none when `recording` is empty.
void prepare(const ScratchDir &dir, const Simulator &sim, const QString &recording)
{
    QFile::copy(programPath(), dir.file(QStringLiteral("quelvane")));
    QFile::setPermissions(dir.file(QStringLiteral("quelvane")), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!recording.isEmpty() && !QFile::copy(recording, dir.file(QStringLiteral("bench.csv"))))
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(recording));
    dir.write(QStringLiteral("livebox.ini"),
              settingsFor(sim) + "SSID=bench\n[MONITOR]\nReloadCSV=true\n");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
}

int measureStartUp(const QString &name, int runs)
{
    const BenchRecording *recording = benchRecording(name);
    if (!recording || qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "--startup needs a recording name and an X display\n");
        return 2;
    }
    const QString data = benchRecordingFile(*recording);
    Simulator sim({QStringLiteral("--resync-every"), QStringLiteral("0"), QStringLiteral("--reboot-every"),
                   QStringLiteral("0")});
    std::vector<double> seconds, peaks;
    for (int run = 0; run < runs; ++run) {
        ScratchDir dir;
        prepare(dir, sim, data);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        program.start(dir.file(QStringLiteral("quelvane")), QStringList());
        program.waitForStarted(5000);
        bool shown = false;
        while (!shown && clock.elapsed() < 600000 && program.state() == QProcess::Running) {
            shown = windowShown(program.processId());
            if (!shown)
                QThread::msleep(20);
        }
        const double elapsed = clock.elapsed() / 1000.0;
        // What the first drawing of the window adds.
        QThread::msleep(500);
        const double peak = peakKb(program.processId()) / 1024.0;
        program.kill();
        program.waitForFinished(10000);
        if (!shown) {
            std::printf("startup %s %s: the window never showed\n", recording->name, zoneLabel());
            return 1;
        }
        seconds.push_back(elapsed);
        peaks.push_back(peak);
        std::printf("  run %d: window after %.2f s, peak RSS %.0f MB\n", run + 1, elapsed, peak);
        std::fflush(stdout);
    }
    const double time = median(seconds);
    const double peak = *std::max_element(peaks.begin(), peaks.end());
    const bool year = recording->rows >= benchYear.rows;
    std::printf("STARTUP %s (%s): %.2f s to the window (median of %d), peak RSS %.0f MB", recording->name,
                zoneLabel(), time, runs, peak);
    if (year)
        std::printf("  target <= 5 s and <= 1024 MB: %s", time <= 5 && peak <= 1024 ? "PASS" : "FAIL");
    std::printf("\n");
    return 0;
}

int measureHeadlessStop(const QString &name)
{
    const BenchRecording *recording = benchRecording(name);
    if (!recording)
        return 2;
    const QString data = benchRecordingFile(*recording);
    Simulator sim({QStringLiteral("--resync-every"), QStringLiteral("0"), QStringLiteral("--reboot-every"),
                   QStringLiteral("0")});
    ScratchDir dir;
    prepare(dir, sim, data);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    program.setProcessEnvironment(environment);
    program.start(dir.file(QStringLiteral("quelvane")), {QStringLiteral("--headless")});
    program.waitForStarted(5000);
    // Stopped while the reload is said to be under way.
    QElapsedTimer clock;
    clock.start();
    QByteArray said;
    while (!said.contains("Chargement du relevé") && clock.elapsed() < 60000
           && program.state() == QProcess::Running) {
        program.waitForReadyRead(100);
        said += program.readAllStandardError();
    }
    const bool reloading = said.contains("Chargement du relevé");
    const double sentAt = clock.elapsed() / 1000.0;
    QElapsedTimer stop;
    stop.start();
    ::kill(pid_t(program.processId()), SIGTERM);
    const bool ended = program.waitForFinished(60000);
    const double seconds = stop.elapsed() / 1000.0;
    std::printf("HEADLESS STOP %s (%s): SIGTERM %.1f s after the start%s, ended after %.2f s with status %d  "
                "target <= 10 s: %s\n",
                recording->name, zoneLabel(), sentAt, reloading ? ", during the reload" : " (no reload seen)",
                seconds, program.exitCode(),
                ended && reloading && seconds <= 10 && program.exitCode() == 0 ? "PASS" : "FAIL");
    return 0;
}

int measureHeadlessStart(const QString &name, int runs)
{
    const BenchRecording *recording = name == QLatin1String("empty") ? nullptr : benchRecording(name);
    if (!recording && name != QLatin1String("empty"))
        return 2;
    const QString data = recording ? benchRecordingFile(*recording) : QString();
    // The rows of this run go to the recording it reloaded.
    Simulator sim({QStringLiteral("--resync-every"), QStringLiteral("0"), QStringLiteral("--reboot-every"),
                   QStringLiteral("0"), QStringLiteral("--ssid"), QStringLiteral("bench")});
    std::vector<double> seconds, peaks;
    for (int run = 0; run < runs; ++run) {
        ScratchDir dir;
        prepare(dir, sim, data);
        const QString file = dir.file(QStringLiteral("bench.csv"));
        const qint64 before = QFileInfo(file).size();
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(variable));
        program.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        program.start(dir.file(QStringLiteral("quelvane")), {QStringLiteral("--headless")});
        program.waitForStarted(5000);
        // Started up once the refresh after the reload has written its row.
        while (QFileInfo(file).size() <= before && clock.elapsed() < 600000 && program.state() == QProcess::Running)
            QThread::msleep(10);
        const double elapsed = clock.elapsed() / 1000.0;
        QThread::msleep(300);
        const double peak = peakKb(program.processId()) / 1024.0;
        ::kill(pid_t(program.processId()), SIGTERM);
        program.waitForFinished(30000);
        seconds.push_back(elapsed);
        peaks.push_back(peak);
    }
    std::printf("HEADLESS START %s (%s): first row after %.2f s (median of %d), peak RSS %.1f MB (max), "
                "%.1f MB (min)\n",
                name.toUtf8().constData(), zoneLabel(), median(seconds), runs,
                *std::max_element(peaks.begin(), peaks.end()), *std::min_element(peaks.begin(), peaks.end()));
    return 0;
}
