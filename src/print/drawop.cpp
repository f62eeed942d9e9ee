// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawop.h"

#include <QDebug>

QString describe(const DrawOp &op)
{
    const auto num = [](float v) { return QString::number(double(v), 'g', 9); };
    switch (op.kind) {
    case DrawOp::Orientation:
        return QStringLiteral("Orientation %1").arg(op.value);
    case DrawOp::PaperSize:
        return QStringLiteral("PaperSize %1").arg(op.value);
    case DrawOp::FontName:
        return QStringLiteral("FontName \"%1\"").arg(op.text);
    case DrawOp::FontSize:
        return QStringLiteral("FontSize %1").arg(op.value);
    case DrawOp::Bold:
        return QStringLiteral("Bold %1").arg(op.value);
    case DrawOp::DrawWidth:
        return QStringLiteral("DrawWidth %1").arg(op.value);
    case DrawOp::CurrentPoint:
        return QStringLiteral("At (%1, %2)").arg(num(op.x1), num(op.y1));
    case DrawOp::Print:
        return QStringLiteral("Print \"%1\"").arg(op.text);
    case DrawOp::Line:
        return QStringLiteral("Line (%1, %2)-(%3, %4)").arg(num(op.x1), num(op.y1), num(op.x2), num(op.y2));
    case DrawOp::NewPage:
        return QStringLiteral("NewPage");
    case DrawOp::EndDoc:
        return QStringLiteral("EndDoc");
    }
    return QStringLiteral("?");
}

QDebug operator<<(QDebug debug, const DrawOp &op)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << describe(op);
    return debug;
}
