// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textgrid.h"

// A grid of cols columns and rows rows (the header row included) for tests of the receipt logic and the
// printed page, filled in one go.
class MemoryFlexGrid : public TextGrid {
public:
    explicit MemoryFlexGrid(int cols = 6, int rows = 2)
        : TextGrid(QStringList(cols), QList<QStringList>(rows - 1, QStringList(cols))) {}

    // Each line one list of cells; the current cell goes back to the first of line 1.
    void setLines(const QList<QStringList> &lines)
    {
        QStringList headings;
        for (int c = 0; c < Cols(); ++c)
            headings << TextMatrix(0, c);
        static_cast<TextGrid &>(*this) = TextGrid(headings, lines);
    }
};
