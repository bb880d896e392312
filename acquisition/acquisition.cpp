#include "acquisition.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QSettings>
#include <QTime>
#include <QTimer>

#include <cmath>

#include <qwt_date.h>

#include "alerts/alertcommand.h"
#include "alerts/alertlog.h"
#include "alerts/notifier.h"
#include "common/appdir.h"
#include "common/datetime.h"
#include "common/filenames.h"
#include "common/messages.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "metrics/linesamples.h"
#include "recording/cycle.h"
#include "reloadjob.h"
#include "reports/chartreport.h"

namespace {
double chartNow()
{
    return QwtDate::toDouble(QDateTime::currentDateTime());
}
}

Acquisition::Acquisition(QObject *parent)
    : QObject(parent)
{
    connect(&gateway, &GatewayClient::pollFinished, this, &Acquisition::pollFinished);
    connect(&gateway, &GatewayClient::restartFinished, this, &Acquisition::takeSession);
    // The charts' share of the recording's work.
    recorder.logCreated = [this] { emit chartChanged(); };
    startTime = formatDateTime(QDateTime::currentDateTime());
    startAcquiring = QCoreApplication::arguments().contains(QStringLiteral("-r"));
    cycleTimer = new QTimer(this);
    connect(cycleTimer, &QTimer::timeout, this, &Acquisition::cycleTick);

    notifier = new Notifier(this);
    connect(notifier, &Notifier::undelivered, this, &Acquisition::unsaid);
    alertCommand = new AlertCommand(this);
    connect(alertCommand, &AlertCommand::problem, this, [this](const QString &text) {
        const Alert problem{QStringLiteral("Commande d'alerte"), AlertState::Event, text};
        logAlert(QDateTime::currentDateTime(), problem);
        // Headless, the service's journal is where it can be read.
        if (Messages::headless())
            Messages::print(problem.rule, text);
        else
            emit unsaid(problem.rule, text);
    });
}

Acquisition::~Acquisition()
{
    stopReload();
}

SettingsTable Acquisition::settingsTable()
{
    // In the order they are read: the stall threshold follows the interval.
    SettingsTable table = {
        // Written only when typed on "Paramètres", at once (MainWindow::bindControls).
        {Key::LiveBox, [this](const QVariant &v) { livebox = v.toString(); }, nullptr, QString()},
        {Key::User, [this](const QVariant &v) { user = v.toString(); }, nullptr, QString()},
        {Key::Pass, [this](const QVariant &v) { password = v.toString(); }, [this] { return QVariant(password); },
         QString()},
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
        {Key::AlgoType, [this](const QVariant &v) { algoType = algoTypeNext = v.toInt() != 0; },
         [this] { return QVariant(algoTypeNext ? QStringLiteral("1") : QStringLiteral("0")); }, 0},
        // Two hours at most, as their editors take.
        durationSetting(Key::Cycle, [this](int seconds) { setCycleSeconds(seconds); }, [this] { return cycleMs / 1000; },
                        maximumCycleSeconds),
        durationSetting(Key::Arret, [this](int seconds) { setStallSeconds(seconds); }, [this] { return stallSeconds; },
                        maximumCycleSeconds),
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
    };
    return table;
}

SettingsTable Acquisition::alertsTable()
{
    // The defaults are the alerts' own (the events and the failed polls on,
    // the thresholds off): an absent key, or a value out of its range,
    // leaves the default.
    AlertSettings &s = alertSettings;
    return {
        flagSetting(Key::AlertResync, &s.resync),
        flagSetting(Key::AlertRestart, &s.restart),
        flagSetting(Key::AlertConnection, &s.connection),
        flagSetting(Key::AlertRateDrop, &s.rateDrop),
        limitedSetting(Key::AlertRateDropPercent, &s.rateDropPercent, AlertLimits::rateDropPercent),
        flagSetting(Key::AlertFailedPolls, &s.failedPolls),
        limitedSetting(Key::AlertFailedPollCount, &s.failedPollCount, AlertLimits::failedPollCount),
        flagSetting(Key::AlertMargin, &s.margin),
        limitedSetting(Key::AlertMarginDb, &s.marginDb, AlertLimits::marginDb),
        flagSetting(Key::AlertCrc, &s.crc),
        limitedSetting(Key::AlertCrcPerMinute, &s.crcPerMinute, AlertLimits::crcPerMinute),
        flagSetting(Key::AlertFec, &s.fec),
        limitedSetting(Key::AlertFecPerMinute, &s.fecPerMinute, AlertLimits::fecPerMinute),
        // Longer than its editor takes: a damaged file, not a command.
        textSetting(Key::AlertCommand, &alertCommandText, AlertLimits::commandLength),
        limitedSetting(Key::AlertCommandSeconds, &alertCommandSeconds, AlertLimits::commandSeconds),
    };
}

