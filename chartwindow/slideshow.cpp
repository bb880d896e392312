#include <QTimer>

#include <qwt_plot.h>

#include "graph.h"
#include "ui_graph.h"

namespace {
void nextPage(QTabWidget *tabs)
{
    tabs->setCurrentIndex(tabs->currentIndex() < tabs->count() - 1 ? tabs->currentIndex() + 1 : 0);
}
}

void Graph::on_BtnDiapo_toggled(bool checked)
{
    if (checked) {
        diapoTimer->start(diapoInterval);
        ui->BtnDiapo->setText(QStringLiteral("DIAPO OFF"));
    } else {
        diapoTimer->stop();
        ui->BtnDiapo->setText(QStringLiteral("DIAPO ON"));
    }
}

void Graph::DiapoTimerHandler()
{
    if (diapoErreurs)
        nextPage(ui->tabErreurs);
    if (diapoCourbes)
        nextPage(ui->tabCourbes);
    // Restarted with the interval of now, so that a change takes effect at
    // the next tick.
    diapoTimer->start(diapoInterval);
}

void Graph::on_tabCourbes_currentChanged(int)
{
    ui->qwtPlotNoise->replot();
    ui->qwtPlotMaxRate->replot();
}

void Graph::on_tabErreurs_currentChanged(int)
{
    ui->qwtPlotCRC->replot();
    ui->qwtPlotHEC->replot();
    ui->qwtPlotFEC->replot();
}
