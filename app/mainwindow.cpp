#include "mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QThread>
#include <QTimer>

#include "accueil.h"
#include "chartwindow/graph.h"
#include "common/datafolder.h"
#include "common/messages.h"
#include "common/screenfit.h"
#include "common/settingsfile.h"
#include "common/settingskeys.h"
#include "tray/trayicon.h"
#include "recording/display.h"
#include "settings.h"
#include "ui_mainwindow.h"
#include "version.h"

namespace {
enum class Mode { Idle, Running, Refreshing };

void setButtonStates(Ui_MainWindow *ui, Mode mode)
{
    const bool idle = mode == Mode::Idle;
    ui->BtnActualiser->setEnabled(idle);
    ui->BtnGraphiques->setEnabled(true);
    ui->BtnStartAcquisition->setEnabled(idle);
    ui->BtnStopAcquisition->setEnabled(mode == Mode::Running);
    ui->BtnSaveReleve->setEnabled(idle);
    ui->BtnRazReleve->setEnabled(idle);
    ui->BtnQuitter->setEnabled(idle);
}

// A read-only field shows the start of its text (firmware versions are
// longer than their field); when the text does not fit, the whole of it is
// in the field's tool tip.
void showFieldText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    const QMargins margins = edit->textMargins();
    // Two pixels on each side: the line edit's own horizontal margin.
    const int width = room.width() - margins.left() - margins.right() - 4;
    edit->setToolTip(edit->fontMetrics().horizontalAdvance(text) > width ? text : QString());
}
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    initResources();
    acquisition.setBoxParent(this);
    acquisition.readSettings();

    ui->setupUi(this);
    accueil = new Accueil;
    connect(accueil, &Accueil::quitAsked, this, &MainWindow::on_BtnQuitter_clicked);
    graph = new Graph(&acquisition.chart);
    accueil->show();

    followAcquisition();

    ui->btnReboot->hide();
    // Bold date-times are wider than their 150-pixel fields with the wide
    // fonts of Linux desktops: narrow the bold face a little rather than
    // cut the seconds off.
    for (QLineEdit *bold : {ui->editSynchroTime, ui->editUpStreamCurrRate, ui->editDownStreamCurrRate}) {
        QFont font = bold->font();
        font.setStretch(QFont::SemiCondensed);
        bold->setFont(font);
    }
    setButtonStates(ui, Mode::Idle);
    ui->tabWidget->setCurrentIndex(0);

    auto *aboutLabel = new QLabel(this);
    aboutLabel->setObjectName(QStringLiteral("labelVersion"));
    aboutLabel->setTextFormat(Qt::RichText);
    aboutLabel->setText(QStringLiteral("%1 - %2 - <img src=\":/icons/QtCreator\" width=\"16\" height=\"16\"> - Qt.%3 / Qwt.%4")
                            .arg(programVersionText(), aboutNotice(), qtVersionText(), qwtVersionText()));
    statusBar()->addPermanentWidget(aboutLabel, 0);
    ui->labelAbout->setText(ui->labelAbout->text().arg(qtVersionText(), qwtVersionText()));

    setUpTray();
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    readTable(settings, settingsTable());
    bindControls();
    acquisition.startMetrics();
    showMetricsNotice();

    readTable(settings, geometryTable());
    setGeometry(fitToScreens(savedGeometry));
    ui->tabWidget->setCurrentIndex(0);

    acquisition.start();
}

void MainWindow::followAcquisition()
{
    connect(&acquisition, &Acquisition::pollEnded, this, &MainWindow::pollEnded);
    connect(&acquisition, &Acquisition::displayStarted, this, [this] { setCursor(Qt::WaitCursor); });
    connect(&acquisition, &Acquisition::displayEnded, this, [this] { setCursor(Qt::ArrowCursor); });
    connect(&acquisition, &Acquisition::readingTaken, this, &MainWindow::showReading);
    connect(&acquisition, &Acquisition::chartChanged, this, [this] {
        if (graph)
            graph->chartChanged();
    });
    connect(&acquisition, &Acquisition::cycleStateChanged, this, &MainWindow::showCycleState);
    connect(&acquisition, &Acquisition::refreshEnded, this, [this] { setButtonStates(ui, Mode::Idle); });
    connect(&acquisition, &Acquisition::startUpEnded, this, &MainWindow::endStartUp);
    connect(&acquisition, &Acquisition::settingsWanted, this, [this] { ui->tabWidget->setCurrentIndex(3); });
    connect(&acquisition, &Acquisition::waitOver, accueil, &QWidget::close);
    connect(&acquisition, &Acquisition::reloadProgress, accueil, &Accueil::showProgress);
    connect(&acquisition, &Acquisition::gatewaySlow, accueil, &Accueil::offerCancel);
    connect(accueil, &Accueil::cancelAsked, &acquisition, &Acquisition::giveUpWait);
    connect(&acquisition, &Acquisition::lineStateChanged, this, &MainWindow::updateTray);
    connect(&acquisition, &Acquisition::problemOver, this, &MainWindow::showProblemOver);
    connect(&acquisition, &Acquisition::unsaid, this, [this](const QString &summary, const QString &body) {
        if (!tray || !tray->showMessage(summary, body))
            sayInStatusBar(summary, body);
    });
}

