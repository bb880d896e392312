#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

#include "alerts/alertrules.h"
#include "common/settingstable.h"
#include "metrics/metricsserver.h"
#include "recording/recorder.h"
#include "router/gatewayclient.h"
#include "router/liveboxinfos.h"

class Accueil;
class AlertCommand;
class Notifier;
class TrayIcon;
class Graph;
class QLabel;
class QLineEdit;
class QMessageBox;
class QSettings;
class QTimer;
class ReloadJob;
class Ui_MainWindow;

// The main window owns the measurement records, the polling timer, the
// gateway client and the chart window. Its slots are the program's entry
// points; the work lives in router/, recording/ and charts/. Its operations
// are grouped by concern: lifecycle and settings here, the gateway's
// operations in polls.cpp, polling and the display in acquisition.cpp, the
// recording in recordingslots.cpp.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Ui_MainWindow *ui;
    Graph *graph = nullptr;
    Accueil *accueil = nullptr;
    QTimer *cycleTimer = nullptr;
    LiveBoxInfos LBInfos;
    LiveBoxInfos OldLBInfos;
    // The recording and the synchronisation log; the marks of the last
    // logged event are its own.
    Recorder recorder;
    QString &lastSynchroText = recorder.lastSynchroText;
    double &lastChangeTimeSeen = recorder.lastChangeTimeSeen;
    double &pppLastChangeTimeSeen = recorder.pppLastChangeTimeSeen;
    QString startTime;
    QString user;
    QString password;
    QString ssid; // the previous run's network, whose recording the start-up reloads
    QString livebox;
    bool algoType = false;
    int cycleMs = 0;      // the user's interval
    int cycleInUseMs = 0; // longer while the gateway is slow
    int diapoMs = 0;
    QNetworkAccessManager manager;
    bool connected = false;
    GatewayClient gateway{&manager};

    // Until the start-up's polls and boxes are over, the window stays hidden.
    bool startingUp() const { return startUpStage != StartUp::Done; }

    // Headless, a start-up that cannot go on (the metrics' address cannot be
    // used) ends the program with a failure status.
    bool cannotStart() const { return startFailed; }

    // The metrics for Prometheus, when asked for (null otherwise).
    std::unique_ptr<MetricsServer> metrics;

    // The alerts: their rules and settings (the "Alertes" tab), where they
    // go, and the tray icon where the desktop has a tray (null otherwise).
    AlertSettings alertSettings;
    RecordingOptions recordingOptions; // the "Paramètres" tab's
    AlertRules alertRules;
    QString alertCommandText;
    int alertCommandSeconds = 30;
    bool closeToTray = false;
    Notifier *notifier = nullptr;
    AlertCommand *alertCommand = nullptr;
    TrayIcon *tray = nullptr;
    QLabel *alertLabel = nullptr; // the last alert, where nothing else could say it
    // Says an alert: the log, a notification (or the tray, or the status
    // bar), and the user's command.
    void raiseAlert(const Alert &alert);
    // Takes `icon` as the window's tray icon: its "Afficher la fenêtre" shows the window.
    void setTray(TrayIcon *icon);

    void setVisible(bool visible) override;

    // The session manager's commit (at logout, and at its checkpoints): the
    // settings and the waiting rows are written, and the program goes on.
    void commitData();
    // A stop signal (logout, systemctl, Ctrl+C): the program ends as
    // "QUITTER" ends it, without a box to answer.
    void stopAsked();

signals:
    // The window has closed for good (not hidden in the tray): the program ends.
    void closed();

    // A poll has ended, and everything that follows it is done: display,
    // recording, curves, the cycle's next poll and its warning.
    void pollEnded();

