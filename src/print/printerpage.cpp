// SPDX-License-Identifier: GPL-3.0-or-later
#include "printerpage.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

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

// The texts of a page in the font last chosen, which is set on the painter and measured once per change.
//
// Qt's PDF writer maps each glyph of an embedded font back to the first character that the font turns
// into that glyph, and Qt's font engine turns a tab into the blank's glyph when a font has none for
// it: the blank would copy out of the PDF as a tab. So a text's blanks are drawn with the glyph of a
// no-break space (or of a four-per-em space) of the same width, at the blank's own position, which
// copies as a blank and leaves the page unchanged.
class PageText {
public:
    explicit PageText(QPainter &painter) : m_painter(painter) {}

    void use(const QString &face, int pointSize, bool bold)
    {
        if (m_metrics && face == m_face && pointSize == m_pointSize && bold == m_bold)
            return;
        m_face = face;
        m_pointSize = pointSize;
        m_bold = bold;
        m_font = receiptFont(face, pointSize, bold);
        m_painter.setFont(m_font);
        m_metrics = std::make_unique<QFontMetricsF>(m_font, m_painter.device());
    }

    // Draws text from current, the top-left corner of its first letter; a line break carries the
    // rest to x = 0 on the next line. Leaves current at the start of the line after the text.
    void draw(QPointF &current, const QString &text)
    {
        QPointF at = current;
        qsizetype from = 0;
        while (true) {
            qsizetype end = from;
            while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
                ++end;
            if (end > from)
                drawLine(at, QStringView(text).mid(from, end - from).toString());
            if (end == text.size())
                break;
            from = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
            at = QPointF(0, at.y() + m_metrics->lineSpacing());
        }
        current = QPointF(0, at.y() + m_metrics->lineSpacing());
    }

private:
    void drawLine(QPointF topLeft, const QString &text)
    {
        if (!text.contains(u' ') && !text.contains(QChar::Nbsp)) {
            m_painter.drawText(QPointF(topLeft.x(), topLeft.y() + m_metrics->ascent()), text);
            return;
        }
        QTextLayout layout(text, m_font, m_painter.device());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(0);
        layout.endLayout();
        // The painter's own text drawing puts the baseline one ascent of the font below the top.
        const QPointF origin(topLeft.x(), topLeft.y() + m_metrics->ascent() - line.ascent());
        const QList<QGlyphRun> runs = line.glyphRuns();
        for (QGlyphRun run : runs) {
            const auto [blank, copiesAsBlank] = blankGlyphs(run.rawFont());
            QList<quint32> glyphs = run.glyphIndexes();
            if (blank != copiesAsBlank && glyphs.contains(blank)) {
                std::replace(glyphs.begin(), glyphs.end(), blank, copiesAsBlank);
                run.setGlyphIndexes(glyphs);
            }
            m_painter.drawGlyphRun(origin, run);
        }
    }

    // The blank's glyph in font, and the glyph to draw in its place (the same when the font has no
    // other blank of the blank's width).
    std::pair<quint32, quint32> blankGlyphs(const QRawFont &font)
    {
        const QString key = font.familyName() + u'\n' + font.styleName() + u'\n' + QString::number(font.pixelSize());
        if (const auto found = m_blanks.find(key); found != m_blanks.end())
            return found->second;
        const quint32 blank = font.glyphIndexesForString(QStringLiteral(" ")).value(0);
        std::pair<quint32, quint32> glyphs(blank, blank);
        const QList<QPointF> blankAdvance = font.advancesForGlyphIndexes(QList<quint32>{blank});
        for (const QChar substitute : {QChar(QChar::Nbsp), QChar(0x2005)}) {
            const quint32 glyph = font.glyphIndexesForString(QString(substitute)).value(0);
            if (font.supportsCharacter(substitute) && glyph != 0 && glyph != blank &&
                font.advancesForGlyphIndexes(QList<quint32>{glyph}) == blankAdvance) {
                glyphs.second = glyph;
                break;
            }
        }
        m_blanks.emplace(key, glyphs);
        return glyphs;
    }

    QPainter &m_painter;
    QString m_face;
    int m_pointSize = 0;
    bool m_bold = false;
    QFont m_font;
    std::unique_ptr<QFontMetricsF> m_metrics;
    std::map<QString, std::pair<quint32, quint32>> m_blanks;
};

PrintResult layOutAndRender(QPrinter &printer, const ReceiptTexts &texts, const FlexGrid &grid)
{
    printer.setPageOrientation(QPageLayout::Portrait);
    const ReceiptLayout layout = tabPrint(texts, grid, printableAreaTwips(printer).size(), printerTextWidth(printer));
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

QRect printableAreaTwips(const QPrinter &printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setOrientation(QPageLayout::Portrait);
    layout.setUnits(QPageLayout::Inch);
    // The minimum margins are what the printer reports it cannot print on; a PDF file has none.
    const QMarginsF margins = layout.minimumMargins();
    const QRectF sheet = layout.fullRect(QPageLayout::Inch);
    const auto twips = [](double inches) { return int(std::lround(inches * kTwipsPerInch)); };
    return QRect(twips(margins.left()), twips(margins.top()), twips(sheet.width() - margins.left() - margins.right()),
                 twips(sheet.height() - margins.top() - margins.bottom()));
}

TextWidth printerTextWidth(const QPrinter &printer)
{
    // One measure per size, shared by the copies of the function.
    auto metrics = std::make_shared<std::map<int, QFontMetricsF>>();
    const QPaintDevice *device = &printer;
    return [metrics, device](const QString &text, int pointSize) {
        auto found = metrics->find(pointSize);
        if (found == metrics->end()) {
            const QFont font = receiptFont(QString::fromLatin1(kReceiptFace), pointSize, true);
            found = metrics->emplace(pointSize, QFontMetricsF(font, device)).first;
        }
        return found->second.horizontalAdvance(text);
    };
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
    // Positions count from the corner of the printable area, where the printer reports one.
    const QPointF origin = printableAreaTwips(printer).topLeft();
    painter.scale(scale, scale);
    painter.translate(origin);

    QString face;
    int pointSize = 12;
    bool bold = false;
    int ruleWidth = 1;
    QPointF current(0, 0);
    PageText pageText(painter);
    bool fontDirty = true;
    bool textPen = false; // the painter's pen is the one for texts, not a rule's
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
                pageText.use(face, pointSize, bold);
                fontDirty = false;
            }
            if (!textPen) {
                painter.setPen(Qt::black);
                textPen = true;
            }
            pageText.draw(current, op.text);
            break;
        case DrawOp::Line: {
            const double width = std::max(1, ruleWidth) * kRuleTwipsPerWidth;
            if (textPen || painter.pen().widthF() != width) {
                painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                textPen = false;
            }
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
            painter.translate(origin);
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
