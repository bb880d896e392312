#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "common/appdir.h"
#include "app/mainwindow.h"
#include "charts/graph.h"
#include "common/filenames.h"
#include "pendinglines.h"
#include "rowformat.h"
#include "ui_mainwindow.h"

bool MainWindow::copyRecording(const QString &target)
{
    QDir().mkpath(QFileInfo(target).absolutePath());
    // QFile::copy never replaces an existing file: a second copy within the
    // same second fails and the first one stays.
    return QFile::copy(recordingFilePath(networkName()), target);
}

void MainWindow::SaveCSV(const QString &FileSave)
{
    copyRecording(FileSave);
}

void MainWindow::on_BtnSaveReleve_clicked()
{
    if (!copyRecording(manualArchivePath(networkName(), QDateTime::currentDateTime())))
        QMessageBox::warning(this, QStringLiteral("Quelvane"),
                             QStringLiteral("La sauvegarde du relevé dans le répertoire \"archives\" a échoué."));
}

void MainWindow::on_BtnRazReleve_clicked()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QStringLiteral("Remise à zéro"),
                              QStringLiteral("Voulez-vous sauvegarder avant la remise à zéro ?"),
                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes
        && !copyRecording(manualArchivePath(networkName(), QDateTime::currentDateTime()))) {
        // The user asked for a copy first: without it, the rows stay.
        QMessageBox::warning(this, QStringLiteral("Quelvane"),
                             QStringLiteral("La sauvegarde du relevé a échoué : le relevé n'a pas été remis à zéro."));
        return;
    }
    CreateCSV();
    graph->ClearCurves();
}

void MainWindow::handleChangeOfDay()
{
    if (!isNewDay(OldLBInfos.DateTime, LBInfos.DateTime))
        return;
    const QDateTime previous = parseDateTime(OldLBInfos.DateTime);

    bool archived = true;
    if (ui->checkSaveAuto->isChecked())
        archived = copyRecording(autoArchivePath(networkName(), previous));
    if (ui->checkPdfAuto->isChecked()) {
        // The report shows the day it is named after, from midnight to
        // midnight, whatever the time now and wherever the samples are.
        graph->ShowDay(previous.date());
        QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
        graph->RapportGraphique(autoReportPath(networkName(), previous), previous.toString(QStringLiteral("dd/MM/yyyy")));
        graph->SetZoom3H();
    }
    // A day whose archive copy failed is kept in the recording rather than lost.
    if (ui->checkRazAuto->isChecked() && archived) {
        CreateCSV();
        graph->ClearCurves();
    }
}
