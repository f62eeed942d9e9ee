// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "flexgrid.h"

#include <QList>
#include <QStringList>

// An in-memory grid for tests of the receipt logic and the printed page: a header row and receipt
// lines of text, a current cell and fixed cell sizes in twips. Moving the current cell raises nothing.
class MemoryFlexGrid : public FlexGrid {
public:
    explicit MemoryFlexGrid(int cols = 6, int rows = 2) : m_cols(cols), m_cells(rows, QStringList(cols)) {}

    int Rows() const override { return int(m_cells.size()); }
    int Cols() const override { return m_cols; }
    int Row() const override { return m_row; }
    int Col() const override { return m_col; }
    void setRow(int row) override { check(row, m_col, 1); m_row = m_rowSel = row; }
    void setCol(int col) override { check(m_row, col, 1); m_col = col; }
    int RowSel() const override { return m_rowSel; }
    void setRowSel(int row) { m_rowSel = row; }

    QString TextMatrix(int row, int col) const override { check(row, col); return m_cells[row][col]; }
    void setTextMatrix(int row, int col, const QString &text) override { check(row, col); m_cells[row][col] = text; }

    int CellLeft() const override { return m_col * CellWidth(); }
    int CellTop() const override { return m_row * CellHeight(); }
    int CellWidth() const override { return 1000; }
    int CellHeight() const override { return 240; }

    void AddItem(const QString &text) override { m_cells.emplaceBack(m_cols)[0] = text; }
    void RemoveItem(int index) override;

    // Fills the header row and the receipt lines (each line one list of cells) in one go.
    void setHeadings(const QStringList &headings);
    void setLines(const QList<QStringList> &lines);

private:
    // Throws GridError unless (row, col) names a cell at or below firstRow.
    void check(int row, int col, int firstRow = 0) const;

    int m_cols;
    QList<QStringList> m_cells;
    int m_row = 1;
    int m_col = 0;
    int m_rowSel = 1;
};
