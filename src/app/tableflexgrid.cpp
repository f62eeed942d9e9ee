// SPDX-License-Identifier: GPL-3.0-or-later
#include "tableflexgrid.h"

#include "twips.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <utility>

namespace {

constexpr int kCreatedCols = 6;
// Room beside a heading's text, each side, in pixels.
constexpr int kHeadingPadding = 3;
// Height of a receipt line, twips: that of a one-line text box, so the editor fits the cell.
constexpr int kLineHeight = 285;

} // namespace

TableFlexGrid::TableFlexGrid(QWidget *parent) : QTableWidget(1, kCreatedCols, parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(Twips(*this).toPixelsY(kLineHeight));
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_alignment = QList<Qt::Alignment>(kCreatedCols, Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < kCreatedCols; ++c)
        setHorizontalHeaderItem(c, new QTableWidgetItem());
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()})
        connect(header, &QHeaderView::sectionResized, this, &TableFlexGrid::CellsMoved);
    connect(this, &QAbstractItemView::clicked, this, [this] {
        if (m_deferDepth > 0 || m_rowColChangeDepth > 0)
            m_clickPending = true;
        else
            emit Click();
    });
    setViewCurrent(1, 0);
}

int TableFlexGrid::RowSel() const
{
    // The view keeps its current index at the far end of a dragged or extended selection.
    return m_row;
}

QString TableFlexGrid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        throw GridError("no such cell");
    const QTableWidgetItem *cell = row == 0 ? horizontalHeaderItem(col) : item(row - 1, col);
    return cell ? cell->text() : QString();
}

void TableFlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        throw GridError("no such cell");
    if (row == 0) {
        QTableWidgetItem *heading = horizontalHeaderItem(col);
        if (!heading)
            setHorizontalHeaderItem(col, heading = new QTableWidgetItem());
        heading->setText(text);
        return;
    }
    QTableWidgetItem *cell = item(row - 1, col);
    if (!cell && text.isEmpty())
        return;
    if (!cell)
        cell = cellItem(row, col);
    cell->setText(text);
}

QTableWidgetItem *TableFlexGrid::cellItem(int row, int col)
{
    QTableWidgetItem *cell = item(row - 1, col);
    if (!cell) {
        cell = new QTableWidgetItem();
        cell->setTextAlignment(m_alignment.value(col, Qt::AlignLeft | Qt::AlignVCenter));
        setItem(row - 1, col, cell);
    }
    return cell;
}

QRect TableFlexGrid::cellRect(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return QRect();
    const QPoint origin = viewport()->geometry().topLeft();
    if (row == 0) {
        const QHeaderView *header = horizontalHeader();
        return QRect(header->geometry().left() + header->sectionViewportPosition(col), header->geometry().top(),
                     header->sectionSize(col), header->height());
    }
    return visualRect(model()->index(row - 1, col)).translated(origin);
}

QRect TableFlexGrid::currentCellRect() const
{
    return cellRect(m_row, m_col);
}

int TableFlexGrid::CellLeft() const
{
    return Twips(*this).fromPixelsX(currentCellRect().left());
}

int TableFlexGrid::CellTop() const
{
    return Twips(*this).fromPixelsY(currentCellRect().top());
}

int TableFlexGrid::CellWidth() const
{
    return Twips(*this).fromPixelsX(currentCellRect().width());
}

int TableFlexGrid::CellHeight() const
{
    return Twips(*this).fromPixelsY(currentCellRect().height());
}

void TableFlexGrid::AddItem(const QString &text)
{
    const bool quiet = std::exchange(m_quiet, true);
    insertRow(rowCount());
    m_quiet = quiet;
    if (!text.isEmpty())
        setTextMatrix(Rows() - 1, 0, text);
}

void TableFlexGrid::RemoveItem(int index)
{
    if (index < 1 || index >= Rows())
        throw GridError("no such row");
    if (Rows() <= 2)
        throw GridError("the last receipt line cannot be removed");

    // Removing the current line moves the current cell: the pending edit of the old cell is written
    // back (into the line about to go) before it goes, never into the line that takes its place.
    const bool current = index == m_row;
    if (current) {
        emit LeaveCell();
        if (index >= Rows() || Rows() <= 2)
            throw GridError("the line is gone");
    }
    const bool quiet = std::exchange(m_quiet, true);
    removeRow(index - 1);
    m_quiet = quiet;
    if (current) {
        m_row = std::min(index, Rows() - 1);
        setViewCurrent(m_row, m_col);
        raiseRowColChange();
    } else if (index < m_row) {
        // The same line stays current; only its number changes.
        --m_row;
    }
}

