// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiptlayout.h"

#include "flexgrid.h"

#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <utility>

namespace {

constexpr int kPortrait = 1;
constexpr int kPaperA4 = 9;
constexpr int kTableTextSize = 10;

// Column weights in column order; a column past the sixth has none and takes no width.
constexpr int kWeights[] = {40, 240, 44, 64, 74, 94};
constexpr int kWeighted = int(std::size(kWeights));

// The table spans units 4 to 88; the heading row stands in slot 2 of every sheet.
constexpr int kTableLeft = 4;
constexpr int kTableRight = 88;
constexpr int kHeadingSlot = 2;
// Total, words, spacer, seller line and stamp place, then the closing rule on the next slot.
constexpr int kFooterSlots = 5;
constexpr int kLastSlot = kSlotsPerPage - 1;
// Headings and body texts start 2.1 and 2.2 units right of the rule at their left; a text must end
// 0.3 units before the rule at its right, clear of a thick rule.
constexpr double kHeadingIndent = 2.1;
constexpr double kBodyIndent = 2.2;
constexpr double kRightGap = 0.3;
// A heading row never takes more slots than this, so a sheet always has room for lines.
constexpr int kMostHeadingSlots = 10;
// The total in words stands behind nine blanks from the left edge, on as many lines as it needs up to
// this many, each ending before the table's right edge.
const QString kWordsIndent = QStringLiteral("         ");
constexpr int kMostWordsLines = 30;

// The cell's text on one line: line breaks, tabs and the like become blanks (a CR LF pair one blank).
QString oneLine(const QString &text)
{
    const auto isBreak = [](QChar ch) {
        return ch == u'\n' || ch == u'\r' || ch == u'\t' || ch == u'\v' || ch == u'\f' || ch == QChar(0x85) ||
            ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator;
    };
    if (std::none_of(text.cbegin(), text.cend(), isBreak))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        line += isBreak(text[i]) ? QChar(u' ') : text[i];
    }
    return line;
}

// text as the lines it takes in a column room twips wide: the whole text on one line when it fits,
// otherwise broken at blanks (the blanks at a break dropped), a word wider than the column broken
// between characters, every line holding at least one character.
QStringList wrapped(const QString &text, double room, const TextWidth &textWidth)
{
    const QString line = oneLine(text);
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == u' ')
        --end;
    const auto fits = [&](const QString &part) { return textWidth(part, kTableTextSize) <= room; };
    if (end == 0 || fits(line.left(end)))
        return {line};

    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < end;) {
        const qsizetype blanks = i;
        while (line[i] == u' ')
            ++i;
        const qsizetype start = i;
        while (i < end && line[i] != u' ')
            ++i;
        const QString word = line.mid(start, i - start);
        const QString joined = current + line.mid(blanks, start - blanks) + word;
        if (fits(joined)) {
            current = joined;
            continue;
        }
        if (!current.isEmpty())
            lines << current;
        current = word;
        if (fits(word))
            continue;
        // Too wide for a line of its own: as many whole characters as fit on each line.
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, word);
        qsizetype from = 0;
        qsizetype last = 0;
        for (qsizetype at = graphemes.toNextBoundary(); at > 0; at = graphemes.toNextBoundary()) {
            if (last > from && !fits(word.mid(from, at - from))) {
                lines << word.mid(from, last - from);
                from = last;
            }
            last = at;
        }
        current = word.mid(from);
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}

// One row of the table as printed: the lines of each cell; the row takes the slots of its tallest cell.
struct Row {
    QList<QStringList> cells;
    int height = 1; // in line slots
};

// Pages outside these bounds cannot be divided into units sensibly (units of zero, or absurd sizes).
constexpr int kMaxPageTwips = 1000000;

class PageWriter {
public:
    PageWriter(int dx, int dy, int cols, const TextWidth &textWidth)
        : m_dx(dx), m_dy(dy), m_cols(cols), m_textWidth(textWidth)
    {
    }

    DrawOps &ops() { return m_ops; }

    void setting(DrawOp::Kind kind, int value) { m_ops << DrawOp::setting(kind, value); }
    void width(int w) { setting(DrawOp::DrawWidth, w); }
    void text(double x, double y, const QString &text)
    {
        m_ops << DrawOp::at(float(x), float(y)) << DrawOp::print(text);
    }
    void rule(double x1, double y1, double x2, double y2)
    {
        m_ops << DrawOp::line(float(x1), float(y1), float(x2), float(y2));
    }
    void horizontalRule(int k) { rule(kTableLeft * m_dx, double(k) * m_dy, kTableRight * m_dx, double(k) * m_dy); }
    void verticalRule(int m, int k, int count)
    {
        rule(double(m) * m_dx, double(k) * m_dy, double(m) * m_dx, double(k + count) * m_dy);
    }

