// SPDX-License-Identifier: GPL-3.0-or-later
#include "tableflexgrid.h"

#include <QHeaderView>
#include <QTest>

class tst_TableFlexGrid : public QObject {
    Q_OBJECT

    TableFlexGrid *m_grid = nullptr;
    QStringList m_events;  // each with the current cell and the first cell of its line

    void log(const char *event)
    {
        const int row = m_grid->Row(), col = m_grid->Col();
        m_events << QStringLiteral("%1 %2,%3 %4").arg(event).arg(row).arg(col).arg(m_grid->TextMatrix(row, 0));
    }
    QPoint centre(int row, int col) const { return m_grid->visualRect(m_grid->model()->index(row - 1, col)).center(); }

private slots:
    void init()
    {
        m_events.clear();
        m_grid = new TableFlexGrid;
        m_grid->resize(600, 300);
        m_grid->setTextMatrix(1, 0, "a");
        m_grid->AddItem("b");
        m_grid->AddItem("c");
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid));
        connect(m_grid, &TableFlexGrid::LeaveCell, m_grid, [this] { log("Leave"); });
        connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [this] { log("Change"); });
        connect(m_grid, &TableFlexGrid::Click, m_grid, [this] { log("Click"); });
    }
    void cleanup() { delete m_grid; }

    // Mouse: Leave, Change, Click; keyboard and code: Leave, Change; the header row is never current.
    void eventsInOrder()
    {
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 3));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 3));
        QTest::keyClick(m_grid, Qt::Key_Down);
        m_grid->moveTo(1, 5);
        m_grid->setRow(1);
        const QHeaderView *header = m_grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(2) + 5, 5));
        QTest::keyClick(m_grid, Qt::Key_Up);
        QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(0, 0));
        QVERIFY_THROWS_EXCEPTION(GridError, m_grid->moveTo(4, 0));
        QCOMPARE(m_events, QStringList({"Leave 1,0 a", "Change 2,3 b", "Click 2,3 b", "Click 2,3 b", "Leave 2,3 b",
                                        "Change 3,3 c", "Leave 3,3 c", "Change 1,5 a"}));
    }

    // A click's release queued behind its press is handled in the yield of the RowColChange handler; the
    // Click still waits for that handler.
    void clickWaitsForAYieldingRowColChange()
    {
        connect(m_grid, &TableFlexGrid::RowColChange, m_grid, [this] {
            QCoreApplication::processEvents();
            log("Yielded");
        });
        const QPoint at = centre(3, 2);
        for (Qt::MouseButton down : {Qt::LeftButton, Qt::NoButton})
            QCoreApplication::postEvent(m_grid->viewport(), new QMouseEvent(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                                                                            at, m_grid->viewport()->mapToGlobal(at), Qt::LeftButton, down, {}));
        QCoreApplication::processEvents();
        QCOMPARE(m_events, QStringList({"Leave 1,0 a", "Change 3,2 c", "Yielded 3,2 c", "Click 3,2 c"}));
    }
};

QTEST_MAIN(tst_TableFlexGrid)
#include "tst_tableflexgrid.moc"
