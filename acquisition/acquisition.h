#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>

#include "alerts/alertrules.h"
#include "charts/chartdata.h"
#include "common/settingstable.h"
#include "metrics/access.h"
#include "metrics/metricsserver.h"
#include "recording/dayrollover.h"
#include "recording/recorder.h"
#include "router/gatewayclient.h"
#include "router/liveboxinfos.h"

class AlertCommand;
class Notifier;
class QSettings;
class QTimer;
class QWidget;
class ReloadJob;

// The acquisition, with or without a window: the gateway client, the
// current and previous records, the recording, the cycle and its rules, the
// start-up, the change of day and its report, the alerts and the metrics,
// and the time charts' data. What it has to say goes through `Messages`
// (a box on the desktop, a line headless); what happened goes out as
// signals, which the main window shows.
class Acquisition : public QObject
{
    Q_OBJECT

public:
    explicit Acquisition(QObject *parent = nullptr);
    ~Acquisition() override;

    // The acquisition's keys of livebox.ini, the charts' included: read
    // once at start, written at the end and whenever asked.
    void readSettings();
    void writeSettings();
    // What the user cannot type again without effort is written at once, so
    // that a crash or a lost display keeps it.
    void saveSetting(const char *key, const QVariant &value);

    // The metrics for Prometheus, when the command line or the settings ask
    // for them: false when they cannot be served (headless, the program
    // then ends with a failure status; on the desktop it goes on without).
    bool startMetrics();

    // The start-up: a first poll, the recording reloaded beside the event
    // loop when asked, a refresh, then the acquisition when `-r` was given
    // (always, headless). `startUpEnded` says when it is over.
    void start();
    bool startingUp() const { return startUpStage != StartUp::Done; }
    // `-r`: the acquisition starts with the program.
    bool startAcquiring = false;
    // The start-up's box after a first poll that failed has been answered.
    void endStartUp();
    // The user gives up a start-up poll that the gateway holds: it ends
    // now, and the start-up goes on as after a refused login.
    void giveUpWait();

    // The gateway's operations: one at a time, another asked for meanwhile
    // is ignored.
    void poll(GatewayClient::Scheme scheme, LiveBoxInfos *target);
    void pollGateway(); // the chosen scheme's poll into `LBInfos`
    // A poll whose reading is shown, recorded and drawn.
    void refreshDisplay();
    // "ACTUALISER": the same, the buttons at rest again once it is over.
    void refresh();
    void cycleTick();
    void startCycle();
    void stopCycle();
    bool running() const { return acquisitionRunning; }
    // The gateway restarts once the poll under way is over.
    void restartGateway();

    // The user's interval, at least `minimumCycleSeconds`, and the stall
    // threshold, at least twice the interval: both as taken.
    int setCycleSeconds(int seconds);
    int setStallSeconds(int seconds);
    int cycleInUse() const { return cycleInUseMs; }

    // The recording: a new file, a row, a copy into the archives, the reset
    // (the chart emptied).
    void createRecording();
    void appendRow();
    bool saveCopy();
    void reset();
    // The whole recording read back before returning.
    void reloadNow();

    // The change of day: the archive, the day's report, the reset.
    void handleChangeOfDay();

    // Says an alert: the log, a notification (headless: the standard
    // error), and the user's command.
    void raiseAlert(const Alert &alert);
    bool lastPollGood() const { return m_lastPollGood; }

    // A warning that never holds anything up: one of a kind at a time.
    void warn(const QString &title, const QString &text, std::function<void()> dismissed = {});
    bool warningOpen(const QString &title, const QString &text) const;
    static QString connectionImpossibleText();
    static QString addressMissingText();
    // What a failed first poll says: the address missing, or the connection impossible.
    QString cannotConnectText() const;
    static QString problemText();
    // Boxes open over this window (none headless).
    void setBoxParent(QWidget *parent) { boxParent = parent; }

    // The end of the run, whatever ends it: the poll or reload under way
    // stops without a row, the waiting rows are written (or said lost).
    void endRun(bool stopSignalled);
    bool runEnded() const { return m_runEnded; }
    // The session manager's commit: the settings and the waiting rows are
    // written, and the program goes on.
    void commitData();
    void keepNetworkName();

