#include <QtTest>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "support/windowtest.h"
#include "charts/graph.h"
#include "support/modalcloser.h"
#include "support/scratchdir.h"
#include "ui_accueil.h"
#include "ui_mainwindow.h"

class TestParametres : public QObject
{
    Q_OBJECT

private:
    ScratchDir *dir = nullptr;
    ModalCloser *closer = nullptr;
    MainWindow *window = nullptr;

private slots:
    void init()
    {
        dir = new ScratchDir;
        closer = new ModalCloser;
        window = new MainWindow;
        QVERIFY(startedUp(*window));
    }

    void cleanup()
    {
        delete window;
        delete closer;
        delete dir;
    }

    void passwordShowsOnlyWhileItsTabStays()
    {
        window->ui->tabWidget->setCurrentIndex(3);
        window->show();
        QTest::mouseClick(window->ui->checkPass, Qt::LeftButton);
        QCOMPARE(window->ui->editPass->echoMode(), QLineEdit::Normal);
        window->ui->tabWidget->setCurrentIndex(0);
        window->ui->tabWidget->setCurrentIndex(3);
        QCOMPARE(window->ui->editPass->echoMode(), QLineEdit::Password);
        QVERIFY(!window->ui->checkPass->isChecked());
        window->ui->editPass->setText(QStringLiteral("nouveau"));
        QCOMPARE(window->password, QStringLiteral("nouveau"));
    }

    void chartSettingsFollowTheControls()
    {
        window->ui->timeEditDiapo->setTime(QTime(0, 1, 30));
        QCOMPARE(window->diapoMs, 90000);
        QCOMPARE(window->graph->diapoInterval, 90000);
        window->ui->comboExportFormat->setCurrentIndex(3);
        QCOMPARE(window->graph->exportFormat, QStringLiteral("jpg"));
        window->ui->checkDiapoCourbes->setChecked(true);
        QVERIFY(window->graph->diapoCourbes);
        window->ui->checkDiapoErreurs->setChecked(true);
        window->ui->checkDiapoErreurs->setChecked(false);
        QVERIFY(!window->graph->diapoErreurs);
        window->ui->checkAffDate->setChecked(false);
        window->ui->checkAffHeure->setChecked(true);
        QCOMPARE(window->graph->axisLabelFormat, QStringLiteral("hh:mm"));
        window->ui->checkAffDate->setChecked(true);
        QCOMPARE(window->graph->axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));
        window->ui->checkPaysage->setChecked(true);
        QCOMPARE(window->graph->rapPageOrient, 1);
        window->ui->checkPortrait->setChecked(true);
        QCOMPARE(window->graph->rapPageOrient, 0);
    }

    void cycleAndStallEditors()
    {
        window->ui->timeEditCycle->setTime(QTime(0, 0, 3));
        QCOMPARE(window->ui->timeEditCycle->time(), QTime(0, 0, 5));
        QCOMPARE(window->cycleMs, 5000);

        window->ui->timeEditArret->setTime(QTime(0, 5, 0));
        window->ui->timeEditCycle->setTime(QTime(0, 5, 0));
        QCOMPARE(window->ui->timeEditArret->time(), QTime(0, 10, 0));
        QCOMPARE(window->graph->tempsArret, 600.0);
        window->ui->timeEditArret->setTime(QTime(0, 7, 0)); // undone at once
        QCOMPARE(window->ui->timeEditArret->time(), QTime(0, 10, 0));
        QCOMPARE(window->graph->tempsArret, 600.0);

        window->ui->timeEditCycle->setTime(QTime(1, 30, 0));
        QCOMPARE(window->ui->timeEditArret->time(), QTime(2, 0, 0)); // the editor's maximum
        QCOMPARE(window->graph->tempsArret, 10800.0);
    }

    void reportButtonOpensTheSaveDialog()
    {
        window->on_BtnRapportGraphique_clicked();
        QCOMPARE(closer->titles.last(), QStringLiteral("Enregistrer le rapport PDF"));
    }
};

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void splashIsFramelessAndNamesTheVersions()
    {
        Accueil splash;
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash.findChild<QLabel *>("labelAcceuil")->text(), QStringLiteral("Version 3.00 beta 1"));
        QCOMPARE(splash.findChild<QLabel *>("label")->text(), QStringLiteral("Démarrage Quelvane en cours"));
        const QString about = splash.findChild<QLabel *>("labelCopyright")->text();
        QVERIFY(about.contains(QStringLiteral("width=\"32\"")));
        QVERIFY(about.contains(QStringLiteral("Qt %1 - Qwt").arg(QString::fromLatin1(qVersion()))));
    }

    void splashIsGoneBeforeTheStartUpWarning()
    {
        ScratchDir dir;
        ModalCloser closer;
        bool splashVisible = true;
        closer.onBox = [&] {
            splashVisible = false;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (qobject_cast<Accueil *>(w) && w->isVisible())
                    splashVisible = true;
            }
        };
        MainWindow window;
        QVERIFY(startedUp(window));
        QCOMPARE(closer.count(), 1);
        QVERIFY(!splashVisible);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestParametres parametres;
    TestSplash splash;
    return QTest::qExec(&parametres, argc, argv) | QTest::qExec(&splash, argc, argv);
}

#include "test_parametres.moc"