public slots:
    void RebootLiveBox();
    void LiveBoxGetInfos(LiveBoxInfos *LBinfos);
    void LiveBox4GetInfos(LiveBoxInfos *LBinfos);
    void AppendCSV();
    void CreateCSV();
    void ReadCSV();
    void SaveCSV(const QString &FileSave);
    void UpDateAffichage();
    void CycleTimerHandler();
    void on_BtnGraphiques_clicked();
    void on_BtnQuitter_clicked();
    void on_checkPass_clicked(bool checked);
    void on_tabWidget_currentChanged(int index);
    void on_timeEditCycle_timeChanged(const QTime &time);
    void on_timeEditDiapo_timeChanged(const QTime &time);
    void on_BtnActualiser_clicked();
    void on_BtnStartAcquisition_clicked();
    void on_BtnStopAcquisition_clicked();
    void on_BtnSaveReleve_clicked();
    void on_BtnRazReleve_clicked();
    void on_editPass_textChanged(const QString &text);
    void on_comboExportFormat_currentIndexChanged(const QString &text);
    void on_checkDiapoCourbes_toggled(bool checked);
    void on_checkDiapoErreurs_toggled(bool checked);
    void on_BtnRapportGraphique_clicked();
    void on_checkAffDate_toggled(bool checked);
    void on_checkAffHeure_toggled(bool checked);
    void on_checkPortrait_toggled();
    void on_checkPaysage_toggled();
    void on_timeEditArret_timeChanged(const QTime &time);
    void on_btnReboot_clicked();
    void on_BtnTesterAlerte_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class StartUp { FirstPoll, Reload, Refresh, Warning, Done };

    // The gateway's side of a poll and of a restart (polls.cpp).
    void startPoll(GatewayClient::Scheme scheme, LiveBoxInfos *target);
    void pollGateway(); // the chosen scheme's poll into LBInfos
    void pollFinished(const GatewayClient::Result &result);
    void restartFinished(const GatewayClient::Result &result);
    void takeSession(const GatewayClient::Result &result);
    GatewayClient::Account account() const;

    // What follows a poll (acquisition.cpp and here).
    void showPoll();
    void finishCycle(bool complete);
    void useCycle(int ms); // the interval in use, said in the status bar
    void showAcquisitionState();
    void finishRefresh();
    void continueStartUp(bool aborted);
    static bool startOptionGiven(); // -r: the acquisition starts with the program
    void endStartUp();
    // The start-up's reload of the recording, beside the event loop: the
    // splash (or, headless, the standard error) says how far it is, and a
    // stop signal or "Quitter" ends it.
    void startReload();
    ReloadJob *newReloadJob();
    void takeReloaded(ReloadJob &job);
    void reloadTick();
    void reloadFinished();
    void stopReload();

    // A warning box that never holds anything up: it is shown, and the
    // program goes on. One box of a kind at a time.
    void warn(const QString &title, const QString &text, std::function<void()> dismissed = {});
    static QString boxKind(const QString &title, const QString &text);
    static QString connectionImpossibleText();

    void handleChangeOfDay();
    void reportRowsLeft();
    // The end of the run, whatever ends it: the poll or reload under way
    // stops without a row, the waiting rows are written.
    void endRun();
    void writeSettingsFile(); // the whole table
    void writeToSettingsFile(const std::function<void(QSettings &)> &write);
    // What the user cannot type again without effort is written at once, so
    // that a crash or a lost display keeps it.
    void saveSetting(const char *key, const QVariant &value);
    void keepNetworkName();
    void startMetrics();

    // The alerts and the tray (alerting.cpp).
    void setUpAlerts();
    void bindControls(); // the alerts' and the recording's controls, after the settings are read
    SettingsTable alertsTable();
    void checkAlerts(const GatewayClient::Result &result);
    void logAlert(const QDateTime &at, const Alert &alert);
    void sayInStatusBar(const QString &summary, const QString &body);
    void updateTray();
    void showFromTray();

    // The window's keys of livebox.ini (settings.cpp).
    SettingsTable settingsTable();
    SettingsTable geometryTable();
    void readSettings(QSettings &settings);
    void readGeometry(QSettings &settings);
    void writeSettings(QSettings &settings);

    QHash<QString, QLineEdit *> displayFields; // by object name, filled at the first poll
    QSet<QString> openBoxes; // by title and text, while they are open
    StartUp startUpStage = StartUp::FirstPoll;
    bool showWhenStarted = false;
    bool startFailed = false;
    bool reloaded = false;
    ReloadJob *reloadJob = nullptr;
    QTimer *reloadTicker = nullptr;
    QElapsedTimer reloadClock;
    qint64 reloadSaidAt = 0; // headless, when the progress was last said
    QString metricsWanted; // the settings' metrics address
    MetricsAccess metricsAccess; // and who may read them
    QString savedNetworkName; // as livebox.ini holds it now
    QRect savedGeometry;
    bool acquisitionRunning = false;
    bool quitting = false;     // "QUITTER": the close box's choice of the tray does not apply
    bool stopSignalled = false; // no one may be at the screen: nothing waits on a box
    bool runEnded = false;
    bool lastPollGood = false; // for the tray's colour
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
};
