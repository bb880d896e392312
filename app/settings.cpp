#include "settings.h"

#include <QFile>
#include <QSettings>
#include <QTimeEdit>

#include "common/settingsfile.h"
#include "charts/graph.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

bool applyTimeSetting(const QVariant &value, QTimeEdit *editor)
{
    const QTime time = QTime::fromString(value.toString(), QStringLiteral("hh:mm:ss"));
    if (!time.isValid())
        return false;
    editor->setTime(time); // the editor clamps it to its range

    return true;
}

QString timeSettingText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

int secondsOf(const QTime &time)
{
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}

int millisecondsOf(const QTime &time)
{
    return secondsOf(time) * 1000;
}

void MainWindow::readSettings(QSettings &settings)
{
    livebox = settings.value(QStringLiteral("LIVEBOX/LiveBox")).toString();
    user = settings.value(QStringLiteral("LIVEBOX/User")).toString();
    password = settings.value(QStringLiteral("LIVEBOX/Pass")).toString();
    ssid = settings.value(QStringLiteral("LIVEBOX/SSID")).toString();
    recorder.setKnownNetwork(ssid);
    algoType = settings.value(QStringLiteral("LIVEBOX/AlgoType")).toInt() != 0;
    ui->editPass->setText(password);
    if (algoType)
        ui->radioLB34->setChecked(true);
    else
        ui->radioLB23->setChecked(true);

    applyTimeSetting(settings.value(QStringLiteral("MONITOR/Cycle")), ui->timeEditCycle);
    cycleMs = millisecondsOf(ui->timeEditCycle->time());
    applyTimeSetting(settings.value(QStringLiteral("MONITOR/Arret")), ui->timeEditArret);
    graph->tempsArret = secondsOf(ui->timeEditArret->time());
    applyTimeSetting(settings.value(QStringLiteral("MONITOR/Diapo")), ui->timeEditDiapo);
    diapoMs = millisecondsOf(ui->timeEditDiapo->time());
    graph->diapoInterval = diapoMs;

    // An index the list does not have would leave no format at all.
    const int format = settings.value(QStringLiteral("MONITOR/ExportFormat")).toInt();
    if (format >= 0 && format < ui->comboExportFormat->count())
        ui->comboExportFormat->setCurrentIndex(format);
    graph->exportFormat = ui->comboExportFormat->currentText();

    ui->checkDiapoCourbes->setChecked(settings.value(QStringLiteral("COURBES/DiapoCourbes")).toBool());
    graph->diapoCourbes = ui->checkDiapoCourbes->isChecked();
    ui->checkDiapoErreurs->setChecked(settings.value(QStringLiteral("COURBES/DiapoErreurs")).toBool());
    graph->diapoErreurs = ui->checkDiapoErreurs->isChecked();
    // A first start labels the time axes with both the date and the hour.
    ui->checkAffDate->setChecked(settings.value(QStringLiteral("FORMAT/EchDate"), true).toBool());
    ui->checkAffHeure->setChecked(settings.value(QStringLiteral("FORMAT/EchHeure"), true).toBool());
    ui->checkReloadCSV->setChecked(settings.value(QStringLiteral("MONITOR/ReloadCSV")).toBool());
    ui->checkSaveAuto->setChecked(settings.value(QStringLiteral("MONITOR/SaveAuto")).toBool());
    ui->checkRazAuto->setChecked(settings.value(QStringLiteral("MONITOR/RazAuto")).toBool());
    ui->checkPdfAuto->setChecked(settings.value(QStringLiteral("MONITOR/PdfAuto")).toBool());
    if (settings.value(QStringLiteral("FORMAT/RapPageOrient")).toInt() == 1)
        ui->checkPaysage->setChecked(true);
    if (settings.value(QStringLiteral("FORMAT/RapPageOrient")).toInt() == 0)
        ui->checkPortrait->setChecked(true);
}

void MainWindow::readGeometry(QSettings &settings)
{
    const int height = settings.value(QStringLiteral("GUI/Height")).toInt();
    const int width = settings.value(QStringLiteral("GUI/Width")).toInt();
    const int y = settings.value(QStringLiteral("GUI/Y")).toInt();
    const int x = settings.value(QStringLiteral("GUI/X")).toInt();
    setGeometry(x, y, width, height);
}

void MainWindow::writeSettings(QSettings &settings)
{
    // Until a poll of this run has named the network, the record still holds
    // its placeholder; keep the name of the previous run so that the next
    // start reloads the recording it really belongs to.
    const LiveBoxInfos initial;
    const QString name = recorder.networkName(LBInfos);
    settings.setValue(QStringLiteral("LIVEBOX/SSID"), name == initial.SSID ? ssid : name);
    settings.setValue(QStringLiteral("LIVEBOX/Pass"), password);
    const QRect area = geometry();
    settings.setValue(QStringLiteral("GUI/Width"), area.width());
    settings.setValue(QStringLiteral("GUI/Height"), area.height());
    settings.setValue(QStringLiteral("GUI/X"), area.x());
    settings.setValue(QStringLiteral("GUI/Y"), area.y());
    settings.setValue(QStringLiteral("MONITOR/Cycle"), timeSettingText(ui->timeEditCycle->time()));
    settings.setValue(QStringLiteral("MONITOR/Arret"), timeSettingText(ui->timeEditArret->time()));
    settings.setValue(QStringLiteral("MONITOR/Diapo"), timeSettingText(ui->timeEditDiapo->time()));
    settings.setValue(QStringLiteral("MONITOR/ExportFormat"), ui->comboExportFormat->currentIndex());
    settings.setValue(QStringLiteral("MONITOR/ReloadCSV"), ui->checkReloadCSV->isChecked());
    settings.setValue(QStringLiteral("MONITOR/SaveAuto"), ui->checkSaveAuto->isChecked());
    settings.setValue(QStringLiteral("MONITOR/RazAuto"), ui->checkRazAuto->isChecked());
    settings.setValue(QStringLiteral("MONITOR/PdfAuto"), ui->checkPdfAuto->isChecked());
    settings.setValue(QStringLiteral("LIVEBOX/AlgoType"),
                      ui->radioLB23->isChecked() ? QStringLiteral("0") : QStringLiteral("1"));
}
