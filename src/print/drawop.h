// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class QDebug;

// One operation of a printed page, in the order the page is drawn. Positions are in twips (1/1440
// inch) from the top-left corner of the sheet.
struct DrawOp {
    enum Kind {
        Orientation, // value: 1 portrait, 2 landscape
        PaperSize,   // value: the paper code (9 is A4)
        FontName,    // text: the face of the texts that follow
        FontSize,    // value: size in points of the texts that follow
        Bold,        // value: 1 bold, 0 regular
        DrawWidth,   // value: rule width, 1 thin or 2 thick
        CurrentPoint, // (x1, y1): top-left corner of the next text's first character
        Print,       // text: drawn from the current point; CR LF carries the rest to x = 0 on the next line
        Line,        // a rule from (x1, y1) to (x2, y2) in the current width
        NewPage,     // ends the page and starts the next one
        EndDoc,      // ends the document
    };

    Kind kind = EndDoc;
    int value = 0;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QString text;

    bool operator==(const DrawOp &) const = default;

    static DrawOp setting(Kind kind, int value) { return {kind, value, 0, 0, 0, 0, {}}; }
    static DrawOp fontName(const QString &face) { return {FontName, 0, 0, 0, 0, 0, face}; }
    static DrawOp at(float x, float y) { return {CurrentPoint, 0, x, y, 0, 0, {}}; }
    static DrawOp print(const QString &text) { return {Print, 0, 0, 0, 0, 0, text}; }
    static DrawOp line(float x1, float y1, float x2, float y2) { return {Line, 0, x1, y1, x2, y2, {}}; }
    static DrawOp newPage() { return {NewPage, 0, 0, 0, 0, 0, {}}; }
    static DrawOp endDoc() { return {EndDoc, 0, 0, 0, 0, 0, {}}; }
};

using DrawOps = QList<DrawOp>;

// Readable form of an operation, for test failures and debugging ("Line (476, 674)-(10472, 674)").
QString describe(const DrawOp &op);
QDebug operator<<(QDebug debug, const DrawOp &op);
