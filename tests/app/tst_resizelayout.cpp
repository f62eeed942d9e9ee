// SPDX-License-Identifier: GPL-3.0-or-later
#include "resizelayout.h"

#include <QTest>

class tst_ResizeLayout : public QObject {
    Q_OBJECT

private slots:
    // The layout at the created client size; the minimum outer size is restored only when the window is
    // below 6810 x 9270 twips both ways.
    void layoutAndMinimumSize()
    {
        QStringList writes;
        for (const LayoutWrite &write : resizeLayout(9150, 6330))
            writes << QStringLiteral("%1.%2 = %3").arg(write.control, QStringList{"Width", "Height", "Top"}[int(write.property)])
                          .arg(write.value);
        QCOMPARE(writes, QStringList({"MSFGAZ.Width = 8300", "MSFGAZ.Height = 1830", "Text7.Top = 3430",
                                      "Label6.Top = 3430", "Text4.Top = 3950", "Label1.Top = 3950", "TextFIO.Top = 4830",
                                      "Label3.Top = 4830", "Label4.Top = 4830", "Label5.Top = 5130", "CmdAddS.Top = 5630",
                                      "CmdDelS.Top = 5630", "CmdPrint.Top = 5630", "CmdExit.Top = 5630"}));
        QCOMPARE(QList({needsMinimumSize(6809, 9269), needsMinimumSize(6810, 100), needsMinimumSize(100, 9270)}),
                 QList({true, false, false}));
    }
};

QTEST_GUILESS_MAIN(tst_ResizeLayout)
#include "tst_resizelayout.moc"