    LiveBoxInfos LBInfos;
    LiveBoxInfos OldLBInfos;
    Recorder recorder;
    ChartData chart;
    QString startTime;
    QString livebox;
    QString user;
    QString password;
    QString ssid; // the previous run's network, whose recording the start-up reloads
    bool algoType = false;     // the gateway's scheme in use
    bool algoTypeNext = false; // and the one the next start uses
    int cycleMs = 120000; // the user's interval
    int stallSeconds = 300;
    QNetworkAccessManager manager;
    GatewayClient gateway{&manager};
    bool connected = false;
    QTimer *cycleTimer = nullptr;
    std::unique_ptr<MetricsServer> metrics;
    QString metricsWanted; // the settings' metrics address
    MetricsAccess metricsAccess; // and who may read them
    QString metricsServed;  // the address served on
    QString metricsExposed; // what serving there exposes, when it does
    AlertSettings alertSettings;
    RecordingOptions recordingOptions;
    AlertRules alertRules;
    QString alertCommandText;
    int alertCommandSeconds = 30;
    Notifier *notifier = nullptr;
    AlertCommand *alertCommand = nullptr;

signals:
    // A poll has ended, and everything that follows it is done: display,
    // recording, curves, the cycle's next poll and its warning.
    void pollEnded();
    // A poll whose reading is to be shown has started, and has ended.
    void displayStarted();
    void displayEnded();
    // The reading taken was recorded and added to the chart data.
    void readingTaken();
    // The chart data changed otherwise: emptied, reloaded, or its view moved.
    void chartChanged();
    // The cycle started, stopped, or its interval in use changed.
    void cycleStateChanged();
    void refreshEnded();
    void startUpEnded();
    // The start-up no longer waits on the gateway: its splash may go.
    void waitOver();
    // The settings' tab is where the user can correct what failed.
    void settingsWanted();
    // The reload's progress, from 0 to 100 (-1: unknown), past its first second.
    void reloadProgress(int percent);
    // A start-up poll has waited on the gateway a second: it may be given up.
    void gatewaySlow();
    // The polls failed from `began` and read the gateway again at `ended`:
    // the warning that said it has been withdrawn.
    void problemOver(const QDateTime &began, const QDateTime &ended);
    // The line's state changed for the tray: a poll ended, an alert was raised.
    void lineStateChanged();
    // Something the user should read where no notification could say it.
    void unsaid(const QString &summary, const QString &body);

private:
    enum class StartUp { FirstPoll, Reload, Refresh, Warning, Done };
    SettingsTable settingsTable();
    SettingsTable alertsTable();
    GatewayClient::Account account() const;
    void pollFinished(const GatewayClient::Result &result);
    void takeSession(const GatewayClient::Result &result);
    void checkAlerts(const GatewayClient::Result &result);
    void logAlert(const QDateTime &at, const Alert &alert);
    void takeReading();
    void finishCycle(bool complete);
    void useCycle(int ms);
    void continueStartUp(bool aborted);
    void startUpFailed();
    void startReload();
    ReloadJob *newReloadJob();
    void takeReloaded(ReloadJob &job);
    void reloadTick();
    void reloadFinished();
    void stopReload();
    void reportRowsLeft(bool stopSignalled);
    static QString boxKind(const QString &title, const QString &text);

    QWidget *boxParent = nullptr;
    QSet<QString> openBoxes; // by title and text, while they are open
    StartUp startUpStage = StartUp::FirstPoll;
    bool reloaded = false;
    bool waitGivenUp = false;
    int startUpPolls = 0; // which start-up poll a slow gateway's word is about
    ReloadJob *reloadJob = nullptr;
    QTimer *reloadTicker = nullptr;
    QElapsedTimer reloadClock;
    qint64 reloadSaidAt = 0; // headless, when the progress was last said
    QString savedNetworkName; // as livebox.ini holds it now
    int cycleInUseMs = 0; // longer while the gateway is slow
    bool acquisitionRunning = false;
    bool m_runEnded = false;
    bool m_lastPollGood = false;
    // A poll of this run has read the gateway: until then there is no
    // reading to record, and a failed poll writes no row.
    bool gatewayRead = false;
    // The poll under way and what follows it.
    LiveBoxInfos *pollTarget = nullptr;
    bool displayPending = false;
    bool cyclePending = false;
    bool refreshPending = false;
    bool restartPending = false;
    QElapsedTimer cycleClock;
    QDateTime problemSince; // the first failed poll of the problem under way
};