void Acquisition::readSettings()
{
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    readTable(settings, settingsTable());
    chart.readSettings(settings);
    chart.tempsArret = stallSeconds;
    chart.ssid = ssid;
}

void Acquisition::writeSettings()
{
    {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        writeTable(settings, settingsTable());
        writeTable(settings, chart.settingsTable());
        settings.sync();
    }
    restrictToOwner(settingsFilePath());
}

void Acquisition::saveSetting(const char *key, const QVariant &value)
{
    {
        QSettings settings(settingsFilePath(), QSettings::IniFormat);
        settings.setValue(QLatin1String(key), value);
        settings.sync();
    }
    restrictToOwner(settingsFilePath());
}

void Acquisition::keepNetworkName()
{
    const QString name = recorder.networkName(LBInfos);
    if (name.isEmpty() || name == unknownText() || name == savedNetworkName)
        return;
    // The next start reloads the recording this name gives; this one
    // reloads the previous run's (`ssid`).
    savedNetworkName = name;
    saveSetting(Key::SSID, name);
}

int Acquisition::setCycleSeconds(int seconds)
{
    seconds = std::max(seconds, minimumCycleSeconds);
    cycleMs = seconds * 1000;
    // The user's word stands over a slow gateway's until it is slow again.
    if (cycleInUseMs != cycleMs && acquisitionRunning)
        useCycle(cycleMs);
    // The stall threshold never falls below what the new interval needs.
    setStallSeconds(stallSeconds);
    return seconds;
}

int Acquisition::setStallSeconds(int seconds)
{
    stallSeconds = std::max(seconds, stallFloor(cycleMs / 1000));
    chart.tempsArret = stallSeconds;
    return stallSeconds;
}

bool Acquisition::startMetrics()
{
    const QStringList arguments = QCoreApplication::arguments();
    const int option = arguments.indexOf(QStringLiteral("--metrics"));
    const QString wanted = option >= 0 ? arguments.value(option + 1) : metricsWanted;
    if (option < 0 && wanted.trimmed().isEmpty())
        return true; // off
    const QString address = metricsAddress(wanted);
    QString error = QStringLiteral("adresse invalide, attendu ADRESSE:PORT ou PORT");
    if (!address.isEmpty())
        metrics = MetricsServer::serve(address, metricsAccess, &error);
    if (metrics) {
        const QString url = QStringLiteral("http://%1/metrics")
                                .arg(address.left(address.lastIndexOf(QLatin1Char(':')) + 1)
                                     + QString::number(metrics->port()));
        // The service's journal says where to point Prometheus.
        if (Messages::headless())
            Messages::information(boxParent, QStringLiteral("Quelvane"),
                                  QStringLiteral("Métriques servies sur %1").arg(url));
        metricsServed = address;
        metricsExposed = exposureWarning(address, metricsAccess);
        // Said on the standard error for the service; the window says it too.
        if (!metricsExposed.isEmpty())
            Messages::print(QStringLiteral("Quelvane"), metricsExposed);
        return true;
    }
    const QString text = QStringLiteral("Les métriques ne peuvent pas être servies sur « %1 » : %2").arg(wanted, error);
    if (Messages::headless()) {
        // A watcher without the metrics it was started for would mislead.
        Messages::warning(boxParent, QStringLiteral("Quelvane"), text);
        return false;
    }
    warn(QStringLiteral("Quelvane"), text + QStringLiteral("\nLe suivi continue sans métriques."));
    return false;
}

// The start-up.

void Acquisition::start()
{
    // What the start-up does next waits for the first poll's end
    // (continueStartUp), so that the splash is painted meanwhile.
    pollGateway();
}

