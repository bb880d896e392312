#include <QDir>
#include <QMessageBox>

#include "chartwindow/graph.h"
#include "common/messages.h"
#include "common/appdir.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "mainwindow.h"
#include "recording/dayrollover.h"
#include "reloadjob.h"
#include "ui_mainwindow.h"

void MainWindow::CreateCSV()
{
    recorder.create(LBInfos);
}

void MainWindow::AppendCSV()
{
    handleChangeOfDay();
    recorder.append(LBInfos, startTime);
}

void MainWindow::ReadCSV()
{
    // The start-up's reload runs beside the event loop (startReload); this
    // one returns with the whole recording read.
    const std::unique_ptr<ReloadJob> job(newReloadJob());
    job->run();
    takeReloaded(*job);
}

void MainWindow::SaveCSV(const QString &FileSave)
{
    recorder.copy(LBInfos, FileSave);
}

void MainWindow::on_BtnSaveReleve_clicked()
{
    if (!recorder.copy(LBInfos, manualArchivePath(recorder.networkName(LBInfos), QDateTime::currentDateTime())))
        Messages::warning(this, QStringLiteral("Quelvane"),
                             QStringLiteral("La sauvegarde du relevé dans le répertoire \"archives\" a échoué."));
}

void MainWindow::on_BtnRazReleve_clicked()
{
    const QMessageBox::StandardButton answer =
        Messages::question(this, QStringLiteral("Remise à zéro"),
                           QStringLiteral("Voulez-vous sauvegarder avant la remise à zéro ?"),
                           QMessageBox::Yes | QMessageBox::No);
    // A stop signal closed the question: the program ends, the rows stay.
    if (stopSignalled)
        return;
    if (answer == QMessageBox::Yes
        && !recorder.copy(LBInfos, manualArchivePath(recorder.networkName(LBInfos), QDateTime::currentDateTime()))) {
        // The user asked for a copy first: without it, the rows stay.
        Messages::warning(this, QStringLiteral("Quelvane"),
                             QStringLiteral("La sauvegarde du relevé a échoué : le relevé n'a pas été remis à zéro."));
        return;
    }
    CreateCSV();
    graph->ClearCurves();
}

void MainWindow::handleChangeOfDay()
{
    const Rollover rollover = rolloverFor(&recorder.latestDay, LBInfos.DateTime, recordingOptions.archive,
                                          recordingOptions.report, recordingOptions.reset);
    const QDateTime previous = parseDateTime(rollover.dayReading);
    const QString network = recorder.networkName(LBInfos);

    const bool archived = rollover.archive && recorder.archive(LBInfos, autoArchivePath(network, previous));
    if (rollover.report) {
        // The report shows the day it is named after, from midnight to
        // midnight, whatever the time now and wherever the samples are.
        graph->ShowDay(previous.date());
        QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
        graph->RapportGraphique(autoReportPath(network, previous), previous.toString(QStringLiteral("dd/MM/yyyy")));
        graph->SetZoom3H();
    }
    if (resetAfterArchive(rollover, archived)) {
        CreateCSV();
        graph->ClearCurves();
    }
}
