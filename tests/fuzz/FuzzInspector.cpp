// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the metadata inspector: the container walks of every format, the
// colour-profile judgement and Exiv2's reading of the blocks they find, on the input as it is.
#include "engine/core/LibraryMessages.h"
#include "engine/inspect/MetadataInspector.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

/// A character that could steer a terminal or forge a line of a report: controls, line and paragraph
/// separators, direction marks and overrides.
bool hasHiddenCharacter(const QString& text)
{
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format
            || category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget("morvane_fuzz_inspector");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Inspection inspection = inspectImageData(fuzzInput(data, size));
    // What the inspector promises: an unreadable file says why; a readable one lists only groups with
    // fields, each field with a name and a value on one line, free of characters that steer a terminal; a
    // location is shown in its group.
    if (!inspection.readable && inspection.reason.isEmpty())
        fuzzFailure("an unreadable file without a reason");
    if (!inspection.readable && !inspection.groups.empty())
        fuzzFailure("findings in an unreadable file");
    for (const auto& [group, fields] : inspection.groups) {
        if (fields.empty())
            fuzzFailure("a group without fields");
        for (const InspectedField& field : fields) {
            if (field.name.isEmpty() || field.value.isEmpty())
                fuzzFailure("a field without a name or a value");
            if (field.value.size() > 400)
                fuzzFailure("a value too long for one line");
            if (hasHiddenCharacter(field.name) || hasHiddenCharacter(field.value))
                fuzzFailure("a control or direction character in a field");
        }
    }
    if (inspection.location && !inspection.groups.count(PersonalGroup::Location))
        fuzzFailure("a location outside the Location group");
    if (inspection.summary().isEmpty())
        fuzzFailure("an empty summary");
    (void)takeLibraryMessages();
    return 0;
}