void Acquisition::continueStartUp(bool aborted)
{
    if (aborted && !waitGivenUp) {
        emit waitOver();
        endStartUp();
        return;
    }
    // A poll given up leaves the start-up where a failed first poll does.
    if (startUpStage == StartUp::FirstPoll || (waitGivenUp && startUpStage == StartUp::Refresh)) {
        if (recordingOptions.reload && !reloaded) {
            startReload();
            return;
        }
        reloaded = true;
        if (connected && !waitGivenUp) {
            startUpStage = StartUp::Refresh;
            refresh();
            return;
        }
        startUpFailed();
        return;
    }
    if (startUpStage == StartUp::Refresh) {
        emit waitOver();
        endStartUp();
        if (startAcquiring)
            startCycle();
        // Headless, the program is there to record: it always polls.
        if (Messages::headless() && !acquisitionRunning)
            startCycle();
    }
}

void Acquisition::startUpFailed()
{
    emit waitOver();
    if (Messages::headless()) {
        // No one to correct the password: say so, and try again an interval later.
        warn(QStringLiteral("Quelvane"), cannotConnectText());
        QTimer::singleShot(cycleMs, this, [this] { pollGateway(); });
        return;
    }
    if (startAcquiring) {
        // Started with the session, often before the gateway is up after
        // a power cut: the box is shown once, and the acquisition tries
        // again every interval with nobody at the screen.
        // Closed by a poll that read the gateway again, it asks for nothing.
        warn(QStringLiteral("Quelvane"), cannotConnectText(), [this] {
            if (!connected)
                emit settingsWanted();
        });
        endStartUp();
        startCycle();
        return;
    }
    startUpStage = StartUp::Warning;
    warn(QStringLiteral("Quelvane"), cannotConnectText(), [this] {
        emit settingsWanted();
        endStartUp();
    });
}

void Acquisition::giveUpWait()
{
    if (!startingUp() || !gateway.busy())
        return;
    waitGivenUp = true;
    gateway.abort();
}

void Acquisition::endStartUp()
{
    if (startUpStage == StartUp::Done)
        return;
    startUpStage = StartUp::Done;
    waitGivenUp = false;
    emit startUpEnded();
}

QString Acquisition::problemText()
{
    return QStringLiteral("Problème d'acquisition !!!");
}

QString Acquisition::addressMissingText()
{
    return QStringLiteral("Adresse de la Livebox manquante : saisissez-la dans l'onglet « Paramètres » "
                          "(LIVEBOX/LiveBox dans livebox.ini).");
}

QString Acquisition::cannotConnectText() const
{
    // Without an address no password can be right: say what is missing.
    return livebox.trimmed().isEmpty() ? addressMissingText() : connectionImpossibleText();
}

QString Acquisition::connectionImpossibleText()
{
    return QStringLiteral("Connexion impossible, vérifer le mot de passe et le fonctionnement de la Box.");
}

void Acquisition::startReload()
{
    startUpStage = StartUp::Reload;
    reloadJob = newReloadJob();
    reloadJob->start();
    reloadClock.start();
    reloadSaidAt = 0;
    // Its end and its progress are looked at often enough to go unnoticed.
    reloadTicker = new QTimer(this);
    connect(reloadTicker, &QTimer::timeout, this, &Acquisition::reloadTick);
    reloadTicker->start(20);
}

void Acquisition::reloadTick()
{
    if (reloadJob->done()) {
        reloadFinished();
        return;
    }
    // A reload that ends within a second is not worth a word.
    const qint64 elapsed = reloadClock.elapsed();
    if (elapsed < 1000)
        return;
    const double fraction = reloadJob->fraction();
    const int percent = fraction < 0 ? -1 : int(fraction * 100);
    if (!Messages::headless()) {
        emit reloadProgress(percent);
        return;
    }
    if (reloadSaidAt == 0 || elapsed - reloadSaidAt >= 5000) {
        reloadSaidAt = elapsed;
        Messages::print(QStringLiteral("Quelvane"), percent < 0 ? QStringLiteral("Chargement du relevé en cours")
                                                                : QStringLiteral("Chargement du relevé : %1 %").arg(percent));
    }
}

ReloadJob *Acquisition::newReloadJob()
{
    return new ReloadJob(recordingFilePath(ssid), LBInfos, OldLBInfos, chart.newReload());
}

void Acquisition::takeReloaded(ReloadJob &job)
{
    if (!job.loaded())
        return;
    LBInfos = job.current();
    OldLBInfos = job.previous();
    recorder.latestDay.reach(job.latestDay().reading());
    chart.takeReload(std::move(job.samples()));
    emit chartChanged();
}

void Acquisition::reloadFinished()
{
    takeReloaded(*reloadJob);
    stopReload();
    reloaded = true;
    startUpStage = StartUp::FirstPoll;
    continueStartUp(false);
}

