#pragma once

#include "flexgrid.h"

#include <QList>
#include <QStringList>

#include <functional>

// An in-memory grid for tests of the receipt logic and the printed page: a header row and receipt
// lines of text, a current cell, fixed cell sizes in twips, and the LeaveCell/RowColChange callbacks.
class MemoryFlexGrid : public FlexGrid {
public:
    explicit MemoryFlexGrid(int cols = 6, int rows = 2);

    int Rows() const override { return int(m_cells.size()); }
    int Cols() const override { return m_cols; }
    int Row() const override { return m_row; }
    int Col() const override { return m_col; }
    void setRow(int row) override;
    void setCol(int col) override;
    int RowSel() const override { return m_rowSel; }
    void setRowSel(int row) { m_rowSel = row; }

    QString TextMatrix(int row, int col) const override;
    void setTextMatrix(int row, int col, const QString &text) override;

    int CellLeft() const override;
    int CellTop() const override;
    int CellWidth() const override { return m_colWidth; }
    int CellHeight() const override { return m_rowHeight; }

    void AddItem(const QString &text) override;
    void RemoveItem(int index) override;

    // Fills the header row and the receipt lines (each line one list of cells) in one go.
    void setHeadings(const QStringList &headings);
    void setLines(const QList<QStringList> &lines);

    std::function<void()> onLeaveCell;
    std::function<void()> onRowColChange;

private:
    void moveTo(int row, int col);

    int m_cols;
    QList<QStringList> m_cells;
    int m_row = 1;
    int m_col = 0;
    int m_rowSel = 1;
    int m_colWidth = 1000;
    int m_rowHeight = 240;
};
