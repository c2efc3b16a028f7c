// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InspectionPanel.h"

#include "engine/core/NativePath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

/// A cell of the details that wraps its text at its column's width: the row is as tall as its longest
/// cell then needs.
class WrappingCell : public QStyledItemDelegate
{
public:
    explicit WrappingCell(QTreeView* tree)
        : QStyledItemDelegate(tree)
        , m_tree(tree)
    { }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        int width = m_tree->header()->sectionSize(index.column());
        if (m_tree->isFirstColumnSpanned(index.row(), index.parent()))
            width = m_tree->viewport()->width();
        if (index.column() == 0)
            width -= m_tree->indentation() * depth(index);
        cell.rect = QRect(0, 0, std::max(width, 1), 1);
        cell.features |= QStyleOptionViewItem::WrapText;
        return QStyledItemDelegate::sizeHint(cell, index);
    }

    /// How many indentations the first cell of \a index's row starts after.
    [[nodiscard]] int depth(const QModelIndex& index) const
    {
        int levels = m_tree->rootIsDecorated() ? 1 : 0;
        for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
            ++levels;
        return levels;
    }

private:
    QTreeView* m_tree;
};

} // namespace

QString InspectionPanel::groupTitle(PersonalGroup group)
{
    switch (group) {
    case PersonalGroup::Location:
        return tr("Location");
    case PersonalGroup::Device:
        return tr("Device");
    case PersonalGroup::Time:
        return tr("Time");
    case PersonalGroup::People:
        return tr("People");
    case PersonalGroup::Text:
        return tr("Text");
    case PersonalGroup::Hidden:
        return tr("Hidden");
    }
    return {};
}

QString InspectionPanel::summaryOf(const Inspection* inspection)
{
    if (!inspection)
        return tr("Reading…");
    if (!inspection->readable)
        return tr("Not read: %1").arg(inspection->reason);
    if (inspection->groups.empty())
        return tr("Nothing personal found");
    QStringList names;
    for (const PersonalGroup group : kPersonalGroups) {
        if (inspection->groups.count(group))
            names.append(groupTitle(group));
    }
    return names.join(tr(", "));
}

InspectionPanel::InspectionPanel(QWidget* parent)
    : QFrame(parent)
    , m_title(new QLabel(this))
    , m_summary(new QLabel(this))
    , m_fields(new QTreeWidget(this))
    , m_copyLocation(new QPushButton(tr("Copy Location"), this))
{
    setAccessibleName(tr("What the photo gives away"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long file name wraps, or is cut at the panel's edge (its tooltip holds the whole path), rather
    // than holding the panel wide.
    m_title->setWordWrap(true);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fields->setColumnCount(2);
    m_fields->setHeaderLabels({ tr("Field"), tr("Value") });
    m_fields->setAccessibleName(tr("Personal data"));
    m_fields->setRootIsDecorated(true);
    m_fields->setIndentation(12);
    // Rows grow to the lines their wrapped names and values need.
    m_fields->setUniformRowHeights(false);
    m_fields->setWordWrap(true);
    m_fields->setTextElideMode(Qt::ElideNone);
    m_fields->setItemDelegate(new WrappingCell(m_fields));
    m_fields->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fields->setAlternatingRowColors(true);
    m_fields->setAllColumnsShowFocus(true);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fields->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_fields->header()->setStretchLastSection(true);
    m_fields->viewport()->installEventFilter(this);
    m_copyLocation->setToolTip(tr("Copies the photo's position as latitude and longitude"));
    layout->addWidget(m_title);
    layout->addWidget(m_summary);
    layout->addWidget(m_fields, 1);
    layout->addWidget(m_copyLocation, 0, Qt::AlignLeft);
    connect(m_copyLocation, &QPushButton::clicked, this, &InspectionPanel::copyLocation);
    showInspection({}, nullptr);
}

void InspectionPanel::showInspection(
    const QString& path, const std::shared_ptr<const Inspection>& inspection, const QString& name)
{
    m_path = path;
    m_location.clear();
    m_fields->clear();
    m_title->setText(path.isEmpty() ? tr("No photo selected")
                                    : readablePath(name.isEmpty() ? lastPathComponent(path) : name));
    m_title->setToolTip(readablePath(path));
    if (path.isEmpty()) {
        m_summary->setText(tr("Select a photo to see what it gives away."));
    } else if (!inspection || !inspection->readable || inspection->groups.empty()) {
        m_summary->setText(summaryOf(inspection.get()));
    } else {
        for (const PersonalGroup group : kPersonalGroups) {
            const auto found = inspection->groups.find(group);
            if (found == inspection->groups.end())
                continue;
            auto* item = new QTreeWidgetItem(m_fields, { groupTitle(group) });
            QFont bold = item->font(0);
            bold.setBold(true);
            item->setFont(0, bold);
            item->setFirstColumnSpanned(true);
            for (const InspectedField& field : found->second) {
                auto* child = new QTreeWidgetItem(item, { field.name, field.value });
                child->setToolTip(1, field.value);
            }
        }
        m_fields->expandAll();
        m_summary->setText(tr("Gives away: %1").arg(summaryOf(inspection.get())));
        m_location = inspection->location.value_or(QString());
    }
    m_fields->setEnabled(m_fields->topLevelItemCount() > 0);
    m_copyLocation->setEnabled(!m_location.isEmpty());
    fitColumns();
}

void InspectionPanel::fitColumns()
{
    // The texts' own widths, measured unwrapped: the columns' size hints would give back wrapped widths.
    const QFontMetrics metrics(m_fields->font());
    const int margins
        = 2 * (m_fields->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_fields) + 1) + 2;
    const int indent = m_fields->indentation() * (m_fields->rootIsDecorated() ? 2 : 1);
    int names = metrics.horizontalAdvance(m_fields->headerItem()->text(0)) + margins;
    int values = metrics.horizontalAdvance(m_fields->headerItem()->text(1)) + margins;
    for (int group = 0; group < m_fields->topLevelItemCount(); ++group) {
        const QTreeWidgetItem* item = m_fields->topLevelItem(group);
        for (int field = 0; field < item->childCount(); ++field) {
            names
                = std::max(names, indent + metrics.horizontalAdvance(item->child(field)->text(0)) + margins);
            values = std::max(values, metrics.horizontalAdvance(item->child(field)->text(1)) + margins);
        }
    }
    // The names whole when the values fit beside them; else the names get at least two fifths.
    const int available = m_fields->viewport()->width();
    m_fields->header()->resizeSection(0, std::min(names, std::max(available * 2 / 5, available - values)));
    // The rows are measured again at the new widths.
    m_fields->doItemsLayout();
}

bool InspectionPanel::eventFilter(QObject* watched, QEvent* event)
{
    // Only a change of width moves the wrapping; heights change as rows come and go.
    if (watched == m_fields->viewport() && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->size().width() != resize->oldSize().width())
            fitColumns();
    }
    return QFrame::eventFilter(watched, event);
}

void InspectionPanel::copyLocation()
{
    if (!m_location.isEmpty())
        QGuiApplication::clipboard()->setText(m_location);
}
