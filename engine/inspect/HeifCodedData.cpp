// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/HeifCodedData.h"

#include "engine/inspect/MetadataContainers.h"
#include "engine/structure/CodedStreams.h"

#include <QByteArray>
#include <QCoreApplication>

namespace {

/// The units of one kind found in one place: how many, how many bytes, and what can be read of them.
struct Found
{
    int units = 0;
    qsizetype bytes = 0;
    QByteArray text;

    void add(QByteArrayView unit)
    {
        ++units;
        bytes += unit.size();
        // Enough of the units for an excerpt: the first few kilobytes, each unit set apart.
        if (text.size() < 4096) {
            const QByteArrayView part = unit.first(std::min<qsizetype>(unit.size(), 4096));
            text.append(part.data(), part.size());
            text.append('\0');
        }
    }
};

void report(MetadataBlocks& blocks, const QString& name, quint32 item, const char* where, const Found& found)
{
    if (found.units == 0)
        return;
    QString value
        = QCoreApplication::translate("MetadataInspector", "%1 in item %2's %3, %4 bytes")
              .arg(found.units == 1
                      ? QCoreApplication::translate("MetadataInspector", "1 unit")
                      : QCoreApplication::translate("MetadataInspector", "%1 units").arg(found.units))
              .arg(item)
              .arg(QLatin1String(where))
              .arg(found.bytes);
    const QString excerpt = printableExcerpt(found.text);
    if (!excerpt.isEmpty())
        value += QStringLiteral(": ") + excerpt;
    blocks.found.push_back({ PersonalGroup::Hidden, InspectedField { name, value } });
}

const HeifProperty* propertyOf(const HeifStructure& s, const HeifItem& item, quint32 type)
{
    for (const int index : item.properties) {
        if (index >= 0 && size_t(index) < s.properties.size() && s.properties[size_t(index)].type == type)
            return &s.properties[size_t(index)];
    }
    return nullptr;
}

bool isSei(QByteArrayView nal)
{
    const int type = hevcNalType(nal);
    return type == 39 || type == 40;
}

/// The data of an item, while the items walked so far hold less than \a budget bytes: items may share
/// their data, and a file of many items naming all of it must not keep the walk busy.
std::optional<QByteArray> itemData(const HeifStructure& s, const HeifItem& item, qint64& budget)
{
    if (budget <= 0)
        return std::nullopt;
    std::optional<QByteArray> data = heifItemData(s, item, quint64(budget), nullptr);
    if (data)
        budget -= data->size();
    return data;
}

void hevcItem(const HeifStructure& s, const HeifItem& item, MetadataBlocks& blocks, qint64& budget)
{
    const HeifProperty* hvcC = propertyOf(s, item, fourCC("hvcC"));
    const std::optional<HevcConfiguration> configuration
        = hvcC ? readHevcConfiguration(hvcC->payload) : std::nullopt;
    if (!configuration)
        return;
    Found inConfiguration, inData;
    for (const HevcConfiguration::Array& array : configuration->arrays) {
        for (const QByteArrayView unit : array.units) {
            if (isSei(unit))
                inConfiguration.add(unit);
        }
    }
    const QString name = QCoreApplication::translate("MetadataInspector", "Supplemental data (HEVC SEI)");
    report(blocks, name, item.id, "configuration", inConfiguration);
    const std::optional<QByteArray> data = itemData(s, item, budget);
    if (!data)
        return;
    const bool whole = forEachNal(*data, configuration->lengthSize, [&](QByteArrayView unit) {
        if (isSei(unit))
            inData.add(unit);
        return true;
    });
    if (whole)
        report(blocks, name, item.id, "data", inData);
}

void av1Item(const HeifStructure& s, const HeifItem& item, MetadataBlocks& blocks, qint64& budget)
{
    const HeifProperty* av1C = propertyOf(s, item, fourCC("av1C"));
    if (!av1C || av1C->payload.size() < 4)
        return;
    Found inConfiguration, inData;
    const auto collect = [](Found& found) {
        return [&found](int type, QByteArrayView payload, QByteArrayView) {
            if (type == 5)
                found.add(payload);
            return true;
        };
    };
    const QString name = QCoreApplication::translate("MetadataInspector", "Metadata (AV1 OBU)");
    if (forEachObu(av1C->payload.sliced(4), collect(inConfiguration)))
        report(blocks, name, item.id, "configuration", inConfiguration);
    const std::optional<QByteArray> data = itemData(s, item, budget);
    if (data && forEachObu(*data, collect(inData)))
        report(blocks, name, item.id, "data", inData);
}

} // namespace

void reportHeifCodedMetadata(const HeifStructure& structure, MetadataBlocks& blocks)
{
    qint64 budget = 2 * qint64(structure.file.size()) + (qint64(1) << 20);
    for (const auto& [id, item] : structure.items) {
        if (item.type == fourCC("hvc1"))
            hevcItem(structure, item, blocks, budget);
        else if (item.type == fourCC("av01"))
            av1Item(structure, item, blocks, budget);
    }
}
