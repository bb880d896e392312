#include "settings.h"

#include <QFile>
#include <QSettings>
#include <QSignalBlocker>
#include <QAbstractButton>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimeEdit>

#include "common/screenfit.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "chartwindow/graph.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

void applyTimeSetting(const QVariant &value, QTimeEdit *editor)
{
    const QTime time = QTime::fromString(value.toString(), QStringLiteral("hh:mm:ss"));
    if (time.isValid())
        editor->setTime(time); // the editor clamps it to its range
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

namespace {
// A number key shown in a spin box: a value outside the box's range, or
// no number, is not taken and the box keeps its own.
template <typename Spin> Setting spinSetting(const char *key, Spin *spin)
{
    Setting s{key, [spin](const QVariant &v) { spin->setValue(v.value<decltype(spin->value())>()); },
              [spin] { return QVariant(spin->value()); }};
    s.lowest = spin->minimum();
    s.highest = spin->maximum();
    s.number = true;
    return s;
}

// A time key: a readable value goes to its editor, which clamps it; the
// copies are taken from the editor whatever the file held.
Setting timeSetting(const char *key, QTimeEdit *editor, std::function<void()> copy)
{
    return {key,
            [editor, copy](const QVariant &v) {
                applyTimeSetting(v, editor);
                copy();
            },
            [editor] { return QVariant(timeSettingText(editor->time())); }, QString()};
}
}

SettingsTable MainWindow::settingsTable()
{
    // The window's own keys; the acquisition's and the charts' are read
    // once by the acquisition, and the controls below show them.
    return {
        timeSetting(Key::Diapo, ui->timeEditDiapo, [this] { on_timeEditDiapo_timeChanged(ui->timeEditDiapo->time()); }),
        {Key::ExportFormat,
         [this](const QVariant &v) {
             // An index the list does not have would leave no format at all.
             const int format = v.toInt();
             if (format >= 0 && format < ui->comboExportFormat->count())
                 ui->comboExportFormat->setCurrentIndex(format);
             graph->exportFormat = ui->comboExportFormat->currentText();
         },
         [this] { return QVariant(ui->comboExportFormat->currentIndex()); }, 0},
        flagSetting(Key::CloseToTray, &closeToTray),
    };
}

void MainWindow::bindControls()
{
    // The settings' tab shows the acquisition's values; what the user cannot
    // type again without effort is written at once.
    ui->editPass->setText(password);
    ui->editLiveBox->setText(livebox);
    connect(ui->editLiveBox, &QLineEdit::textEdited, this, [this](const QString &text) {
        acquisition.livebox = text.trimmed();
        acquisition.saveSetting(Key::LiveBox, acquisition.livebox);
    });
    ui->editUser->setText(user);
    connect(ui->editUser, &QLineEdit::textEdited, this, [this](const QString &text) {
        acquisition.user = text.trimmed();
        acquisition.saveSetting(Key::User, acquisition.user);
    });
    (acquisition.algoType ? ui->radioLB34 : ui->radioLB23)->setChecked(true);
    // The choice of model takes effect at the next start.
    connect(ui->radioLB34, &QAbstractButton::toggled, this, [this](bool on) { acquisition.algoTypeNext = on; });
    {
        // Shown as taken: each editor's slot would apply the other's old value.
        const QSignalBlocker cycle(ui->timeEditCycle);
        const QSignalBlocker arret(ui->timeEditArret);
        ui->timeEditCycle->setTime(QTime(0, 0).addMSecs(cycleMs));
        ui->timeEditArret->setTime(QTime(0, 0).addSecs(acquisition.stallSeconds));
    }
    // The chart window's slideshow pages, read and written by it.
    ui->checkDiapoCourbes->setChecked(graph->diapoCourbes);
    ui->checkDiapoErreurs->setChecked(graph->diapoErreurs);
    ChartData &chart = acquisition.chart;
    ui->checkAffDate->setChecked(chart.echDate);
    ui->checkAffHeure->setChecked(chart.echHeure);
    (chart.rapPageOrient == 0 ? ui->checkPortrait : ui->checkPaysage)->setChecked(true);

    AlertSettings &s = alertSettings;
    const auto limits = [](auto *spin, const ValueLimit &limit) {
        spin->setRange(limit.lowest, limit.highest);
    };
    limits(ui->spinAlerteChuteDebit, AlertLimits::rateDropPercent);
    limits(ui->spinAlerteEchecs, AlertLimits::failedPollCount);
    limits(ui->spinAlerteMarge, AlertLimits::marginDb);
    limits(ui->spinAlerteCRC, AlertLimits::crcPerMinute);
    limits(ui->spinAlerteFEC, AlertLimits::fecPerMinute);
    limits(ui->spinAlerteDelai, AlertLimits::commandSeconds);
    ui->editAlerteCommande->setMaxLength(AlertLimits::commandLength);
    bindCheck(this, ui->checkAlerteResynchro, &s.resync);
    bindCheck(this, ui->checkAlerteRedemarrage, &s.restart);
    bindCheck(this, ui->checkAlerteConnexion, &s.connection);
    bindCheck(this, ui->checkAlerteChuteDebit, &s.rateDrop);
    bindSpin(this, ui->spinAlerteChuteDebit, &s.rateDropPercent);
    bindCheck(this, ui->checkAlerteEchecs, &s.failedPolls);
    bindSpin(this, ui->spinAlerteEchecs, &s.failedPollCount);
    bindCheck(this, ui->checkAlerteMarge, &s.margin);
    bindSpin(this, ui->spinAlerteMarge, &s.marginDb);
    bindCheck(this, ui->checkAlerteCRC, &s.crc);
    bindSpin(this, ui->spinAlerteCRC, &s.crcPerMinute);
    bindCheck(this, ui->checkAlerteFEC, &s.fec);
    bindSpin(this, ui->spinAlerteFEC, &s.fecPerMinute);
    bindCheck(this, ui->checkFermerVersZone, &closeToTray);
    bindSpin(this, ui->spinAlerteDelai, &acquisition.alertCommandSeconds);
    ui->editAlerteCommande->setText(acquisition.alertCommandText);
    connect(ui->editAlerteCommande, &QLineEdit::textChanged, this,
            [this](const QString &text) { acquisition.alertCommandText = text; });
    // The recording's options of the "Paramètres" tab.
    bindCheck(this, ui->checkReloadCSV, &recordingOptions.reload);
    bindCheck(this, ui->checkSaveAuto, &recordingOptions.archive);
    bindCheck(this, ui->checkRazAuto, &recordingOptions.reset);
    bindCheck(this, ui->checkPdfAuto, &recordingOptions.report);
}

SettingsTable MainWindow::geometryTable()
{
    // The client area, applied at once once read.
    return geometrySettings({Key::GuiHeight, Key::GuiWidth, Key::GuiY, Key::GuiX}, this, &savedGeometry, 0);
}
