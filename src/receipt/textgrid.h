// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "flexgrid.h"

#include <QList>
#include <QStringList>

// A grid of texts in memory: a header row and receipt lines, with no window behind it. It lets a
// receipt kept elsewhere (the journal) be laid out and printed as the window's grid would be.
class TextGrid : public FlexGrid {
public:
    // headings: the header row; lines: the receipt lines, each cut or padded to the headings' count.
    // With no lines the grid still holds one empty line, as the window's grid does.
    TextGrid(const QStringList &headings, const QList<QStringList> &lines);

    int Rows() const override { return int(m_cells.size()); }
    int Cols() const override { return int(m_cells.first().size()); }
    int Row() const override { return m_row; }
    int Col() const override { return m_col; }
    void setRow(int row) override;
    void setCol(int col) override;
    int RowSel() const override { return m_row; }

    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString &text) override;

    // No cell geometry: nothing is ever shown over this grid.
    int CellLeft() const override { return 0; }
    int CellTop() const override { return 0; }
    int CellWidth() const override { return 0; }
    int CellHeight() const override { return 0; }

    void AddItem(const QString &text) override;
    void RemoveItem(int index) override;

private:
    void check(int row, int col) const;

    QList<QStringList> m_cells;
    int m_row = 1;
    int m_col = 0;
};
