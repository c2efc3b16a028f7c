// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/widgets/LiveTableModel.h"

#include <QHeaderView>
#include <QPointer>
#include <QTableView>

/// The file list's table: it shows no column header while its model has no rows, so an empty list is a
/// blank area, and shows the header again as soon as there are rows. The check is made on every
/// reloadData().
///
/// The header the table has when it is set up is the one it shows again; a table whose header is hidden
/// at set-up (the layout gave it none) never shows one. A table built by a layout is set up when it is
/// woken (awakeFromNib), after the layout has set its properties; a table built in code with a frame is
/// set up at once. Owns nothing beyond QTableView. Main thread only.
///
/// While it has the keyboard focus and selects whole rows, the current row is framed as one (the style's
/// focus frame around the row; around the whole view when there is no row), so that its cells' delegates
/// draw no frame of their own. The keyboard's focus arriving without a current row makes the first one
/// current, without selecting it.
class BlankTableView : public QTableView
{
    Q_OBJECT

public:
    /// For layouts: not set up until awakeFromNib().
    explicit BlankTableView(QWidget* parent = nullptr);
    /// For code: placed at \a frame and set up at once.
    explicit BlankTableView(const QRect& frame, QWidget* parent = nullptr);

    /// Called once the layout has created the table and set its properties: sets it up.
    void awakeFromNib();

    /// Shows the header when the model has rows and hides it when it has none (or there is no model),
    /// then reloads the rows.
    void reloadData();

    /// The header shown while there are rows; null for a table without one.
    [[nodiscard]] QHeaderView* prevHeaderView() const { return m_prevHeaderView; }
    /// The header as the table shows it now: prevHeaderView() while it shows, else null.
    [[nodiscard]] QHeaderView* headerView() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    /// The current row's rectangle in the viewport across its shown columns; empty when there is none.
    [[nodiscard]] QRect rowFrame(int row) const;
    /// Keeps the current header as the one to show again and takes it away. Runs once per table.
    void setup();

    QPointer<QHeaderView> m_prevHeaderView;
    bool m_isSetUp = false;
};
