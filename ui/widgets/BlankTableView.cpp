// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/BlankTableView.h"

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