void Acquisition::stopReload()
{
    delete reloadJob; // stops its thread
    reloadJob = nullptr;
    if (reloadTicker) {
        // It may be the caller: it goes once its signal has returned.
        reloadTicker->stop();
        reloadTicker->deleteLater();
        reloadTicker = nullptr;
    }
}

void Acquisition::reloadNow()
{
    const std::unique_ptr<ReloadJob> job(newReloadJob());
    job->run();
    takeReloaded(*job);
}

// The gateway's side of a poll and of a restart.

GatewayClient::Account Acquisition::account() const
{
    return {livebox, user, password};
}

void Acquisition::pollGateway()
{
    poll(algoType ? GatewayClient::Scheme::Newer : GatewayClient::Scheme::Older, &LBInfos);
}

void Acquisition::poll(GatewayClient::Scheme scheme, LiveBoxInfos *target)
{
    if (gateway.busy())
        return;
    gateway.setTracePath(AppDir::filePath(QStringLiteral("debug.txt")));
    pollTarget = target;
    gateway.poll(scheme, account(), *target);
    if (startingUp() && !Messages::headless()) {
        // A gateway that answers within a second is not worth a button.
        QTimer::singleShot(1000, this, [this, started = ++startUpPolls] {
            if (startingUp() && gateway.busy() && startUpPolls == started)
                emit gatewaySlow();
        });
    }
}

void Acquisition::takeSession(const GatewayClient::Result &result)
{
    if (result.session == GatewayClient::Session::Opened)
        connected = true;
    else if (result.session == GatewayClient::Session::Closed)
        connected = false;
    // Only the newer scheme's refused login is shown; the box never holds
    // the polls up.
    if (result.loginFailed && result.scheme == GatewayClient::Scheme::Newer)
        warn(QStringLiteral("Authentification"), QStringLiteral("LB non connectée"));
}

void Acquisition::pollFinished(const GatewayClient::Result &result)
{
    takeSession(result);
    // A failed poll leaves the record as it was.
    if (result.complete && pollTarget) {
        // The run's first reading, when nothing was reloaded before it, is
        // compared with itself: no variation, no event against a record of
        // zeros.
        if (!gatewayRead && pollTarget == &LBInfos && OldLBInfos.DateTime == unknownText())
            OldLBInfos = result.record;
        *pollTarget = result.record;
        gatewayRead = true;
        keepNetworkName();
    }
    pollTarget = nullptr;
    if (result.complete && Messages::headless())
        openBoxes.clear(); // what went wrong may be said again
    if (result.complete && problemSince.isValid()) {
        // A box about a state that has ended would mislead whoever comes back.
        Messages::withdraw(QStringLiteral("Quelvane"), problemText());
        Messages::withdraw(QStringLiteral("Quelvane"), connectionImpossibleText());
        Messages::withdraw(QStringLiteral("Quelvane"), addressMissingText());
        emit problemOver(problemSince, QDateTime::currentDateTime());
        problemSince = QDateTime();
    }

    if (metrics && !result.aborted) {
        const double seconds = result.elapsedMs / 1000.0;
        if (result.complete)
            metrics->goodPoll(result.record, result.scheme == GatewayClient::Scheme::Older, seconds);
        else
            metrics->failedPoll(seconds);
    }
    if (!result.aborted)
        checkAlerts(result);

    if (displayPending) {
        displayPending = false;
        if (!result.aborted)
            takeReading();
        emit displayEnded();
    }
    if (cyclePending) {
        cyclePending = false;
        if (!result.aborted)
            finishCycle(result.complete);
    }
    if (refreshPending) {
        refreshPending = false;
        emit refreshEnded();
    }
    if (startingUp() && startUpStage != StartUp::Warning)
        continueStartUp(result.aborted);
    if (restartPending) {
        restartPending = false;
        gateway.restart(account());
    }
    emit pollEnded();
}

void Acquisition::restartGateway()
{
    // A poll that began meanwhile goes first.
    if (!gateway.restart(account()))
        restartPending = true;
}

// Polling and what follows a poll.

void Acquisition::refreshDisplay()
{
    if (gateway.busy())
        return;
    OldLBInfos = LBInfos;
    displayPending = true;
    emit displayStarted();
    // The rest follows when the gateway has answered (takeReading).
    pollGateway();
}

void Acquisition::refresh()
{
    refreshPending = true;
    refreshDisplay();
    if (!displayPending) { // the gateway was busy: nothing started
        refreshPending = false;
        emit refreshEnded();
    }
}

