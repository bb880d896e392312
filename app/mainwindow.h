#pragma once

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

#include "acquisition/acquisition.h"

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

// The main window shows the acquisition and turns its buttons into calls;
// the acquisition (acquisition/) runs the polls, the recording, the alerts
// and the metrics. Its slots are the program's entry points. The members
// that the program's description names are references into the
// acquisition.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    Acquisition acquisition;
    Ui_MainWindow *ui;
    Graph *graph = nullptr;
    Accueil *accueil = nullptr;
    QTimer *&cycleTimer = acquisition.cycleTimer;
    LiveBoxInfos &LBInfos = acquisition.LBInfos;
    LiveBoxInfos &OldLBInfos = acquisition.OldLBInfos;
    Recorder &recorder = acquisition.recorder;
    QString &lastSynchroText = recorder.lastSynchroText;
    double &lastChangeTimeSeen = recorder.lastChangeTimeSeen;
    double &pppLastChangeTimeSeen = recorder.pppLastChangeTimeSeen;
    QString &startTime = acquisition.startTime;
    QString &user = acquisition.user;
    QString &password = acquisition.password;
    QString &ssid = acquisition.ssid;
    QString &livebox = acquisition.livebox;
    bool &algoType = acquisition.algoType;
    int &cycleMs = acquisition.cycleMs;
    int diapoMs = 0;
    bool &connected = acquisition.connected;
    GatewayClient &gateway = acquisition.gateway;

    // The interval in use: longer than the user's while the gateway is slow.
    int cycleInUse() const { return acquisition.cycleInUse(); }
    bool startingUp() const { return acquisition.startingUp(); }

    std::unique_ptr<MetricsServer> &metrics = acquisition.metrics;
    AlertSettings &alertSettings = acquisition.alertSettings;
    RecordingOptions &recordingOptions = acquisition.recordingOptions;
    bool closeToTray = false;
    TrayIcon *tray = nullptr;
    QLabel *alertLabel = nullptr; // the last alert, where nothing else could say it
    void raiseAlert(const Alert &alert) { acquisition.raiseAlert(alert); }
    // Takes `icon` as the window's tray icon: its "Afficher la fenêtre" shows the window.
    void setTray(TrayIcon *icon);

    void setVisible(bool visible) override;

    // The session manager's commit (at logout, and at its checkpoints): the
    // settings and the waiting rows are written, and the program goes on.
    void commitData();
    // The data folder, said in the status bar when it is not beside the program.
    void showDataFolder(const QString &path);
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
    // What the acquisition says is shown: the display, the charts, the
    // buttons, the splash, the tray.
    void followAcquisition();
    void showReading();
    void showCycleState();
    void endStartUp();
    void setUpTray();
    void bindControls(); // the settings' controls, once the settings are read
    void sayInStatusBar(const QString &summary, const QString &body);
    void updateTray();
    void showFromTray();
    void showMetricsNotice();
    void showProblemOver(const QDateTime &began, const QDateTime &ended);
    QLabel *problemLabel = nullptr; // when the last acquisition problem began and ended

    // The window's own keys of livebox.ini (settings.cpp).
    SettingsTable settingsTable();
    SettingsTable geometryTable();
    void writeSettings();

    QHash<QString, QLineEdit *> displayFields; // by object name, filled at the first poll
    bool showWhenStarted = false;
    QRect savedGeometry;
    bool quitting = false;     // "QUITTER": the close box's choice of the tray does not apply
    bool stopSignalled = false; // no one may be at the screen: nothing waits on a box
};
