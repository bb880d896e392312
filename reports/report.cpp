#include "charts/graph.h"

void Graph::RapportGraphique(const QString &, const QString &) {}
void Graph::on_BtnSynchroPdf_clicked() {}
