#include "settings.h"

#include <QFile>
#include <QSettings>
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
Setting checkSetting(const char *key, QAbstractButton *box, bool written, std::function<void(bool)> copy = {})
{
    Setting s{key,
              [box, copy](const QVariant &v) {
                  box->setChecked(v.toBool());
                  if (copy)
                      copy(box->isChecked());
              },
              nullptr, false};
    if (written)
        s.value = [box] { return QVariant(box->isChecked()); };
    return s;
}

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
    // In the order they are read: setting a control runs its slot, and the
    // stall threshold follows the interval.
    SettingsTable table = {
        {Key::LiveBox, [this](const QVariant &v) { livebox = v.toString(); }, nullptr, QString()},
        {Key::User, [this](const QVariant &v) { user = v.toString(); }, nullptr, QString()},
        {Key::Pass,
         [this](const QVariant &v) {
             password = v.toString();
             ui->editPass->setText(password);
         },
         [this] { return QVariant(password); }, QString()},
        {Key::SSID,
         [this](const QVariant &v) {
             ssid = v.toString();
             savedNetworkName = ssid;
             recorder.setKnownNetwork(ssid);
         },
         [this] {
             // Until a poll of this run has named the network, the record
             // still holds its placeholder; keep the name of the previous run
             // so that the next start reloads the recording it belongs to.
             const QString name = recorder.networkName(LBInfos);
             return QVariant(name == unknownText() ? ssid : name);
         },
         QString()},
        {Key::AlgoType,
         [this](const QVariant &v) {
             algoType = v.toInt() != 0;
             (algoType ? ui->radioLB34 : ui->radioLB23)->setChecked(true);
         },
         [this] { return QVariant(ui->radioLB23->isChecked() ? QStringLiteral("0") : QStringLiteral("1")); }, 0},
        timeSetting(Key::Cycle, ui->timeEditCycle, [this] { cycleMs = millisecondsOf(ui->timeEditCycle->time()); }),
        timeSetting(Key::Arret, ui->timeEditArret, [this] { graph->tempsArret = secondsOf(ui->timeEditArret->time()); }),
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
        // The chart window writes these; the check boxes decide them.
        checkSetting(Key::DiapoCourbes, ui->checkDiapoCourbes, false, [this](bool on) { graph->diapoCourbes = on; }),
        checkSetting(Key::DiapoErreurs, ui->checkDiapoErreurs, false, [this](bool on) { graph->diapoErreurs = on; }),
        // A first start labels the time axes with both the date and the hour.
        [this] {
            Setting s = checkSetting(Key::EchDate, ui->checkAffDate, false);
            s.absent = true;
            return s;
        }(),
        [this] {
            Setting s = checkSetting(Key::EchHeure, ui->checkAffHeure, false);
            s.absent = true;
            return s;
        }(),
        // An absent key is an option off.
        flagSetting(Key::ReloadCSV, &recordingOptions.reload, false),
        flagSetting(Key::SaveAuto, &recordingOptions.archive, false),
        flagSetting(Key::RazAuto, &recordingOptions.reset, false),
        flagSetting(Key::PdfAuto, &recordingOptions.report, false),
    };
    table += alertsTable();
    table += SettingsTable{
        {Key::MetricsAddress, [this](const QVariant &v) { metricsWanted = v.toString(); }, nullptr},
        {Key::MetricsUser, [this](const QVariant &v) { metricsAccess.user = v.toString(); }, nullptr},
        {Key::MetricsPasswordHash, [this](const QVariant &v) { metricsAccess.passwordHash = v.toString().toUtf8(); },
         nullptr},
        {Key::RapPageOrient,
         [this](const QVariant &v) {
             // Other values leave the form's choice.
             if (v.toInt() == 1)
                 ui->checkPaysage->setChecked(true);
             if (v.toInt() == 0)
                 ui->checkPortrait->setChecked(true);
         },
         nullptr, 0},
    };
    return table;
}

SettingsTable MainWindow::alertsTable()
{
    // Read into the alerts' settings, whose defaults are the form's (the
    // events and the failed polls on, the thresholds off): an absent key, or
    // a value out of its editor's range, leaves the default.
    AlertSettings &s = alertSettings;
    const auto within = [](Setting setting, const auto *editor) {
        setting.lowest = editor->minimum();
        setting.highest = editor->maximum();
        return setting;
    };
    const auto real = [&](const char *key, double *member, const QDoubleSpinBox *editor) {
        return within(numberSetting(key, member, 0, 0), editor);
    };
    const auto whole = [&](const char *key, int *member, const QSpinBox *editor) {
        return within(integerSetting(key, member, 0, 0), editor);
    };
    return {
        flagSetting(Key::AlertResync, &s.resync),
        flagSetting(Key::AlertRestart, &s.restart),
        flagSetting(Key::AlertConnection, &s.connection),
        flagSetting(Key::AlertRateDrop, &s.rateDrop),
        real(Key::AlertRateDropPercent, &s.rateDropPercent, ui->spinAlerteChuteDebit),
        flagSetting(Key::AlertFailedPolls, &s.failedPolls),
        whole(Key::AlertFailedPollCount, &s.failedPollCount, ui->spinAlerteEchecs),
        flagSetting(Key::AlertMargin, &s.margin),
        real(Key::AlertMarginDb, &s.marginDb, ui->spinAlerteMarge),
        flagSetting(Key::AlertCrc, &s.crc),
        real(Key::AlertCrcPerMinute, &s.crcPerMinute, ui->spinAlerteCRC),
        flagSetting(Key::AlertFec, &s.fec),
        real(Key::AlertFecPerMinute, &s.fecPerMinute, ui->spinAlerteFEC),
        // Longer than its editor takes: a damaged file, not a command.
        textSetting(Key::AlertCommand, &alertCommandText, ui->editAlerteCommande->maxLength()),
        whole(Key::AlertCommandSeconds, &alertCommandSeconds, ui->spinAlerteDelai),
        flagSetting(Key::CloseToTray, &closeToTray),
    };
}

void MainWindow::bindControls()
{
    AlertSettings &s = alertSettings;
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
    bindSpin(this, ui->spinAlerteDelai, &alertCommandSeconds);
    ui->editAlerteCommande->setText(alertCommandText);
    connect(ui->editAlerteCommande, &QLineEdit::textChanged, this, [this](const QString &text) { alertCommandText = text; });
    // The recording's options of the "Paramètres" tab.
    bindCheck(this, ui->checkReloadCSV, &recordingOptions.reload);
    bindCheck(this, ui->checkSaveAuto, &recordingOptions.archive);
    bindCheck(this, ui->checkRazAuto, &recordingOptions.reset);
    bindCheck(this, ui->checkPdfAuto, &recordingOptions.report);
}

SettingsTable MainWindow::geometryTable()
{
    // The client area, applied at once once read (readGeometry).
    return geometrySettings({Key::GuiHeight, Key::GuiWidth, Key::GuiY, Key::GuiX}, this, &savedGeometry, 0);
}

void MainWindow::readSettings(QSettings &settings)
{
    readTable(settings, settingsTable());
}

void MainWindow::readGeometry(QSettings &settings)
{
    readTable(settings, geometryTable());
    setGeometry(fitToScreens(savedGeometry));
}

void MainWindow::writeSettings(QSettings &settings)
{
    writeTable(settings, settingsTable());
    writeTable(settings, geometryTable());
}