void Acquisition::takeReading()
{
    // Nothing read yet in this run: no reading to show or record.
    if (!gatewayRead)
        return;
    chart.ssid = recorder.networkName(LBInfos);
    chart.liveboxType = LBInfos.HardwareVersion;
    chart.liveboxSoftware = LBInfos.SoftwareVersion;
    appendRow();
    chart.add(LBInfos, OldLBInfos, chartNow());
    emit readingTaken();
}

void Acquisition::cycleTick()
{
    if (gateway.busy())
        return;
    cycleClock.start();
    cycleTimer->stop();
    cyclePending = true;
    refreshDisplay();
}

void Acquisition::startCycle()
{
    acquisitionRunning = true;
    useCycle(cycleMs);
    cycleTimer->start(cycleInUseMs);
}

void Acquisition::stopCycle()
{
    acquisitionRunning = false;
    cycleTimer->stop();
    emit cycleStateChanged();
    // A cycle's poll still waiting on the gateway ends now: stopped means
    // stopped, not in up to thirty seconds.
    if (cyclePending)
        gateway.abort();
}

void Acquisition::useCycle(int ms)
{
    cycleInUseMs = ms;
    // The charts' stall rule follows the interval in use.
    chart.cycleInUse = ms / 1000.0;
    emit cycleStateChanged();
}

void Acquisition::finishCycle(bool complete)
{
    // Measured on a monotonic clock, and no box is ever waited on inside a
    // poll: the duration is the poll's own.
    const qint64 elapsed = cycleClock.elapsed();

    // "ARRETER ACQUISITION" stays usable while a poll waits for the gateway;
    // a stop pressed meanwhile must not be undone by the re-arm.
    if (!acquisitionRunning)
        return;
    cycleTimer->start(rearmDelay(cycleInUseMs, elapsed));
    const int inUse = cycleAfterPoll(cycleMs, cycleInUseMs, elapsed, complete);
    if (inUse != cycleInUseMs)
        useCycle(inUse);

    // Polling goes on behind the box; further failures while it is open do
    // not stack more boxes on top of it, nor on the start-up's box, which
    // says it already.
    if (connected)
        return;
    if (!problemSince.isValid())
        problemSince = QDateTime::currentDateTime();
    if (!warningOpen(QStringLiteral("Quelvane"), cannotConnectText()))
        warn(QStringLiteral("Quelvane"), problemText());
}

// The recording and the change of day.

void Acquisition::createRecording()
{
    recorder.create(LBInfos);
}

void Acquisition::appendRow()
{
    handleChangeOfDay();
    recorder.append(LBInfos, startTime);
}

bool Acquisition::saveCopy()
{
    return recorder.copy(LBInfos, manualArchivePath(recorder.networkName(LBInfos), QDateTime::currentDateTime()));
}

void Acquisition::reset()
{
    createRecording();
    chart.clear(chartNow());
    emit chartChanged();
}

void Acquisition::handleChangeOfDay()
{
    const Rollover rollover = rolloverFor(&recorder.latestDay, LBInfos.DateTime, recordingOptions.archive,
                                          recordingOptions.report, recordingOptions.reset);
    const QDateTime previousDay = parseDateTime(rollover.dayReading);
    const QString network = recorder.networkName(LBInfos);

    const bool archived = rollover.archive && recorder.archive(LBInfos, autoArchivePath(network, previousDay));
    if (rollover.report && chart.reportPlotCount() == 0)
        warn(QStringLiteral("Quelvane"), noPlotInReportText());
    else if (rollover.report) {
        // The report shows the day it is named after, from midnight to
        // midnight, whatever the time now and wherever the samples are.
        chart.showDay(previousDay.date());
        chart.updateView(chartNow());
        QDir().mkpath(AppDir::filePath(QStringLiteral("export")));
        writeChartReport(autoReportPath(network, previousDay), previousDay.toString(QStringLiteral("dd/MM/yyyy")),
                         chart);
        chart.showRange(3.0);
        chart.setAutomatic(true);
        chart.updateView(chartNow());
        emit chartChanged();
    }
    if (resetAfterArchive(rollover, archived))
        reset();
}

// The alerts.

