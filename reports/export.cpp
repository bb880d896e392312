#include "charts/graph.h"

void Graph::on_BtnExportNoise_clicked() {}
void Graph::on_BtnExportMaxRate_clicked() {}
void Graph::on_BtnExportCRC_clicked() {}
void Graph::on_BtnExportHEC_clicked() {}
void Graph::on_BtnExportFEC_clicked() {}
void Graph::on_BtnExportSynchro_clicked() {}