    // The boundary after column c: each weighted column is 0.75·W/(N − 1) units wide, rounded at
    // every boundary (so the six columns end exactly on the table's right edge at 88).
    int advance(int m, int c) const
    {
        if (c >= kWeighted)
            return m;
        const double w = kWeights[c];
        double t = m + w / (m_cols - 1);
        t = t - w / (4.0 * (m_cols - 1));
        return int(roundHalfEven(t));
    }

    // The cells as printed, each wrapped in its column (indent units right of the column's left rule);
    // a column with no weight has no width to wrap in, and its text stays on one line as it is.
    Row row(const QStringList &cells, double indent) const
    {
        Row row;
        int m = kTableLeft;
        for (int c = 0; c < m_cols; ++c) {
            const int next = advance(m, c);
            const QStringList lines = c < kWeighted
                ? wrapped(cells.at(c), (next - m - indent - kRightGap) * m_dx, m_textWidth)
                : QStringList{oneLine(cells.at(c))};
            row.height = std::max(row.height, int(lines.size()));
            row.cells << lines;
            m = next;
        }
        return row;
    }

    // Top rule, the heading row from slot k and the rule under it; returns the slot after the headings.
    int tableHead(const Row &headings, int k)
    {
        setting(DrawOp::FontSize, kTableTextSize);
        width(2);
        horizontalRule(k);
        width(1);
        const int count = std::min(headings.height, kMostHeadingSlots);
        int m = kTableLeft;
        // One pass more than there are columns: the last draws the right edge with an empty text.
        for (int c = 0; c <= m_cols; ++c) {
            width(c == 1 || c == m_cols ? 2 : 1);
            verticalRule(m, k, count);
            const QStringList lines = c < m_cols ? headings.cells.at(c) : QStringList{QString()};
            for (int i = 0; i < std::min(int(lines.size()), count); ++i)
                text((m + kHeadingIndent) * m_dx, (k + i + 0.1) * m_dy, lines.at(i));
            m = advance(m, c);
        }
        k += count;
        width(2);
        horizontalRule(k);
        width(1);
        return k;
    }

    // Slots from to from + count − 1 of a bordered body row, from slot k on; returns the next slot.
    int bodyRow(const Row &row, int from, int count, int k)
    {
        int m = kTableLeft;
        for (int c = 0; c < m_cols; ++c) {
            width(c == 1 ? 2 : 1);
            verticalRule(m, k, count);
            const QStringList &lines = row.cells.at(c);
            for (int i = from; i < std::min(int(lines.size()), from + count); ++i)
                text((m + kBodyIndent) * m_dx, (k + i - from + 0.1) * m_dy, lines.at(i));
            m = advance(m, c);
        }
        width(2);
        verticalRule(m, k, count);
        width(1);
        k += count;
        horizontalRule(k);
        return k;
    }

private:
    DrawOps m_ops;
    int m_dx;
    int m_dy;
    int m_cols;
    const TextWidth &m_textWidth;
};

} // namespace

double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double diff = value - below;
    if (diff < 0.5)
        return below;
    if (diff > 0.5)
        return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

