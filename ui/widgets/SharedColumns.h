// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QTableView;

/// Shares what a table's other columns leave of its width between two columns: each gets what its texts
/// need when both fit, and what is left over is split between them; when they do not fit, the shorter one
/// keeps what it needs where that is about half the room, else each gets a part in proportion to its need.
/// Follows the table's size, its data and its other columns' widths.
///
/// Owned by the table (its parent). Main thread.
class SharedColumns : public QObject
{
    Q_OBJECT

public:
    SharedColumns(QTableView* table, int first, int second);

    bool eventFilter(QObject* watched, QEvent* event) override;

    /// Sets the two columns' widths now.
    void fit();

private:
    void fitLater();

    QPointer<QTableView> m_table;
    int m_first;
    int m_second;
    bool m_pending = false;
    bool m_fitting = false;
};
