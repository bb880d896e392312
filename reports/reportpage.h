#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <functional>
#include <QString>

class QPainter;
class QPrinter;
class QwtPlot;
class QwtPlotRenderer;

// The image an export of `millimetres` at `dpi` makes, and the most an
// export may make (about 100 MB of pixels in memory while it is drawn).
QSize exportPixels(const QSizeF &millimetres, int dpi);
constexpr qint64 maxExportPixels = 25000000;
// Whether an export can be written in `format` (a file suffix, any case).
bool exportFormatKnown(const QString &format);

// One A4 PDF page at 200 dpi, drawn in device pixels: 1600 x 2300 upright,
// 2300 x 1600 when `orientation` is 1 (landscape).
struct ReportPage
{
    int width;
    int height;
};
ReportPage setUpReportPrinter(QPrinter *printer, const QString &file, int orientation);

// Writes one report page into `file`: the header (title line, device line),
// then what `drawBody` draws below it, then the frame around the drawing
// area. False when the file cannot be written.
bool writeReportPage(const QString &file, int orientation, const QString &title, const QString &device,
                     const std::function<void(QPainter &, const ReportPage &)> &drawBody);

// Puts the drawing area in the middle of the sheet: it is a little smaller
// than A4 at 200 dpi, and the printer's own margins would push it off the
// page.
void centreOnPage(QPainter *painter, QPrinter *printer, const ReportPage &page);

// The title line (network and day) and, in small type on the right, the
// gateway's hardware and software versions.
// The painter's font at this size and weight.
void setTitleFont(QPainter *painter, int pointSize, bool bold, bool italic);
void drawReportHeader(QPainter *painter, const ReportPage &page, const QString &title, const QString &device);
// The device line of a gateway of type `type` running `software`.
QString deviceLine(const QString &type, const QString &software);

// Draws a plot on white whatever its colours on screen, then gives the plot
// its own colours back.
void renderOnWhite(QwtPlotRenderer &renderer, QwtPlot *plot, QPainter *painter, const QRectF &rect);

// The height of each of `plotCount` ticked plots: with a 50-pixel header and a
// 40-pixel title band for each, equal shares fill `pageHeight`. The page
// never depends on how tall the plots happen to be on screen.
int reportPlotHeight(int pageHeight, int plotCount);

// The size at which a plot drawn into `rect` on `painter`'s device is laid
// out, in the plot's own pixels: the renderer lays plots out at screen
// resolution and scales the drawing.
QSizeF layoutSize(const QRectF &rect, const QPainter *painter, const QwtPlot *plot);