QString receiptDate(QDate date, const QLocale &locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

ReceiptLayout tabPrint(const ReceiptTexts &texts, const FlexGrid &grid, QSize pageTwips, const TextWidth &textWidth)
{
    ReceiptLayout layout;
    const int width = pageTwips.width();
    const int height = pageTwips.height();
    if (width <= 0 || height <= 0 || width > kMaxPageTwips || height > kMaxPageTwips) {
        layout.error = QStringLiteral("Размер бумаги принтера не подходит для чека.");
        return layout;
    }
    const int dx = int(roundHalfEven(width * 0.01));
    const int dy = int(roundHalfEven(height * 0.02));
    if (dx < 1 || dy < 1) {
        layout.error = QStringLiteral("Лист бумаги слишком мал для чека.");
        return layout;
    }
    layout.dx = dx;
    layout.dy = dy;

    const int cols = grid.Cols();
    const int rows = grid.Rows();
    if (cols < 2) {
        layout.error = QStringLiteral("В таблице чека меньше двух столбцов: её нельзя разметить.");
        return layout;
    }

    // Everything is read before anything is laid out, so a refused cell leaves no half-made page.
    QStringList headings;
    QList<QStringList> lines;
    int row = 0;
    int col = 0;
    try {
        for (col = 0; col < cols; ++col)
            headings << grid.TextMatrix(0, col);
        lines.reserve(std::max(0, rows - 1));
        for (row = 1; row < rows; ++row) {
            QStringList cells;
            cells.reserve(cols);
            for (col = 0; col < cols; ++col)
                cells << grid.TextMatrix(row, col);
            lines << cells;
        }
    } catch (const std::exception &) {
        layout.error = QStringLiteral("Не удалось прочитать ячейку таблицы (строка %1, столбец %2).")
                           .arg(row)
                           .arg(col + 1);
        return layout;
    }

    PageWriter page(dx, dy, cols, textWidth);
    const Row headingRow = page.row(headings, kHeadingIndent);
    QList<Row> table;
    table.reserve(lines.size());
    for (const QStringList &cells : std::as_const(lines))
        table << page.row(cells, kBodyIndent);
    page.setting(DrawOp::Orientation, kPortrait);
    page.setting(DrawOp::PaperSize, kPaperA4);
    page.ops() << DrawOp::fontName(QString::fromLatin1(kReceiptFace));
    page.setting(DrawOp::FontSize, 12);

    int k = 0;
    page.setting(DrawOp::Bold, 1);
    page.text(15.0 * dx, double(k) * dy, texts.TxtClish);
    k = 1;
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 14);
    page.text(25.0 * dx, double(k) * dy,
              QStringLiteral(" ТОВАРНЫЙ ЧЕК № ") + texts.TextN + QStringLiteral("   от  ") + texts.date);
    k = page.tableHead(headingRow, kHeadingSlot);

    QStringList words = wrapped(texts.Text4, kTableRight * dx - textWidth(kWordsIndent, kTableTextSize), textWidth);
    if (words.size() > kMostWordsLines) {
        words.resize(kMostWordsLines);
        words.last() += QStringLiteral("…");
    }
    const int footerSlots = kFooterSlots + int(words.size()) - 1;

    // Rows go on down to the slot where a one-sheet receipt has its closing rule, so nothing comes
    // nearer the bottom edge than on a receipt that fits; the sheet that ends the table must also hold
    // the footer, and a continued sheet always carries at least one slot of a row with the footer.
    // Sheets break between rows; only a row that does not fit on a sheet of its own is split.
    int pages = 1;
    qsizetype next = 0;
    int done = 0; // slots of rows[next] already printed on earlier sheets
    qint64 remaining = 0;
    for (const Row &row : std::as_const(table))
        remaining += row.height;
    while (next < table.size()) {
        if (remaining <= kLastSlot - footerSlots - k) {
            for (; next < table.size(); ++next, done = 0)
                k = page.bodyRow(table.at(next), done, table.at(next).height - done, k);
            break;
        }
        const int top = k;
        for (; next + 1 < table.size() && table.at(next).height - done <= kLastSlot - k; ++next, done = 0) {
            remaining -= table.at(next).height - done;
            k = page.bodyRow(table.at(next), done, table.at(next).height - done, k);
        }
        if (k == top) {
            const bool last = next + 1 == table.size();
            const int count = std::min(table.at(next).height - done - (last ? 1 : 0), kLastSlot - k);
            k = page.bodyRow(table.at(next), done, count, k);
            done += count;
            remaining -= count;
        }
        page.ops() << DrawOp::newPage();
        ++pages;
        k = page.tableHead(headingRow, kHeadingSlot);
    }

    page.width(2);
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 12);
    page.text(67.0 * dx, double(k) * dy, QStringLiteral("ИТОГО: ") + texts.Text7);
    ++k;
    page.setting(DrawOp::FontSize, 10);
    // The caption, and the words on the text line under it; further lines of words one slot apart.
    page.text(4.0 * dx, double(k) * dy, QStringLiteral("ИТОГО на сумму: \r\n") + kWordsIndent + words.first());
    for (qsizetype i = 1; i < words.size(); ++i)
        page.text(0, double(k + i) * dy, QStringLiteral("\r\n") + kWordsIndent + words.at(i));
    k += int(words.size());
    page.setting(DrawOp::FontSize, 8);
    page.text(double(dx), double(k) * dy, QStringLiteral(" "));
    ++k;
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 12);
    page.text(15.0 * dx, double(k) * dy,
              QStringLiteral("Продавец    ") + texts.TextFIO + QStringLiteral("    Подпись _______________ "));
    ++k;
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 12);
    page.text(35.0 * dx, double(k) * dy, QStringLiteral("  МП   "));
    ++k;
    page.horizontalRule(k);
    page.ops() << DrawOp::endDoc();

    layout.ops = std::move(page.ops());
    layout.pages = pages;
    return layout;
}
