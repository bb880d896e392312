#include <QCursor>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include "app/mainwindow.h"
#include "charts/graph.h"
#include "display.h"

namespace {
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

void MainWindow::UpDateAffichage()
{
    if (gatewayBusy())
        return;
    setCursor(Qt::WaitCursor);
    OldLBInfos = LBInfos;
    if (algoType)
        LiveBox4GetInfos(&LBInfos);
    else
        LiveBoxGetInfos(&LBInfos);

    graph->ssid = networkName();
    graph->liveboxType = LBInfos.HardwareVersion;
    graph->liveboxSoftware = LBInfos.SoftwareVersion;

    if (displayFields.isEmpty()) {
        for (QLineEdit *edit : findChildren<QLineEdit *>())
            displayFields.insert(edit->objectName(), edit);
    }
    for (const auto &field : displayTexts(LBInfos, OldLBInfos)) {
        if (QLineEdit *edit = displayFields.value(field.first))
            showFieldText(edit, field.second);
    }

    AppendCSV();
    graph->UpDateCurves(&LBInfos, &OldLBInfos);
    setCursor(Qt::ArrowCursor);
}