void MainWindow::showDataFolder(const QString &path)
{
    // In the version's place; a long path keeps its ends, the whole of it
    // in the tool tip.
    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("labelDossier"));
    label->setToolTip(path);
    label->setText(dataFolderText(label->fontMetrics().elidedText(path, Qt::ElideMiddle, 240)));
    // Hidden before the notice comes: the status bar lays out its widgets
    // as they are when one is added, and would keep room for both.
    if (auto *version = findChild<QLabel *>(QStringLiteral("labelVersion")))
        version->hide();
    statusBar()->insertPermanentWidget(0, label);
    showCycleState();
}

void MainWindow::showMetricsNotice()
{
    // The user who typed the address reads what it exposes in the window too.
    if (!acquisition.metrics || acquisition.metricsExposed.isEmpty())
        return;
    const bool open = acquisition.metricsAccess.open();
    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("labelMetriques"));
    label->setToolTip(acquisition.metricsExposed);
    label->setText((open ? QStringLiteral("Métriques ouvertes au réseau : %1")
                         : QStringLiteral("Métriques au réseau, avec mot de passe : %1"))
                       .arg(acquisition.metricsServed));
    if (open)
        label->setStyleSheet(QStringLiteral("color: #b00000;"));
    statusBar()->insertPermanentWidget(0, label);
}

void MainWindow::endStartUp()
{
    accueil->close();
    if (showWhenStarted) {
        QMainWindow::setVisible(true);
        keepFrameOnScreen(this);
    }
}

void MainWindow::setVisible(bool visible)
{
    // The entry point shows the window at once; it appears once the
    // start-up is over, as when the first poll held the constructor.
    if (visible && startingUp()) {
        showWhenStarted = true;
        return;
    }
    QMainWindow::setVisible(visible);
}

MainWindow::~MainWindow()
{
    // The chart window writes its own keys first; it is normally gone by
    // now (closeEvent), unless the window was destroyed without closing.
    delete graph;
    graph = nullptr;

    writeSettings();

    delete accueil;
    delete ui;
}

void MainWindow::writeSettings()
{
    acquisition.writeSettings();
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    writeTable(settings, settingsTable());
    writeTable(settings, geometryTable());
    settings.sync();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The close box may only hide the window in the tray; "QUITTER" quits.
    if (closeToTray && tray && tray->isVisible() && !quitting) {
        hide();
        event->ignore();
        return;
    }
    acquisition.endRun(stopSignalled);
    if (graph) {
        graph->close();
        delete graph;
        graph = nullptr;
    }
    event->accept();
    emit closed();
}

void MainWindow::commitData()
{
    acquisition.commitData();
    writeSettings();
}

void MainWindow::stopAsked()
{
    if (acquisition.runEnded())
        return;
    stopSignalled = true;
    // Boxes and dialogs left open would hold the end up: each is answered
    // as its close button would answer it.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(widget);
        if (dialog && dialog->isVisible())
            dialog->reject();
    }
    // A dialog's own event loop returns first: the windows it was opened
    // from must outlive it.
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(20, this, &MainWindow::stopAsked);
        return;
    }
    on_BtnQuitter_clicked();
}

// The gateway's operations.

void MainWindow::LiveBoxGetInfos(LiveBoxInfos *LBinfos)
{
    acquisition.poll(GatewayClient::Scheme::Older, LBinfos);
}

void MainWindow::LiveBox4GetInfos(LiveBoxInfos *LBinfos)
{
    acquisition.poll(GatewayClient::Scheme::Newer, LBinfos);
}

void MainWindow::RebootLiveBox()
{
    if (gateway.busy())
        return;
    const QMessageBox::StandardButton answer =
        Messages::question(this, QStringLiteral("Reboot LiveBox"),
                           QStringLiteral("Voulez-vous vraiement redémarrer votre LiveBox ?"),
                           QMessageBox::Yes | QMessageBox::No);
    // A stop signal answers the question by ending the program.
    if (answer != QMessageBox::Yes || stopSignalled)
        return;
    acquisition.restartGateway();
}

void MainWindow::on_btnReboot_clicked()
{
    RebootLiveBox();
}

// Polling and the display.

void MainWindow::UpDateAffichage()
{
    acquisition.refreshDisplay();
}

void MainWindow::CycleTimerHandler()
{
    acquisition.cycleTick();
}

