// SPDX-License-Identifier: GPL-3.0-or-later
#include "printerpage.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr int kTwipsPerPoint = 20;
// A rule of width 1 is half a point on paper, one of width 2 a full point: thin, yet visible.
constexpr double kRuleTwipsPerWidth = 10.0;

PrintResult failure(const QString &reason)
{
    PrintResult result;
    result.reason = reason;
    return result;
}

void drawLines(QPainter &painter, const QFont &font, QPointF &current, const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QFontMetricsF metrics(font, painter.device());
    const QStringList parts = text.split(breaks);
    QPointF at = current;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            at = QPointF(0, at.y() + metrics.lineSpacing());
        if (!parts[i].isEmpty())
            painter.drawText(QPointF(at.x(), at.y() + metrics.ascent()), parts[i]);
    }
    current = QPointF(0, at.y() + metrics.lineSpacing());
}

PrintResult layOutAndRender(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid)
{
    printer.setPageOrientation(QPageLayout::Portrait);
    const ReceiptLayout layout = tabPrint(texts, grid, pageSizeTwips(printer));
    if (!layout.ok())
        return failure(layout.error);
    if (printer.docName().isEmpty())
        printer.setDocName(QStringLiteral("Товарный чек № %1").arg(texts.TextN.trimmed()));
    return renderOps(printer, layout.ops);
}

} // namespace

QStringList fontFamiliesFor(const QString &face)
{
    static const QStringList timesLike = {
        QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
        QStringLiteral("Nimbus Roman"),    QStringLiteral("Nimbus Roman No9 L"), QStringLiteral("Times"),
    };
    // "Times New Roman cyr" and its kin name Times New Roman with Cyrillic glyphs; the name itself is
    // unknown off Windows, and a font system asked for it picks a sans face.
    if (face.startsWith(QStringLiteral("Times New Roman"), Qt::CaseInsensitive))
        return timesLike;
    return QStringList{face} + timesLike;
}

QFont receiptFont(const QString &face, int pointSize, bool bold)
{
    QFont font;
    font.setFamilies(fontFamiliesFor(face));
    font.setStyleHint(QFont::Serif, QFont::PreferOutline);
    font.setPixelSize(std::max(1, pointSize * kTwipsPerPoint));
    font.setBold(bold);
    return font;
}

QSize pageSizeTwips(const QPrinter &printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    const QRectF sheet = layout.fullRect(QPageLayout::Inch);
    return QSize(int(std::lround(sheet.width() * kTwipsPerInch)), int(std::lround(sheet.height() * kTwipsPerInch)));
}

QString missingPrinterReason(const QPrinter &printer)
{
    const bool silentPdf = printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty();
    const bool unnamed = printer.outputFormat() == QPrinter::NativeFormat && printer.printerName().isEmpty();
    if (silentPdf || unnamed)
        return QStringLiteral("Нет принтера для печати: служба печати не отвечает, принтер не установлен "
                              "или не выбран принтер по умолчанию.");
    return {};
}

std::unique_ptr<QPrinter> newDefaultPrinter()
{
    return std::make_unique<QPrinter>(QPrinter::HighResolution);
}

std::unique_ptr<QPrinter> newPdfPrinter(const QString &fileName)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    return printer;
}

PrintResult renderOps(QPrinter &printer, const DrawOps &ops)
{
    printer.setFullPage(true);
    for (const DrawOp &op : ops) {
        if (op.kind == DrawOp::Orientation)
            printer.setPageOrientation(op.value == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
        else if (op.kind == DrawOp::PaperSize)
            printer.setPageSize(QPageSize(QPageSize::id(op.value)));
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString where = printer.outputFormat() == QPrinter::PdfFormat
            ? QStringLiteral("Не удалось записать файл «%1».").arg(printer.outputFileName())
            : QStringLiteral("Принтер «%1» не принял задание.").arg(printer.printerName());
        return failure(where);
    }
    const double scale = printer.resolution() / kTwipsPerInch;
    painter.scale(scale, scale);

    QString face;
    int pointSize = 12;
    bool bold = false;
    int ruleWidth = 1;
    QPointF current(0, 0);
    QFont font = receiptFont(face, pointSize, bold);
    bool fontDirty = false;
    int pages = 1;
    QString error;

    for (const DrawOp &op : ops) {
        switch (op.kind) {
        case DrawOp::Orientation:
        case DrawOp::PaperSize:
            break;
        case DrawOp::FontName:
            face = op.text;
            fontDirty = true;
            break;
        case DrawOp::FontSize:
            pointSize = op.value;
            fontDirty = true;
            break;
        case DrawOp::Bold:
            bold = op.value != 0;
            fontDirty = true;
            break;
        case DrawOp::DrawWidth:
            ruleWidth = op.value;
            break;
        case DrawOp::CurrentPoint:
            current = QPointF(op.x1, op.y1);
            break;
        case DrawOp::Print:
            if (fontDirty) {
                font = receiptFont(face, pointSize, bold);
                fontDirty = false;
            }
            painter.setFont(font);
            painter.setPen(Qt::black);
            drawLines(painter, font, current, op.text);
            break;
        case DrawOp::Line: {
            QPen pen(Qt::black, std::max(1, ruleWidth) * kRuleTwipsPerWidth, Qt::SolidLine, Qt::SquareCap,
                     Qt::MiterJoin);
            painter.setPen(pen);
            painter.drawLine(QPointF(op.x1, op.y1), QPointF(op.x2, op.y2));
            break;
        }
        case DrawOp::NewPage:
            if (!printer.newPage()) {
                error = QStringLiteral("Принтер не смог начать новый лист (лист %1).").arg(pages + 1);
                break;
            }
            ++pages;
            painter.resetTransform();
            painter.scale(scale, scale);
            break;
        case DrawOp::EndDoc:
            break;
        }
        if (!error.isEmpty())
            break;
        if (!painter.isActive() || printer.printerState() == QPrinter::Error) {
            error = QStringLiteral("Ошибка принтера во время печати.");
            break;
        }
    }

    if (!error.isEmpty()) {
        // A half-made job must not reach paper: abort it (where the print system can) and remove a
        // half-written file.
        printer.abort();
        painter.end();
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
            QFile::remove(printer.outputFileName());
        return failure(error);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return failure(QStringLiteral("Ошибка принтера при завершении печати."));

    PrintResult result;
    result.ok = true;
    result.pages = pages;
    return result;
}

PrintResult printReceipt(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid)
{
    const QString missing = missingPrinterReason(printer);
    if (!missing.isEmpty()) {
        PrintResult result = failure(missing);
        result.noPrinter = true;
        return result;
    }
    return layOutAndRender(printer, texts, grid);
}

PrintResult previewReceipt(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid)
{
    return layOutAndRender(printer, texts, grid);
}
