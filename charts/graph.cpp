#include "graph.h"

#include "ui_graph.h"

Graph::Graph(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_Graph)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
}

Graph::~Graph()
{
    delete ui;
}

void Graph::UpDateCurves(LiveBoxInfos *, LiveBoxInfos *) {}
void Graph::UpDateScales() {}
void Graph::ClearCurves() {}
void Graph::SetZoomTout() {}
void Graph::SetZoom3H() {}
void Graph::SetZoomPlage(double) {}
void Graph::RapportGraphique(const QString &, const QString &) {}
void Graph::UpDateSynchronisations() {}
void Graph::beginReload() {}
void Graph::endReload() {}
