#pragma once
// A combo's entry chosen the way a user chooses it: through its drop-down.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

namespace cac::testing {

// Opens the combo's drop-down with a click, as a user does, and clicks the
// entry in it.
inline void chooseInPopup(QComboBox* combo, const QString& entry) {
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY2(view->isVisible(), qPrintable(combo->objectName()));
    const int row = combo->findText(entry);
    QVERIFY2(row >= 0, qPrintable(entry));
    const QModelIndex index = combo->model()->index(row, 0);
    // The popup passes over a release that comes at once after it opened.
    QTest::qWait(QApplication::doubleClickInterval());
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
    const QPoint at = view->visualRect(index).center();
    QVERIFY(view->viewport()->rect().contains(at));
    QTest::mouseMove(view->viewport(), at); // the entry under the pointer is the current one
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(combo->currentText(), entry);
}

} // namespace cac::testing
