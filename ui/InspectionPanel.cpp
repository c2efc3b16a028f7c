// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InspectionPanel.h"

#include "engine/core/NativePath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

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
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_fields->setColumnCount(2);
    m_fields->setHeaderLabels({ tr("Field"), tr("Value") });
    m_fields->setAccessibleName(tr("Personal data"));
    m_fields->setRootIsDecorated(true);
    m_fields->setIndentation(12);
    m_fields->setUniformRowHeights(true);
    m_fields->setAlternatingRowColors(true);
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fields->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_fields->header()->setStretchLastSection(true);
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
}

void InspectionPanel::copyLocation()
{
    if (!m_location.isEmpty())
        QGuiApplication::clipboard()->setText(m_location);
}
