#include <QtTest>

#include "app/accueil.h"
#include "app/mainwindow.h"
#include "chartwindow/graph.h"
#include "support/windowfixture.h"
#include "ui_accueil.h"
#include "ui_mainwindow.h"

class TestParametres : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BareWindowFixture> f;

private slots:
    void init() { f = std::make_unique<BareWindowFixture>(); }

    void cleanup() { f.reset(); }

    void passwordShowsOnlyWhileItsTabStays()
    {
        f->window->ui->tabWidget->setCurrentIndex(3);
        f->window->show();
        QTest::mouseClick(f->window->ui->checkPass, Qt::LeftButton);
        QCOMPARE(f->window->ui->editPass->echoMode(), QLineEdit::Normal);
        f->window->ui->tabWidget->setCurrentIndex(0);
        f->window->ui->tabWidget->setCurrentIndex(3);
        QCOMPARE(f->window->ui->editPass->echoMode(), QLineEdit::Password);
        QVERIFY(!f->window->ui->checkPass->isChecked());
        f->window->ui->editPass->setText(QStringLiteral("nouveau"));
        QCOMPARE(f->window->password, QStringLiteral("nouveau"));
    }

    void chartSettingsFollowTheControls()
    {
        f->window->ui->timeEditDiapo->setTime(QTime(0, 1, 30));
        QCOMPARE(f->window->diapoMs, 90000);
        QCOMPARE(f->window->graph->diapoInterval, 90000);
        f->window->ui->comboExportFormat->setCurrentIndex(3);
        QCOMPARE(f->window->graph->exportFormat, QStringLiteral("jpg"));
        f->window->ui->checkDiapoCourbes->setChecked(true);
        QVERIFY(f->window->graph->diapoCourbes);
        f->window->ui->checkDiapoErreurs->setChecked(true);
        f->window->ui->checkDiapoErreurs->setChecked(false);
        QVERIFY(!f->window->graph->diapoErreurs);
        f->window->ui->checkAffDate->setChecked(false);
        f->window->ui->checkAffHeure->setChecked(true);
        QCOMPARE(f->window->graph->axisLabelFormat, QStringLiteral("hh:mm"));
        f->window->ui->checkAffDate->setChecked(true);
        QCOMPARE(f->window->graph->axisLabelFormat, QStringLiteral("hh:mm\ndd/MM"));
        f->window->ui->checkPaysage->setChecked(true);
        QCOMPARE(f->window->graph->rapPageOrient, 1);
        f->window->ui->checkPortrait->setChecked(true);
        QCOMPARE(f->window->graph->rapPageOrient, 0);
    }

    void cycleAndStallEditors()
    {
        f->window->ui->timeEditCycle->setTime(QTime(0, 0, 3));
        QCOMPARE(f->window->ui->timeEditCycle->time(), QTime(0, 0, 5));
        QCOMPARE(f->window->cycleMs, 5000);

        f->window->ui->timeEditArret->setTime(QTime(0, 5, 0));
        f->window->ui->timeEditCycle->setTime(QTime(0, 5, 0));
        QCOMPARE(f->window->ui->timeEditArret->time(), QTime(0, 10, 0));
        QCOMPARE(f->window->graph->tempsArret, 600.0);
        f->window->ui->timeEditArret->setTime(QTime(0, 7, 0)); // undone at once
        QCOMPARE(f->window->ui->timeEditArret->time(), QTime(0, 10, 0));
        QCOMPARE(f->window->graph->tempsArret, 600.0);

        f->window->ui->timeEditCycle->setTime(QTime(1, 30, 0));
        QCOMPARE(f->window->ui->timeEditArret->time(), QTime(2, 0, 0)); // the editor's maximum
        QCOMPARE(f->window->graph->tempsArret, 10800.0);
    }

    void reportButtonOpensTheSaveDialog()
    {
        f->window->on_BtnRapportGraphique_clicked();
        QCOMPARE(f->closer.titles.last(), QStringLiteral("Enregistrer le rapport PDF"));
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
        BareWindowFixture f(WindowStart().later());
        bool splashVisible = true;
        f.closer.onBox = [&] {
            splashVisible = false;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (qobject_cast<Accueil *>(w) && w->isVisible())
                    splashVisible = true;
            }
        };
        f.start();
        QCOMPARE(f.closer.count(), 1);
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
