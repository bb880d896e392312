#include <QtTest>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

#include "common/appdir.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "chartwindow/graph.h"
#include "common/filenames.h"
#include "recording/pendinglines.h"
#include "recording/rowformat.h"
#include "support/generations.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "support/simulator.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"

namespace {
// A small tmpfs of our own, for a folder that fills up or turns read-only.
// Mounting needs root; where it is refused the tests that need it skip.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &size)
    {
        m_ok = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", m_dir.path()}) == 0;
    }
    ~SmallDisk()
    {
        if (m_ok)
            QProcess::execute("umount", {m_dir.path()});
    }
    bool ok() const { return m_ok; }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + '/' + name; }
    bool remountReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", m_dir.path()}) == 0; }
    bool remountWritable() { return QProcess::execute("mount", {"-o", "remount,rw", m_dir.path()}) == 0; }

    // Fills what is left with one file, so that the next write fails.
    void fill() const
    {
        QFile filler(file("filler"));
        filler.open(QIODevice::WriteOnly | QIODevice::Append);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        QByteArray byte(1, 'x');
        while (filler.write(byte) == 1 && filler.flush()) {
        }
    }
    void unfill() const { QFile::remove(file("filler")); }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Data rows, each checked whole: a header, then complete rows only.
int completeRows(const QByteArray &recording)
{
    const QList<QByteArray> lines = recording.split('\n');
    int rows = 0;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        if (lines.at(i).count(';') != 33)
            return -1;
        ++rows;
    }
    return recording.isEmpty() || recording.endsWith('\n') ? rows : -1;
}
}

class TestStress : public QObject
{
    Q_OBJECT

private slots:
    void readOnlyApplicationFolder_data()
    {
        addGatewayGenerations();
    }

    void readOnlyApplicationFolder()
    {
        QFETCH(int, algoType);
        SmallDisk disk("1m");
        if (!disk.ok())
            QSKIP("this machine does not let the tests mount a small file system");
        Simulator sim({"--ssid", "maison"});
        writeFile(disk.file("livebox.ini"), settingsFor(sim, algoType));
        writeFile(disk.file("maison.csv"), (csvHeader() + "\n").toUtf8());
        QVERIFY(disk.remountReadOnly());
        AppDir::setPath(disk.path());
        {
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            // Neither generation needs a file to poll: the newer gateways'
            // trace is skipped when it cannot be written.
            QVERIFY(window.connected);
            closer.drain();
            QCOMPARE(closer.count(), 0);
            QVERIFY(polled(window, [&] { window.UpDateAffichage(); }));
            QCOMPARE(window.LBInfos.SSID, QStringLiteral("maison"));
            // The rows that wait are lost with the program: it says so, with their count.
            window.close();
            closer.drain();
            QVERIFY2(closer.texts.filter(QStringLiteral("n'ont pas pu être écrits")).size() == 1,
                     qPrintable(closer.texts.join('|')));
            QVERIFY(closer.texts.last().contains(QStringLiteral("2 ligne(s) pour")));
            // The first event's row waits with them, not dropped with its log's header.
            QVERIFY2(closer.texts.last().contains(QStringLiteral("1 ligne(s) pour"))
                         && closer.texts.last().contains(QStringLiteral("maison_SYNCHROS.csv")),
                     qPrintable(closer.texts.last()));
        }
        AppDir::setPath(QString());
        QCOMPARE(readFile(disk.file("maison.csv")), (csvHeader() + "\n").toUtf8());
        QVERIFY(disk.remountWritable());
    }

