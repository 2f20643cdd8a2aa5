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
    // The entry under the pointer becomes the current one, and the release
    // chooses it. The pointer comes from elsewhere: a choice made before at
    // the same place on the screen left it there, and a move that does not
    // move is no move.
    QTest::mouseMove(view->viewport(), at + QPoint(0, at.y() > 4 ? -4 : 4));
    QTest::mouseMove(view->viewport(), at);
    QTRY_COMPARE(view->currentIndex(), index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY2(!view->isVisible(), qPrintable(entry));
    QCOMPARE(combo->currentText(), entry);
}

} // namespace cac::testing
