// SPDX-License-Identifier: GPL-3.0-or-later
#include "memoryflexgrid.h"

#include <algorithm>

void MemoryFlexGrid::check(int row, int col, int firstRow) const
{
    if (row < firstRow || row >= Rows() || col < 0 || col >= m_cols)
        throw GridError("no such cell");
}

void MemoryFlexGrid::RemoveItem(int index)
{
    if (index < 1 || index >= Rows())
        throw GridError("no such row");
    if (Rows() <= 2)
        throw GridError("the last receipt line cannot be removed");
    m_cells.removeAt(index);
    m_row = std::min(m_row, Rows() - 1);
    m_rowSel = std::min(m_rowSel, Rows() - 1);
}

void MemoryFlexGrid::setHeadings(const QStringList &headings)
{
    for (int c = 0; c < m_cols && c < headings.size(); ++c)
        m_cells[0][c] = headings[c];
}

void MemoryFlexGrid::setLines(const QList<QStringList> &lines)
{
    m_cells.resize(1);
    for (const QStringList &line : lines)
        m_cells.append((line + QStringList(m_cols)).mid(0, m_cols));
    if (m_cells.size() < 2)
        m_cells.append(QStringList(m_cols));
    m_row = m_rowSel = 1;
    m_col = 0;
}
