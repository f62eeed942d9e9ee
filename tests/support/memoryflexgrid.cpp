#include "memoryflexgrid.h"

MemoryFlexGrid::MemoryFlexGrid(int cols, int rows) : m_cols(cols)
{
    for (int r = 0; r < rows; ++r)
        m_cells.append(QStringList(cols));
}

void MemoryFlexGrid::setRow(int row)
{
    moveTo(row, m_col);
}

void MemoryFlexGrid::setCol(int col)
{
    moveTo(m_row, col);
}

void MemoryFlexGrid::moveTo(int row, int col)
{
    if (row < 1 || row >= Rows() || col < 0 || col >= m_cols)
        throw GridError("no such cell");
    if (row == m_row && col == m_col)
        return;
    if (onLeaveCell)
        onLeaveCell();
    m_row = row;
    m_col = col;
    m_rowSel = row;
    if (onRowColChange)
        onRowColChange();
}

QString MemoryFlexGrid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        throw GridError("no such cell");
    return m_cells[row][col];
}

void MemoryFlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= m_cols)
        throw GridError("no such cell");
    m_cells[row][col] = text;
}

int MemoryFlexGrid::CellLeft() const
{
    return m_col * m_colWidth;
}

int MemoryFlexGrid::CellTop() const
{
    return m_row * m_rowHeight;
}

void MemoryFlexGrid::AddItem(const QString &text)
{
    QStringList row(m_cols);
    row[0] = text;
    m_cells.append(row);
}

void MemoryFlexGrid::RemoveItem(int index)
{
    if (index < 1 || index >= Rows())
        throw GridError("no such row");
    if (Rows() <= 2)
        throw GridError("the last receipt line cannot be removed");
    m_cells.removeAt(index);
    if (m_row >= Rows())
        m_row = Rows() - 1;
    if (m_rowSel >= Rows())
        m_rowSel = Rows() - 1;
}

void MemoryFlexGrid::setHeadings(const QStringList &headings)
{
    for (int c = 0; c < m_cols && c < headings.size(); ++c)
        m_cells[0][c] = headings[c];
}

void MemoryFlexGrid::setLines(const QList<QStringList> &lines)
{
    m_cells.resize(1);
    for (const QStringList &line : lines) {
        QStringList row(m_cols);
        for (int c = 0; c < m_cols && c < line.size(); ++c)
            row[c] = line[c];
        m_cells.append(row);
    }
    if (m_cells.size() < 2)
        m_cells.append(QStringList(m_cols));
    m_row = m_rowSel = 1;
    m_col = 0;
}
