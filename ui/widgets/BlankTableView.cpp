// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/BlankTableView.h"

#include <QFocusEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

BlankTableView::BlankTableView(QWidget* parent)
    : QTableView(parent)
{ }

BlankTableView::BlankTableView(const QRect& frame, QWidget* parent)
    : QTableView(parent)
{
    setGeometry(frame);
    setup();
}

void BlankTableView::awakeFromNib()
{
    setup();
}

void BlankTableView::setup()
{
    // A second set-up would find the header already taken away and forget it for good.
    if (m_isSetUp)
        return;
    m_isSetUp = true;
    m_prevHeaderView = headerView();
    horizontalHeader()->hide();
}

QHeaderView* BlankTableView::headerView() const
{
    QHeaderView* header = horizontalHeader();
    return header->isHidden() ? nullptr : header;
}

void BlankTableView::reloadData()
{
    const int count = model() ? model()->rowCount() : 0;
    QHeaderView* current = headerView();
    if (count != 0 && m_prevHeaderView && current != m_prevHeaderView) {
        m_prevHeaderView->show();
        // Lay the scroll area out again now, with the header row, before any row is drawn.
        updateGeometries();
    } else if (count == 0 && current) {
        current->hide();
    }
    if (auto* live = qobject_cast<LiveTableModel*>(model()))
        live->reloadData();
    else
        viewport()->update();
}

QRect BlankTableView::rowFrame(int row) const
{
    QRect frame;
    if (!model() || row < 0 || row >= model()->rowCount())
        return frame;
    for (int column = 0; column < model()->columnCount(); ++column) {
        if (!isColumnHidden(column))
            frame = frame.united(visualRect(model()->index(row, column)));
    }
    return frame;
}

void BlankTableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!hasFocus() || selectionBehavior() != SelectRows)
        return;
    // The current row, or with none the whole view.
    const QModelIndex current = currentIndex();
    QRect frame = rowFrame(current.row());
    if (frame.isEmpty())
        frame = viewport()->rect();
    QPainter painter(viewport());
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = frame;
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    const bool selected
        = selectionModel() && selectionModel()->isRowSelected(current.row(), current.parent());
    option.backgroundColor
        = palette().color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void BlankTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // The frame spans the row: both rows are drawn again whole, not only the cells that changed.
    viewport()->update(rowFrame(previous.row()));
    viewport()->update(rowFrame(current.row()));
}

void BlankTableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    // The keyboard arrives on the first row when it has none, which it may then select with Space.
    if (!currentIndex().isValid() && model() && model()->rowCount() > 0 && selectionModel()
        && event->reason() != Qt::MouseFocusReason) {
        for (int column = 0; column < model()->columnCount(); ++column) {
            if (!isColumnHidden(column)) {
                selectionModel()->setCurrentIndex(model()->index(0, column), QItemSelectionModel::NoUpdate);
                break;
            }
        }
    }
    viewport()->update();
}

void BlankTableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}
