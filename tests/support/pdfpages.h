#pragma once

#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

// What poppler's tools read of a PDF: its words with their places, its
// text, its information, and its first page as pixels.

struct PdfWord
{
    QString text;
    double xMin;
    double yMin;
    double xMax = 0;
};

inline QList<PdfWord> pdfWords(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    tool.waitForFinished(20000);
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    QList<PdfWord> words;
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        QString text = m.captured(4);
        text.replace("&apos;", "'").replace("&#39;", "'").replace("&quot;", "\"").replace("&lt;", "<")
            .replace("&gt;", ">").replace("&amp;", "&");
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()});
    }
    // In reading order: line by line (same top, to the point), left to right.
    std::stable_sort(words.begin(), words.end(), [](const PdfWord &a, const PdfWord &b) {
        const long ya = std::lround(a.yMin), yb = std::lround(b.yMin);
        return ya != yb ? ya < yb : a.xMin < b.xMin;
    });
    return words;
}

inline QString pdfText(const QString &pdf)
{
    QStringList all;
    for (const PdfWord &w : pdfWords(pdf))
        all << w.text;
    return all.join(' ');
}

inline QString pdfInfo(const QString &pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {pdf});
    tool.waitForFinished(20000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The first page at `dpi`; without antialiasing each curve keeps its exact colour.
inline QImage pdfPage(const QString &pdf, int dpi, bool antialiased = false)
{
    QTemporaryDir out;
    QStringList arguments{"-r", QString::number(dpi), "-png", "-singlefile", pdf, out.filePath("page")};
    if (!antialiased)
        arguments = QStringList{"-aa", "no", "-aaVector", "no"} + arguments;
    QProcess tool;
    tool.start(QStringLiteral("pdftoppm"), arguments);
    tool.waitForFinished(60000);
    return QImage(out.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
}
