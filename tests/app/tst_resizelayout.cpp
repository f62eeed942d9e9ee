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
    struct Expected {
        const char *control;
        LayoutProperty property;
        float value;
    };
    const Expected expected[] = {
        {"MSFGAZ", LayoutProperty::Width, 8300},  {"MSFGAZ", LayoutProperty::Height, 1830},
        {"Text7", LayoutProperty::Top, 3430},     {"Label6", LayoutProperty::Top, 3430},
        {"Text4", LayoutProperty::Top, 3950},     {"Label1", LayoutProperty::Top, 3950},
        {"TextFIO", LayoutProperty::Top, 4830},   {"Label3", LayoutProperty::Top, 4830},
        {"Label4", LayoutProperty::Top, 4830},    {"Label5", LayoutProperty::Top, 5130},
        {"CmdAddS", LayoutProperty::Top, 5630},   {"CmdDelS", LayoutProperty::Top, 5630},
        {"CmdPrint", LayoutProperty::Top, 5630},  {"CmdExit", LayoutProperty::Top, 5630},
    };
    const auto writes = resizeLayout(9150, 6330);
    for (size_t i = 0; i < writes.size(); ++i) {
        QCOMPARE(QByteArray(writes[i].control), QByteArray(expected[i].control));
        QCOMPARE(writes[i].property, expected[i].property);
        QCOMPARE(writes[i].value, expected[i].value);
    }
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
