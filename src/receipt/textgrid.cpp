// SPDX-License-Identifier: GPL-3.0-or-later
#include "textgrid.h"

#include <algorithm>

TextGrid::TextGrid(const QStringList &headings, const QList<QStringList> &lines)
{
    const qsizetype cols = std::max<qsizetype>(headings.size(), 1);
    m_cells.append((headings + QStringList(cols)).mid(0, cols));
    for (const QStringList &line : lines)
        m_cells.append((line + QStringList(cols)).mid(0, cols));
    if (m_cells.size() < 2)
        m_cells.append(QStringList(cols));
}

void TextGrid::check(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        throw GridError("no such cell");
}

void TextGrid::setRow(int row)
{
    check(row > 0 ? row : -1, m_col);
    m_row = row;
}

void TextGrid::setCol(int col)
{
    check(m_row, col);
    m_col = col;
}

QString TextGrid::TextMatrix(int row, int col) const
{
    check(row, col);
    return m_cells[row][col];
}

void TextGrid::setTextMatrix(int row, int col, const QString &text)
{
    check(row, col);
    m_cells[row][col] = text;
}

void TextGrid::AddItem(const QString &text)
{
    m_cells.emplaceBack(Cols())[0] = text;
}

void TextGrid::RemoveItem(int index)
{
    if (index < 1 || index >= Rows())
        throw GridError("no such row");
    if (Rows() <= 2)
        throw GridError("the last receipt line cannot be removed");
    m_cells.removeAt(index);
    m_row = std::min(m_row, Rows() - 1);
}