void MainWindow::on_BtnActualiser_clicked()
{
    setButtonStates(ui, Mode::Refreshing);
    acquisition.refresh();
}

void MainWindow::on_BtnStartAcquisition_clicked()
{
    acquisition.startCycle();
}

void MainWindow::on_BtnStopAcquisition_clicked()
{
    acquisition.stopCycle();
}

void MainWindow::showCycleState()
{
    QLabel *version = findChild<QLabel *>(QStringLiteral("labelVersion"));
    if (!acquisition.running()) {
        setButtonStates(ui, Mode::Idle);
        statusBar()->showMessage(QString());
        // The data folder's notice takes the version's room for good: the
        // two side by side would widen the window.
        if (version)
            version->setVisible(!findChild<QLabel *>(QStringLiteral("labelDossier")));
        updateTray();
        return;
    }
    setButtonStates(ui, Mode::Running);
    QString text = QStringLiteral("SUIVI LIVEBOX EN COURS...");
    // Whoever wonders why the rows come further apart than asked reads it here.
    const bool slow = acquisition.cycleInUse() > cycleMs;
    if (slow)
        text += QStringLiteral(" Livebox lente : un relevé toutes les %1 au lieu de %2")
                    .arg(timeSettingText(QTime(0, 0).addMSecs(acquisition.cycleInUse())),
                         timeSettingText(QTime(0, 0).addMSecs(cycleMs)));
    // The version's label would leave the notice no room: it steps aside
    // while the gateway is slow, or the metrics' or the data folder's
    // notice takes its room.
    if (version)
        version->setVisible(!slow && !findChild<QLabel *>(QStringLiteral("labelMetriques"))
                            && !findChild<QLabel *>(QStringLiteral("labelDossier")));
    statusBar()->showMessage(text);
    updateTray();
}

void MainWindow::showReading()
{
    if (displayFields.isEmpty()) {
        for (QLineEdit *edit : findChildren<QLineEdit *>())
            displayFields.insert(edit->objectName(), edit);
    }
    for (const auto &field : displayTexts(LBInfos, OldLBInfos)) {
        if (QLineEdit *edit = displayFields.value(field.first))
            showFieldText(edit, field.second);
    }
    if (graph)
        graph->chartChanged();
}

void MainWindow::on_timeEditCycle_timeChanged(const QTime &time)
{
    const int taken = acquisition.setCycleSeconds(secondsOf(time));
    if (taken != secondsOf(time))
        ui->timeEditCycle->setTime(QTime(0, 0).addSecs(taken));
    // The stall threshold follows: never below what the interval needs.
    on_timeEditArret_timeChanged(ui->timeEditArret->time());
}

void MainWindow::on_timeEditArret_timeChanged(const QTime &time)
{
    const int taken = acquisition.setStallSeconds(secondsOf(time));
    if (taken != secondsOf(time))
        ui->timeEditArret->setTime(QTime(0, 0).addSecs(taken));
}

// The recording.

void MainWindow::CreateCSV()
{
    acquisition.createRecording();
}

void MainWindow::AppendCSV()
{
    acquisition.appendRow();
}

void MainWindow::ReadCSV()
{
    acquisition.reloadNow();
}

void MainWindow::SaveCSV(const QString &FileSave)
{
    recorder.copy(LBInfos, FileSave);
}

void MainWindow::on_BtnSaveReleve_clicked()
{
    if (!acquisition.saveCopy())
        Messages::warning(this, QStringLiteral("Quelvane"),
                          QStringLiteral("La sauvegarde du relevé dans le répertoire \"archives\" a échoué."));
}

void MainWindow::on_BtnRazReleve_clicked()
{
    const QMessageBox::StandardButton answer =
        Messages::question(this, QStringLiteral("Remise à zéro"),
                           QStringLiteral("Voulez-vous sauvegarder avant la remise à zéro ?"),
                           QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    // "Annuler", or the box closed, changes nothing: the rows cannot be had
    // back once reset. A stop signal closed the question: the program ends,
    // the rows stay.
    if (stopSignalled || (answer != QMessageBox::Yes && answer != QMessageBox::No))
        return;
    if (answer == QMessageBox::Yes && !acquisition.saveCopy()) {
        // The user asked for a copy first: without it, the rows stay.
        Messages::warning(this, QStringLiteral("Quelvane"),
                          QStringLiteral("La sauvegarde du relevé a échoué : le relevé n'a pas été remis à zéro."));
        return;
    }
    acquisition.reset();
}

void MainWindow::on_BtnGraphiques_clicked()
{
    const bool first = !graph->isVisible();
    graph->show();
    if (first)
        keepFrameOnScreen(graph);
}

void MainWindow::on_BtnQuitter_clicked()
{
    quitting = true;
    close();
}
