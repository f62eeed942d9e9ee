#include "resizelayout.h"

#include <QTest>

class tst_ResizeLayout : public QObject {
    Q_OBJECT

private slots:
    void layoutAtCreatedClientSize();
    void minimumSize_data();
    void minimumSize();
};

void tst_ResizeLayout::layoutAtCreatedClientSize()
{
    QStringList writes;
    for (const LayoutWrite &write : resizeLayout(9150, 6330)) {
        const char *property[] = {"Width", "Height", "Top"};
        writes << QStringLiteral("%1.%2 = %3")
                      .arg(write.control, property[int(write.property)], QString::number(write.value, 'g', 9));
    }
    QCOMPARE(writes, QStringList({"MSFGAZ.Width = 8300", "MSFGAZ.Height = 1830", "Text7.Top = 3430",
                                  "Label6.Top = 3430", "Text4.Top = 3950", "Label1.Top = 3950", "TextFIO.Top = 4830",
                                  "Label3.Top = 4830", "Label4.Top = 4830", "Label5.Top = 5130", "CmdAddS.Top = 5630",
                                  "CmdDelS.Top = 5630", "CmdPrint.Top = 5630", "CmdExit.Top = 5630"}));
}

void tst_ResizeLayout::minimumSize_data()
{
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("width");
    QTest::addColumn<bool>("restore");

    QTest::newRow("6330 x 9150 -> restore") << 6330.f << 9150.f << true;
    QTest::newRow("6809 x 9269 -> restore") << 6809.f << 9269.f << true;
    QTest::newRow("6810 x 100 -> keep") << 6810.f << 100.f << false;
    QTest::newRow("100 x 9270 -> keep") << 100.f << 9270.f << false;
    QTest::newRow("0 x 0 -> restore") << 0.f << 0.f << true;
}

void tst_ResizeLayout::minimumSize()
{
    QFETCH(float, height);
    QFETCH(float, width);
    QFETCH(bool, restore);
    QCOMPARE(needsMinimumSize(height, width), restore);
}

QTEST_GUILESS_MAIN(tst_ResizeLayout)
#include "tst_resizelayout.moc"
