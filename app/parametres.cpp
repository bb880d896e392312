#include <QLineEdit>

#include "chartwindow/graph.h"
#include "mainwindow.h"
#include "common/settingskeys.h"
#include "settings.h"
#include "ui_mainwindow.h"

void MainWindow::on_checkPass_clicked(bool checked)
{
    ui->editPass->setEchoMode(checked ? QLineEdit::Normal : QLineEdit::Password);
}

void MainWindow::on_tabWidget_currentChanged(int)
{
    // The password shows in clear only while its tab stays in view.
    ui->editPass->setEchoMode(QLineEdit::Password);
    ui->checkPass->setChecked(false);
}

void MainWindow::on_editPass_textChanged(const QString &text)
{
    if (text == password)
        return; // the settings' own value, being shown
    password = text;
    acquisition.saveSetting(Key::Pass, text);
}

void MainWindow::on_timeEditDiapo_timeChanged(const QTime &time)
{
    diapoMs = millisecondsOf(time);
    graph->diapoInterval = diapoMs;
}

void MainWindow::on_comboExportFormat_currentIndexChanged(const QString &text)
{
    graph->exportFormat = text;
}

void MainWindow::on_checkDiapoCourbes_toggled(bool checked)
{
    graph->diapoCourbes = checked;
}

void MainWindow::on_checkDiapoErreurs_toggled(bool checked)
{
    graph->diapoErreurs = checked;
}

void MainWindow::on_checkAffDate_toggled(bool checked)
{
    graph->echDate = checked;
    graph->UpDateScales();
}

void MainWindow::on_checkAffHeure_toggled(bool checked)
{
    graph->echHeure = checked;
    graph->UpDateScales();
}

// The two orientation buttons are one exclusive pair: the button being
// checked always runs last, so its value is the one that stays.
void MainWindow::on_checkPortrait_toggled()
{
    graph->rapPageOrient = 0;
}

void MainWindow::on_checkPaysage_toggled()
{
    graph->rapPageOrient = 1;
}

void MainWindow::on_BtnRapportGraphique_clicked()
{
    graph->RapportGraphique(QString(), QString());
}