    void recordingDeletedOrHeldWhileRunning()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "maison"}));
        QCOMPARE(completeRows(f.dir.read("maison.csv")), 1);

        QFile::remove(f.dir.file("maison.csv"));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        QCOMPARE(completeRows(f.dir.read("maison.csv")), 1);
        QVERIFY(f.dir.read("maison.csv").startsWith(csvHeader().toUtf8() + '\n'));

        // Held by something else (a spreadsheet that locks it, here a
        // folder in its place): the rows wait and none is lost.
        QFile::rename(f.dir.file("maison.csv"), f.dir.file("kept.csv"));
        QDir(f.dir.path()).mkdir("maison.csv");
        for (int i = 0; i < 3; ++i)
            QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        f.closer.drain();
        QCOMPARE(f.closer.count(), 0);
        QDir(f.dir.path()).rmdir("maison.csv");
        QFile::rename(f.dir.file("kept.csv"), f.dir.file("maison.csv"));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        QCOMPARE(completeRows(f.dir.read("maison.csv")), 5);
    }

    void synchronisationLogHeldWhileTheLineResyncs()
    {
        WindowFixture f(WindowStart().simulator({"--ssid", "maison", "--resync-every", "0", "--reboot-every", "0"}));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const auto rowsOfLog = [](const QByteArray &log) { return int(log.trimmed().count('\n')); };
        const int logRows = rowsOfLog(f.dir.read("maison_SYNCHROS.csv"));

        QFile::rename(f.dir.file("maison_SYNCHROS.csv"), f.dir.file("kept.csv"));
        QDir(f.dir.path()).mkdir("maison_SYNCHROS.csv");
        f.sim.event("resync");
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const QString synchro = f.window->LBInfos.SynchroDateTime;
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        // The recording is not held up by the log.
        QCOMPARE(completeRows(f.dir.read("maison.csv")), 4);

        QDir(f.dir.path()).rmdir("maison_SYNCHROS.csv");
        QFile::rename(f.dir.file("kept.csv"), f.dir.file("maison_SYNCHROS.csv"));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const QByteArray log = f.dir.read("maison_SYNCHROS.csv");
        QCOMPARE(rowsOfLog(log), logRows + 1);
        QVERIFY(log.split('\n').at(logRows + 1).startsWith(synchro.toUtf8() + ';'));
        f.closer.drain();
        QCOMPARE(f.closer.count(), 0);
    }

    void recordingCutShortGetsItsRowsOnLinesOfTheirOwn()
    {
        WindowFixture f(
            WindowStart().simulator({"--ssid", "maison"}).ini("SSID=maison\n[MONITOR]\nReloadCSV=true\n").later());
        const LiveBoxInfos r;
        f.dir.write("maison.csv", (csvHeader() + "\n" + csvRow(r) + "\n" + "07/12/2020 00:05:12;120;42").toUtf8());
        f.start();
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const QList<QByteArray> lines = f.dir.read("maison.csv").split('\n');
        QCOMPARE(lines.at(2), QByteArray("07/12/2020 00:05:12;120;42")); // left as it was
        QCOMPARE(lines.at(3).count(';'), 33);
        QCOMPARE(lines.at(4).count(';'), 33);
    }

    void fullDiskLosesNoRowAndLeavesNoHalfRow()
    {
        SmallDisk disk("256k");
        if (!disk.ok())
            QSKIP("this machine does not let the tests mount a small file system");
        Simulator sim({"--ssid", "maison"});
        writeFile(disk.file("livebox.ini"), settingsFor(sim));
        AppDir::setPath(disk.path());
        {
            ModalCloser closer(QMessageBox::Yes);
            MainWindow window;
            QVERIFY(startedUp(window));
            QCOMPARE(completeRows(readFile(disk.file("maison.csv"))), 1);
            disk.fill();
            // Rows go on filling the recording's last page, then meet the full disk.
            for (int i = 0; i < 60; ++i)
                QVERIFY(polled(window, [&] { window.UpDateAffichage(); }));
            const int written = completeRows(readFile(disk.file("maison.csv")));
            QVERIFY2(written >= 1 && written < 61, qPrintable(QString::number(written)));

            // The reset asks for a copy first: it fails, so nothing is emptied.
            window.on_BtnRazReleve_clicked();
            closer.drain();
            QVERIFY(closer.texts.last().contains(QStringLiteral("échoué")));
            QCOMPARE(completeRows(readFile(disk.file("maison.csv"))), written);

            disk.unfill();
            QVERIFY(polled(window, [&] { window.UpDateAffichage(); }));
            QCOMPARE(completeRows(readFile(disk.file("maison.csv"))), 62);
            window.close();
        }
        AppDir::setPath(QString());
    }

    void settingsFileWithGarbageStartsWithDefaults()
    {
        ScratchDir dir;
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage += char((i * 7919) % 256);
        dir.write("livebox.ini", garbage);
        {
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            QCOMPARE(window.ui->timeEditCycle->time(), QTime(0, 2, 0));
            QCOMPARE(window.graph->plageHeure, 3.0);
        }
        dir.write("livebox.ini",
                  "[MONITOR]\nCycle=99:99:99\nArret=-1\nDiapo=[1,2]\nExportFormat=-5\nReloadCSV=maybe\n"
                  "[GUI]\nWidth=abc\nHeight=1e99\nX=-999999999999\n"
                  "[COURBES]\nPlageHeure=-3\nTempsMaxHeure=nan\nExportScale=0\nExportResol=0\nMaxNoise=1e400\n"
                  "MinNoise=20\nMinCRC=-1\nNbJrSynch=inf\nPenCurve=1e9\n"
                  "[FORMAT]\nRapPageOrient=9\nTpsSeparFormat=\n[GRAPH]\nIndexCourbes=99\nSize0=-5\n");
        ModalCloser closer;
        MainWindow window;
        QVERIFY(startedUp(window));
        QCOMPARE(window.ui->timeEditCycle->time(), QTime(0, 2, 0));
        QCOMPARE(window.ui->comboExportFormat->currentText(), QStringLiteral("pdf"));
        Graph *graph = window.graph;
        QCOMPARE(graph->plageHeure, 3.0);
        QCOMPARE(graph->tempsMaxHeure, 24.0);
        QCOMPARE(graph->exportScale, 3.0);
        QCOMPARE(graph->exportResol, 85);
        QCOMPARE(graph->minNoise, 0.0);
        QCOMPARE(graph->maxNoise, 16.0);
        QCOMPARE(graph->minCrc, 0.5);
        QCOMPARE(graph->nbJrSynch, 20.0);
        // The window still works: a poll of nothing, an export and a report.
        QVERIFY(polled(window, [&] { window.UpDateAffichage(); }));
        graph->show();
        graph->exportFormat = QStringLiteral("png");
        graph->on_BtnExportNoise_clicked();
        graph->RapportGraphique(dir.file("export/r.pdf"), QStringLiteral("01/01/2024"));
        QVERIFY(dir.read("export/r.pdf").startsWith("%PDF"));
    }

    // Sizes the toolkit cannot paint: a start with them must not crash, now
    // or at the next start.
    void absurdWindowSizesAreCutToTheScreen()
    {
        ScratchDir dir;
        dir.write("livebox.ini", "[GUI]\nX=-50000\nY=30\nWidth=24000\nHeight=100000\n"
                                 "[GRAPH]\nX=90000\nY=90000\nWidth=100000\nHeight=24000\n");
        for (int start = 0; start < 2; ++start) {
            ModalCloser closer;
            MainWindow window;
            QVERIFY(startedUp(window));
            window.show();
            window.graph->show();
            QCoreApplication::processEvents();
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY2(screen.contains(window.geometry().topLeft()), qPrintable(QString::number(window.x())));
            // No larger than the screen, unless the form cannot be that small.
            const QSize most = screen.size().expandedTo(window.minimumSizeHint());
            QVERIFY2(window.width() <= most.width() && window.height() <= most.height(),
                     qPrintable(QStringLiteral("%1 x %2").arg(window.width()).arg(window.height())));
            const QSize graphMost = screen.size().expandedTo(window.graph->minimumSizeHint());
            QVERIFY(window.graph->width() <= graphMost.width() && window.graph->height() <= graphMost.height());
            QVERIFY(screen.contains(window.graph->geometry().topLeft()));
            window.close();
        }
    }

    // A time-label format of kilobytes took minutes to draw: it is not taken.
    void longLabelFormatIsNotTaken()
    {
        BareWindowFixture f(WindowStart().ini("[FORMAT]\nTpsDateFormat=" + QByteArray(120 * 1024, 'd') + "\n").later());
        QElapsedTimer clock;
        clock.start();
        f.start();
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f.window->graph->tpsDateFormat, QStringLiteral("dd/MM"));
    }

    // Export settings the file accepts but that would make an image of
    // gigabytes: the export says so, and writes nothing.
    void exportBeyondTheImageLimitSaysSo()
    {
        BareWindowFixture f(WindowStart().ini("[COURBES]\nExportScale=0.2\nExportResol=600\n"));
        f.closer.drain();
        f.closer.titles.clear();
        f.closer.texts.clear();
        Graph *graph = f.window->graph;
        graph->resize(780, 560);
        graph->show();
        graph->exportFormat = QStringLiteral("png");
        QElapsedTimer clock;
        clock.start();
        graph->on_BtnExportNoise_clicked();
        f.closer.drain();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(f.closer.count(), 1);
        QVERIFY2(f.closer.texts.first().contains(QStringLiteral("millions de pixels")), qPrintable(f.closer.texts.first()));
        QVERIFY(QDir(f.dir.file("export")).entryList(QDir::Files).isEmpty());
        // Within the limit, the same plot exports.
        graph->exportScale = 3;
        graph->exportResol = 85;
        graph->on_BtnExportNoise_clicked();
        f.closer.drain();
        QCOMPARE(QDir(f.dir.file("export")).entryList(QDir::Files).size(), 1);
    }

    // A Wi-Fi name of more than 200 bytes (a faulty reply) must not cost the
    // recording: the names of the files are cut, and every file is written.
    void longNetworkNameStillRecords()
    {
        const QString name = QString(115, QChar(0xe9)); // 230 bytes in UTF-8
        WindowFixture f(WindowStart().simulator({"--ssid", name}));
        QVERIFY(polled(*f.window, [&] { f.window->UpDateAffichage(); }));
        const QStringList files = QDir(f.dir.path()).entryList({"*.csv"});
        QCOMPARE(files.size(), 2); // the recording and its log
        for (const QString &file : files)
            QVERIFY2(file.toUtf8().size() <= 255, qPrintable(file));
        QCOMPARE(f.dir.read(files.filter(QRegularExpression("[^S]\\.csv$")).value(0)).count('\n'), 3);
        f.closer.drain();
        QCOMPARE(f.closer.count(), 0);
        f.window->graph->exportFormat = QStringLiteral("jpeg");
        f.window->graph->on_BtnExportSynchro_clicked();
        f.closer.drain();
        QVERIFY2(f.closer.texts.last().endsWith(QStringLiteral("terminée.")), qPrintable(f.closer.texts.last()));
    }
};

QTEST_MAIN(TestStress)
#include "test_stress.moc"
