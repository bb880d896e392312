#include "reportpage.h"

#include <algorithm>

#include <QDebug>
#include <QImageWriter>
#include <QPainter>
#include <QPrinter>

#include <cmath>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

QSize exportPixels(const QSizeF &millimetres, int dpi)
{
    const auto pixels = [dpi](double mm) { return int(qBound(0.0, std::ceil(mm / 25.4 * dpi), 1e9)); };
    return QSize(pixels(millimetres.width()), pixels(millimetres.height()));
}

bool exportFormatKnown(const QString &format)
{
    const QString lower = format.toLower();
    return lower == QLatin1String("pdf") || lower == QLatin1String("svg")
           || QImageWriter::supportedImageFormats().contains(lower.toLatin1());
}

ReportPage setUpReportPrinter(QPrinter *printer, const QString &file, int orientation)
{
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setResolution(200);
    printer->setOutputFileName(file);
    printer->setFullPage(true);
    qDebug() << "RapPageOrient" << orientation;
    if (orientation == 1) {
        qDebug() << "Paysage";
        printer->setPageOrientation(QPageLayout::Landscape);
        return {2300, 1600};
    }
    qDebug() << "Portrait";
    printer->setPageOrientation(QPageLayout::Portrait);
    return {1600, 2300};
}

bool writeReportPage(const QString &file, int orientation, const QString &title, const QString &device,
                     const std::function<void(QPainter &, const ReportPage &)> &drawBody)
{
    QPrinter printer(QPrinter::ScreenResolution);
    const ReportPage page = setUpReportPrinter(&printer, file, orientation);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    centreOnPage(&painter, &printer, page);
    drawReportHeader(&painter, page, title, device);
    drawBody(painter, page);
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, page.width, page.height);
    return painter.end();
}

void centreOnPage(QPainter *painter, QPrinter *printer, const ReportPage &page)
{
    const QRectF sheet = printer->paperRect(QPrinter::DevicePixel);
    painter->translate((sheet.width() - page.width) / 2, (sheet.height() - page.height) / 2);
}

void setTitleFont(QPainter *painter, int pointSize, bool bold, bool italic)
{
    QFont font = painter->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    font.setItalic(italic);
    painter->setFont(font);
}

void drawReportHeader(QPainter *painter, const ReportPage &page, const QString &title, const QString &device)
{
    setTitleFont(painter, 6, false, true);
    const int deviceWidth = painter->fontMetrics().horizontalAdvance(device);
    painter->drawText(QRect(0, 5, page.width - 15, 50), Qt::AlignRight | Qt::AlignTop, device);

    // The title stays centred, clear of the device line on either side: a
    // long Wi-Fi name gives up its middle, and the day stays whole.
    setTitleFont(painter, 12, true, true);
    const int room = std::max(page.width / 4, page.width - 2 * (deviceWidth + 15 + 20));
    // The day, after the last separator, stays whole; the network's name
    // before it gives way.
    const QString separator = QStringLiteral("   -   ");
    const int cut = title.lastIndexOf(separator);
    const QString day = cut < 0 ? QString() : title.mid(cut);
    const QFontMetrics metrics = painter->fontMetrics();
    const QString shown = metrics.elidedText(title.left(cut < 0 ? title.size() : cut), Qt::ElideRight,
                                             std::max(0, room - metrics.horizontalAdvance(day)))
                          + day;
    painter->drawText(QRect((page.width - room) / 2, 0, room, 50), Qt::AlignHCenter | Qt::AlignVCenter, shown);
}

QString deviceLine(const QString &type, const QString &software)
{
    return QStringLiteral("Type : ") + type + QStringLiteral(" ; software : ") + software;
}

void renderOnWhite(QwtPlotRenderer &renderer, QwtPlot *plot, QPainter *painter, const QRectF &rect)
{
    const QPalette ownPalette = plot->palette();
    const QBrush ownCanvas = plot->canvasBackground();
    QPalette white = ownPalette;
    white.setBrush(QPalette::Window, QBrush(Qt::white));
    plot->setPalette(white);
    plot->setCanvasBackground(QBrush(Qt::white));
    renderer.render(plot, painter, rect);
    plot->setPalette(ownPalette);
    plot->setCanvasBackground(ownCanvas);
}

int reportPlotHeight(int pageHeight, int plotCount)
{
    if (plotCount <= 0)
        return 0;
    const int available = pageHeight - 50 - 40 * plotCount;
    qDebug() << "Page" << available << "Graphs" << plotCount;
    return available / plotCount;
}

QSizeF layoutSize(const QRectF &rect, const QPainter *painter, const QwtPlot *plot)
{
    const QPaintDevice *device = painter->device();
    return QSizeF(rect.width() * plot->logicalDpiX() / device->logicalDpiX(),
                  rect.height() * plot->logicalDpiY() / device->logicalDpiY());
}