void Acquisition::checkAlerts(const GatewayClient::Result &result)
{
    m_lastPollGood = result.complete;
    PollOutcome poll;
    poll.good = result.complete;
    poll.reading = result.record;
    poll.atMs = QDeadlineTimer::current().deadline();
    poll.withPpp = result.scheme == GatewayClient::Scheme::Older;
    for (const Alert &alert : alertRules.check(alertSettings, poll))
        raiseAlert(alert);
    emit lineStateChanged();
}

void Acquisition::raiseAlert(const Alert &alert)
{
    const QDateTime now = QDateTime::currentDateTime();
    logAlert(now, alert);

    const QString summary = QStringLiteral("Quelvane : ") + alert.rule;
    const QString body = alert.state == AlertState::Event ? alert.values
                                                          : alertStateText(alert.state) + QStringLiteral(" : ") + alert.values;
    // Headless, the journal is where a service's alerts are read.
    if (Messages::headless())
        Messages::print(summary, body);
    else
        // Critical while the polls fail or the line is down: it stays on screen.
        notifier->notify(summary, body,
                         !m_lastPollGood || !lineUp(LBInfos) ? Notifier::Urgency::Critical
                                                                             : Notifier::Urgency::Normal);
    if (!alertCommandText.trimmed().isEmpty())
        alertCommand->run(alertCommandText.trimmed(), alertCommandSeconds,
                          {formatDateTime(now), alert.rule, alertStateText(alert.state), alert.values});
}

void Acquisition::logAlert(const QDateTime &at, const Alert &alert)
{
    recorder.appendLine(alertLogFilePath(recorder.networkName(LBInfos)), alertLogHeader(), alertLogRow(at, alert));
}

// Messages.

QString Acquisition::boxKind(const QString &title, const QString &text)
{
    return title + QLatin1Char('\n') + text;
}

bool Acquisition::warningOpen(const QString &title, const QString &text) const
{
    return openBoxes.contains(boxKind(title, text));
}

void Acquisition::warn(const QString &title, const QString &text, std::function<void()> dismissed)
{
    const QString kind = boxKind(title, text);
    if (openBoxes.contains(kind)) {
        if (dismissed)
            dismissed();
        return;
    }
    openBoxes.insert(kind);
    Messages::warnLater(boxParent, title, text, [this, kind, dismissed] {
        // Headless, a line is answered as soon as it is written: it stays
        // said until a poll succeeds, so that a gateway refusing all night
        // is told once, not at every interval.
        if (!Messages::headless())
            openBoxes.remove(kind);
        if (dismissed)
            dismissed();
    });
}

// The end of the run.

void Acquisition::endRun(bool stopSignalled)
{
    if (m_runEnded)
        return;
    m_runEnded = true;
    // A poll or a reload under way ends now, without a row: the user has left.
    stopReload();
    gateway.abort();
    cycleTimer->stop();
    reportRowsLeft(stopSignalled);
    acquisitionRunning = false;
}

void Acquisition::commitData()
{
    writeSettings();
    const QMap<QString, int> left = recorder.flush();
    for (auto it = left.begin(); it != left.end(); ++it)
        Messages::print(QStringLiteral("Quelvane"), QStringLiteral("%1 ligne(s) attendent encore d'être écrites dans %2")
                                                        .arg(it.value())
                                                        .arg(QDir::toNativeSeparators(it.key())));
}

void Acquisition::reportRowsLeft(bool stopSignalled)
{
    // Rows that still cannot be written (a read-only folder, a full disk) are
    // lost with the program: say so, with their count, rather than quietly.
    const QMap<QString, int> left = recorder.flush();
    if (left.isEmpty())
        return;
    QStringList lines;
    for (auto it = left.begin(); it != left.end(); ++it) {
        lines << QStringLiteral("%1 ligne(s) pour %2").arg(it.value()).arg(QDir::toNativeSeparators(it.key()));
        // Headless, the message below is itself the standard error's line.
        if (!Messages::headless())
            Messages::print(QStringLiteral("Quelvane"),
                            QStringLiteral("%1 ligne(s) n'ont pas pu être écrites dans %2 et sont perdues")
                                .arg(it.value())
                                .arg(QDir::toNativeSeparators(it.key())));
    }
    const QString text = QStringLiteral("Des relevés n'ont pas pu être écrits (dossier en lecture seule ou disque "
                                        "plein) et sont perdus à la fermeture :\n")
                             + lines.join(QLatin1Char('\n'));
    // Stopped by a signal, no one may be there to answer: the standard error has said it.
    if (stopSignalled && !Messages::headless())
        return;
    Messages::warning(boxParent, QStringLiteral("Quelvane"), text);
}
