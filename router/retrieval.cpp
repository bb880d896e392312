#include "app/mainwindow.h"

void MainWindow::LiveBoxGetInfos(LiveBoxInfos *) {}
void MainWindow::LiveBox4GetInfos(LiveBoxInfos *) {}
