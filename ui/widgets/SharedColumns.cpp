// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/SharedColumns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include <algorithm>

SharedColumns::SharedColumns(QTableView* table, int first, int second)
    : QObject(table)
    , m_table(table)
    , m_first(first)
    , m_second(second)
{
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(first, QHeaderView::Fixed);
    header->setSectionResizeMode(second, QHeaderView::Fixed);
    table->viewport()->installEventFilter(this);
    // A widget says it goes before it deletes its children (the viewport, which still sends events, and
    // this): from then on the table is no table to measure.
    connect(table, &QObject::destroyed, this, [this] { m_table = nullptr; });
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column != m_first && column != m_second)
            fit();
    });
    // A column hidden or shown (the thumbnails of the icon style) says so only through the geometry.
    connect(header, &QHeaderView::geometriesChanged, this, &SharedColumns::fitLater);
    if (QAbstractItemModel* model = table->model()) {
        connect(model, &QAbstractItemModel::dataChanged, this, &SharedColumns::fitLater);
        connect(model, &QAbstractItemModel::rowsInserted, this, &SharedColumns::fitLater);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &SharedColumns::fitLater);
        connect(model, &QAbstractItemModel::modelReset, this, &SharedColumns::fitLater);
        connect(model, &QAbstractItemModel::layoutChanged, this, &SharedColumns::fitLater);
    }
    fit();
}

bool SharedColumns::eventFilter(QObject* watched, QEvent* event)
{
    if (m_table && watched == m_table->viewport() && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

void SharedColumns::fitLater()
{
    // Data arrives row by row as files are read: one fit after the burst, not one per row.
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        fit();
    });
}

void SharedColumns::fit()
{
    if (!m_table || m_fitting)
        return;
    m_fitting = true;
    QHeaderView* header = m_table->horizontalHeader();
    int others = 0;
    for (int column = 0; column < header->count(); ++column) {
        if (column != m_first && column != m_second && !header->isSectionHidden(column))
            others += header->sectionSize(column);
    }
    const int available = std::max(0, m_table->viewport()->width() - others);
    // What each column's texts and its header need (the view's measure, public as an item view's).
    const QAbstractItemView* view = m_table;
    const auto need = [&](int column) {
        return std::max({ header->minimumSectionSize(), view->sizeHintForColumn(column),
            header->sectionSizeHint(column) });
    };
    const int first = need(m_first), second = need(m_second);
    int firstWidth = 0;
    if (first + second <= available) {
        firstWidth = first + (available - first - second) / 2;
    } else if (std::min(first, second) <= available * 11 / 20) {
        // Short of room: the shorter one whole, the longer one cut.
        firstWidth = first <= second ? first : available - second;
    } else {
        firstWidth = int(qint64(available) * first / std::max(1, first + second));
    }
    // Never narrower than a header allows: in a window too narrow for the rest, the table scrolls.
    const int least = header->minimumSectionSize();
    header->resizeSection(m_first, std::max(least, firstWidth));
    header->resizeSection(m_second, std::max(least, available - firstWidth));
    m_fitting = false;
}
