// SPDX-License-Identifier: GPL-3.0-or-later
// What an inspection found, in words and as JSON: apart from the inspector itself, so that a program
// that only reports inspections made elsewhere (in a worker) links none of the metadata libraries.
#include "engine/inspect/MetadataInspector.h"

#include <QJsonArray>

QString personalGroupName(PersonalGroup group)
{
    switch (group) {
    case PersonalGroup::Location:
        return QStringLiteral("Location");
    case PersonalGroup::Device:
        return QStringLiteral("Device");
    case PersonalGroup::Time:
        return QStringLiteral("Time");
    case PersonalGroup::People:
        return QStringLiteral("People");
    case PersonalGroup::Text:
        return QStringLiteral("Text");
    case PersonalGroup::Hidden:
        return QStringLiteral("Hidden");
    }
    return {};
}

QStringList Inspection::groupNames() const
{
    QStringList names;
    for (const PersonalGroup group : kPersonalGroups) {
        if (groups.count(group))
            names.append(personalGroupName(group));
    }
    return names;
}

QString Inspection::summary() const
{
    if (!readable)
        return reason;
    if (groups.empty())
        return QStringLiteral("Nothing personal found");
    return groupNames().join(QStringLiteral(", "));
}

QJsonObject inspectionToJson(const Inspection& inspection)
{
    QJsonObject object;
    object.insert(QStringLiteral("readable"), inspection.readable);
    if (!inspection.readable) {
        object.insert(QStringLiteral("reason"), inspection.reason);
        return object;
    }
    object.insert(QStringLiteral("summary"), inspection.summary());
    QJsonObject groups;
    for (const auto& [group, fields] : inspection.groups) {
        QJsonArray array;
        for (const InspectedField& field : fields)
            array.append(QJsonObject {
                { QStringLiteral("name"), field.name }, { QStringLiteral("value"), field.value } });
        groups.insert(personalGroupName(group), array);
    }
    object.insert(QStringLiteral("groups"), groups);
    if (inspection.location)
        object.insert(QStringLiteral("location"), *inspection.location);
    return object;
}
