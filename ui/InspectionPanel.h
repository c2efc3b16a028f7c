// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspect/MetadataInspector.h"

#include <QFrame>
#include <QString>

#include <memory>

class QEvent;
class QLabel;
class QPushButton;
class QTreeWidget;

/// The details beside the file list: what the selected photo gives away, each group with its fields and
/// values, and a button that copies the photo's position. Shows a hint when no photo is selected and a
/// note while the photo is being read. Names and values wrap at whatever width the panel has.
class InspectionPanel : public QFrame
{
    Q_OBJECT

public:
    explicit InspectionPanel(QWidget* parent = nullptr);

    /// Shows the inspection of \a path under the title \a name (the name the list shows; the path's own
    /// when empty): null while the file is being read; an empty \a path when no file is selected.
    void showInspection(
        const QString& path, const std::shared_ptr<const Inspection>& inspection, const QString& name = {});
    /// The name of \a group as the panel and the list show it.
    [[nodiscard]] static QString groupTitle(PersonalGroup group);
    /// What the list says of a file: the groups found ("Location, Device, Time"), "Nothing personal
    /// found", why it was not read, or, for a null \a inspection, that it is being read.
    [[nodiscard]] static QString summaryOf(const Inspection* inspection);

    /// The path shown, empty when none.
    [[nodiscard]] const QString& shownPath() const { return m_path; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void copyLocation();
    /// Gives the field names the room they need, up to two fifths of the list, and the values the rest;
    /// both wrap when that is not enough.
    void fitColumns();

    QLabel* m_title;
    QLabel* m_summary;
    QTreeWidget* m_fields;
    QPushButton* m_copyLocation;
    QString m_path;
    QString m_location;
};