void TableFlexGrid::moveTo(int row, int col)
{
    if (row < 1 || row >= Rows() || col < 0 || col >= Cols())
        throw GridError("no such cell");
    if (row == m_row && col == m_col)
        return;
    emit LeaveCell();
    if (row >= Rows())
        return;
    m_row = row;
    m_col = col;
    setViewCurrent(row, col);
    raiseRowColChange();
}

void TableFlexGrid::setViewCurrent(int row, int col)
{
    const bool quiet = std::exchange(m_quiet, true);
    selectionModel()->setCurrentIndex(model()->index(row - 1, col), QItemSelectionModel::ClearAndSelect);
    m_quiet = quiet;
}

void TableFlexGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableWidget::currentChanged(current, previous);
    if (m_quiet || !current.isValid())
        return;
    if (m_deferDepth > 0) {
        m_movePending = true;
        return;
    }
    changeCurrent(current.row() + 1, current.column());
}

void TableFlexGrid::changeCurrent(int row, int col)
{
    if (row == m_row && col == m_col)
        return;
    emit LeaveCell();
    if (row >= Rows() || col >= Cols())
        return;
    m_row = row;
    m_col = col;
    raiseRowColChange();
}

void TableFlexGrid::raiseRowColChange()
{
    ++m_rowColChangeDepth;
    emit RowColChange();
    --m_rowColChangeDepth;
    raisePending();
}

void TableFlexGrid::raisePending()
{
    if (m_deferDepth > 0)
        return;
    if (m_movePending) {
        m_movePending = false;
        const QModelIndex current = currentIndex();
        if (current.isValid())
            changeCurrent(current.row() + 1, current.column());
    }
    if (m_clickPending && m_rowColChangeDepth == 0) {
        m_clickPending = false;
        emit Click();
    }
}

template<typename Handler>
void TableFlexGrid::deferMoves(Handler &&handler)
{
    ++m_deferDepth;
    handler();
    --m_deferDepth;
    raisePending();
}

void TableFlexGrid::mousePressEvent(QMouseEvent *event)
{
    deferMoves([&] { QTableWidget::mousePressEvent(event); });
}

void TableFlexGrid::mouseMoveEvent(QMouseEvent *event)
{
    deferMoves([&] { QTableWidget::mouseMoveEvent(event); });
}

void TableFlexGrid::mouseReleaseEvent(QMouseEvent *event)
{
    deferMoves([&] { QTableWidget::mouseReleaseEvent(event); });
}

void TableFlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    deferMoves([&] { QTableWidget::mouseDoubleClickEvent(event); });
}

void TableFlexGrid::focusInEvent(QFocusEvent *event)
{
    deferMoves([&] { QTableWidget::focusInEvent(event); });
}

void TableFlexGrid::keyPressEvent(QKeyEvent *event)
{
    deferMoves([&] { QTableWidget::keyPressEvent(event); });
}

void TableFlexGrid::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    emit CellsMoved();
}

void TableFlexGrid::updateGeometries()
{
    QTableWidget::updateGeometries();
    emit CellsMoved();
}

void TableFlexGrid::setFormatString(const QString &format)
{
    m_formatString = format;
    const QStringList segments = format.split(QLatin1Char('|'));
    const bool quiet = std::exchange(m_quiet, true);
    setColumnCount(int(segments.size()));
    m_quiet = quiet;
    m_alignment.resize(segments.size());
    const QFontMetrics metrics(font());
    for (int c = 0; c < segments.size(); ++c) {
        QString heading = segments[c];
        Qt::Alignment alignment = Qt::AlignLeft;
        if (heading.startsWith(QLatin1Char('^'))) {
            heading.remove(0, 1);
            alignment = Qt::AlignHCenter;
        }
        m_alignment[c] = alignment | Qt::AlignVCenter;
        setTextMatrix(0, c, heading);
        for (int r = 0; r < rowCount(); ++r) {
            if (QTableWidgetItem *cell = item(r, c))
                cell->setTextAlignment(m_alignment[c]);
        }
        setColumnWidth(c, metrics.horizontalAdvance(heading) + 2 * kHeadingPadding);
    }
    if (m_col >= Cols())
        m_col = Cols() - 1;
}

void TableFlexGrid::setColWidth(int col, int twips)
{
    setColumnWidth(col, Twips(*this).toPixelsX(twips));
}

int TableFlexGrid::ColWidth(int col) const
{
    return Twips(*this).fromPixelsX(columnWidth(col));
}

void TableFlexGrid::setRowHeight(int row, int twips)
{
    const int pixels = Twips(*this).toPixelsY(twips);
    if (row == 0)
        horizontalHeader()->setFixedHeight(pixels);
    else
        QTableWidget::setRowHeight(row - 1, pixels);
}

int TableFlexGrid::RowHeight(int row) const
{
    if (row == 0)
        return Twips(*this).fromPixelsY(horizontalHeader()->height());
    return Twips(*this).fromPixelsY(rowHeight(row - 1));
}
