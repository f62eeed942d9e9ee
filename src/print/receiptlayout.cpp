// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiptlayout.h"

#include "flexgrid.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>

namespace {

constexpr int kPortrait = 1;
constexpr int kPaperA4 = 9;
constexpr auto kFace = "Times New Roman cyr";

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

// Pages outside these bounds cannot be divided into units sensibly (units of zero, or absurd sizes).
constexpr int kMaxPageTwips = 1000000;

class PageWriter {
public:
    PageWriter(int dx, int dy, int cols, QStringList headings)
        : m_dx(dx), m_dy(dy), m_cols(cols), m_headings(std::move(headings))
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
    void verticalRule(int m, int k)
    {
        rule(double(m) * m_dx, double(k) * m_dy, double(m) * m_dx, double(k + 1) * m_dy);
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

    // Top rule, the heading row in slot k and the rule under it; returns the slot after the headings.
    int tableHead(int k)
    {
        setting(DrawOp::FontSize, 10);
        width(2);
        horizontalRule(k);
        width(1);
        int m = kTableLeft;
        // One pass more than there are columns: the last draws the right edge with an empty text.
        for (int c = 0; c <= m_cols; ++c) {
            width(c == 1 || c == m_cols ? 2 : 1);
            verticalRule(m, k);
            text((m + 2.1) * m_dx, (k + 0.1) * m_dy, c < m_cols ? m_headings.at(c) : QString());
            m = advance(m, c);
        }
        ++k;
        width(2);
        horizontalRule(k);
        width(1);
        return k;
    }

    // One bordered body row in slot k; returns the next slot.
    int bodyRow(const QStringList &cells, int k)
    {
        int m = kTableLeft;
        for (int c = 0; c < m_cols; ++c) {
            width(c == 1 ? 2 : 1);
            verticalRule(m, k);
            text((m + 2.2) * m_dx, (k + 0.1) * m_dy, cells.at(c));
            m = advance(m, c);
        }
        width(2);
        verticalRule(m, k);
        width(1);
        ++k;
        horizontalRule(k);
        return k;
    }

private:
    DrawOps m_ops;
    int m_dx;
    int m_dy;
    int m_cols;
    QStringList m_headings;
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

ReceiptLayout tabPrint(const ReceiptTexts &texts, const FlexGrid &grid, QSize pageTwips)
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

    PageWriter page(dx, dy, cols, headings);
    page.setting(DrawOp::Orientation, kPortrait);
    page.setting(DrawOp::PaperSize, kPaperA4);
    page.ops() << DrawOp::fontName(QString::fromLatin1(kFace));
    page.setting(DrawOp::FontSize, 12);

    int k = 0;
    page.setting(DrawOp::Bold, 1);
    page.text(15.0 * dx, double(k) * dy, texts.TxtClish);
    k = 1;
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 14);
    page.text(25.0 * dx, double(k) * dy,
              QStringLiteral(" ТОВАРНЫЙ ЧЕК № ") + texts.TextN + QStringLiteral("   от  ") + texts.date);
    k = page.tableHead(kHeadingSlot);

    // Lines go on down to the slot where a one-sheet receipt has its closing rule, so nothing comes
    // nearer the bottom edge than on a receipt that fits; the sheet that ends the table must also hold
    // the footer, and a continued sheet always carries at least one line with the footer.
    int pages = 1;
    qsizetype next = 0;
    while (next < lines.size()) {
        const qsizetype remaining = lines.size() - next;
        const int withFooter = kLastSlot - kFooterSlots - k;
        const int onSheet = kLastSlot - k;
        const bool last = remaining <= withFooter;
        const qsizetype take = last ? remaining : std::min<qsizetype>(remaining - 1, onSheet);
        for (qsizetype i = 0; i < take; ++i)
            k = page.bodyRow(lines.at(next + i), k);
        next += take;
        if (last)
            break;
        page.ops() << DrawOp::newPage();
        ++pages;
        k = page.tableHead(kHeadingSlot);
    }

    page.width(2);
    page.setting(DrawOp::Bold, 1);
    page.setting(DrawOp::FontSize, 12);
    page.text(67.0 * dx, double(k) * dy, QStringLiteral("ИТОГО: ") + texts.Text7);
    ++k;
    page.setting(DrawOp::FontSize, 10);
    page.text(4.0 * dx, double(k) * dy, QStringLiteral("ИТОГО на сумму: \r\n         ") + texts.Text4);
    ++k;
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
