// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>

/// A table model that reads its rows live from a list kept elsewhere and so cannot signal the list's
/// changes itself: whoever changes the list calls reloadData() (through BlankTableView::reloadData).
class LiveTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Tells every view that the rows may all have changed.
    void reloadData()
    {
        beginResetModel();
        rowsWillReload();
        endResetModel();
    }

protected:
    /// Called by reloadData() while the views hold no rows: the place to put the list in order.
    virtual void rowsWillReload() { }
};
