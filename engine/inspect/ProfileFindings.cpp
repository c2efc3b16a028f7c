// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/metadata/ColorProfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <set>

using namespace containers;

namespace {

// --- Colour profiles ---------------------------------------------------------------------------------

/// Tag signatures the ICC registers for colour (versions 2 and 4), texts among them.
bool isRegisteredProfileTag(QByteArrayView signature)
{
    static const std::set<QByteArrayView> kTags = { "A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2", "D2B0",
        "D2B1", "D2B2", "D2B3", "B2D0", "B2D1", "B2D2", "B2D3", "bXYZ", "bTRC", "bkpt", "calt", "chad",
        "chrm", "cicp", "ciis", "clro", "clrt", "clot", "cprt", "crdi", "desc", "dmnd", "dmdd", "gamt",
        "gXYZ", "gTRC", "kTRC", "lumi", "meas", "ncol", "ncl2", "pre0", "pre1", "pre2", "resp", "rXYZ",
        "rTRC", "rig0", "rig2", "scrd", "scrn", "targ", "tech", "bfd ", "vued", "view", "wtpt", "psd0",
        "psd1", "psd2", "psd3", "ps2s", "ps2i", "ps2r", "ps2c", "dscm" };
    return kTags.count(signature) != 0;
}

/// Text tags: descriptions of the profile, its device and its viewing conditions, and its copyright.
bool isProfileTextTag(QByteArrayView signature)
{
    return signature == "desc" || signature == "cprt" || signature == "dmnd" || signature == "dmdd"
        || signature == "vued" || signature == "scrd" || signature == "targ" || signature == "dscm";
}

/// Registered tags made to carry free data about devices: metadata, profile sequences, device settings.
bool isProfileDeviceTag(QByteArrayView signature)
{
    return signature == "meta" || signature == "pseq" || signature == "psid" || signature == "devs";
}

/// The texts of a tag of type 'desc', 'text' or 'mluc'; none for other types.
QStringList profileTagTexts(QByteArrayView tag)
{
    QStringList texts;
    const uchar* u = bytesOf(tag);
    const auto cut = [](QString text) {
        const qsizetype nul = text.indexOf(QChar(0));
        return nul >= 0 ? text.left(nul) : text;
    };
    if (tag.size() < 12)
        return texts;
    const QByteArrayView type = tag.first(4);
    if (type == "text") {
        texts.append(cut(QString::fromLatin1(tag.sliced(8))));
    } else if (type == "desc") {
        const qsizetype ascii = readBE32(u + 8);
        if (ascii > tag.size() - 12)
            return texts;
        texts.append(cut(QString::fromLatin1(tag.sliced(12, ascii))));
        const qsizetype unicodeAt = 12 + ascii + 4;
        if (unicodeAt + 4 <= tag.size()) {
            const qsizetype characters = readBE32(u + unicodeAt);
            if (characters > 0 && characters <= (tag.size() - unicodeAt - 4) / 2) {
                QString text;
                for (qsizetype i = 0; i < characters; ++i)
                    text.append(QChar(readBE16(u + unicodeAt + 4 + 2 * i)));
                texts.append(cut(text));
            }
        }
    } else if (type == "mluc" && tag.size() >= 16) {
        const qsizetype records = readBE32(u + 8);
        const qsizetype recordSize = readBE32(u + 12);
        if (recordSize < 12 || records > (tag.size() - 16) / recordSize)
            return texts;
        for (qsizetype i = 0; i < records; ++i) {
            const uchar* record = u + 16 + i * recordSize;
            const qsizetype length = readBE32(record + 4);
            const qsizetype offset = readBE32(record + 8);
            if (offset > tag.size() || length > tag.size() - offset)
                continue;
            QString text;
            for (qsizetype k = 0; k + 1 < length; k += 2)
                text.append(QChar(readBE16(u + offset + k)));
            texts.append(cut(text));
        }
    }
    return texts;
}

/// Words that the texts of colour profiles are made of: colour spaces and their parts, rendering and
/// viewing terms, the words of copyright lines, and the colour vendors and profile makers. A text made
/// of these names no person and no camera.
const std::set<QString>& colourProfileWords()
{
    static const std::set<QString> kWords = [] {
        std::set<QString> words;
        for (const char* word :
            { "rgb", "srgb", "scrgb", "esrgb", "argb", "rgba", "gray", "grey", "sgray", "greyscale",
                "grayscale", "mono", "monochrome", "cmyk", "cmy", "lab", "xyz", "cie", "luv", "lch", "yuv",
                "ycc", "ycbcr", "display", "dci", "cinema", "compatible", "prophoto", "romm", "rimm", "eci",
                "ecirgb", "bt", "rec", "itu", "hdtv", "sdtv", "uhdtv", "pq", "hlg", "smpte", "aces", "acescg",
                "ap", "gamma", "linear", "trc", "tone", "curve", "curves", "primaries", "white", "point",
                "black", "illuminant", "wide", "gamut", "widegamut", "colormatch", "generic", "coated",
                "uncoated", "web", "offset", "sheetfed", "newsprint", "swop", "gracol", "iso", "isocoated",
                "isouncoated", "psr", "lwc", "euroscale", "dot", "gain", "perceptual", "relative", "absolute",
                "colorimetric", "saturation", "intent", "preference", "monitor", "photo", "reference",
                "viewing", "condition", "conditions", "standard", "default", "based", "colour", "color",
                "space", "colourspace", "colorspace", "profile", "profiles", "icc", "icm", "version", "rev",
                "revision", "generated", "created", "built", "in", "copyright", "all", "rights", "reserved",
                "inc", "incorporated", "corp", "corporation", "company", "co", "ltd", "limited", "gmbh", "ag",
                "llc", "sa", "plc", "public", "domain", "no", "warranty", "use", "freely", "at", "own",
                "risk", "is", "provided", "as", "by", "with", "for", "and", "of", "the", "on", "to", "from",
                "under", "licence", "license", "cc0", "none", "unknown", "www", "http", "https", "com", "org",
                "net", "ch", "de", "jp", "uk", "fr", "international", "consortium", "hewlett", "packard",
                "hp", "adobe", "systems", "apple", "computer", "microsoft", "eastman", "kodak", "little",
                "cms", "lcms", "littlecms", "argyll", "argyllcms", "rite", "xrite", "gretagmacbeth",
                "basiccolor", "european", "initiative", "fogra", "idealliance", "iec", "colorsync",
                "imagemagick", "gimp", "ghostscript", "artifex", "google", "qt", "heidelberg", "agfa" })
            words.insert(QString::fromLatin1(word));
        return words;
    }();
    return kWords;
}

/// Whether \a word is profile words written together ("adobergb", "itulab"), pieces of three letters or
/// more only, so that short words cannot spell a name.
bool isJoinedProfileWords(const QString& word)
{
    std::vector<bool> reach(size_t(word.size()) + 1, false);
    reach[0] = true;
    for (qsizetype end = 3; end <= word.size(); ++end) {
        for (qsizetype start = 0; start + 3 <= end && !reach[size_t(end)]; ++start)
            reach[size_t(end)]
                = reach[size_t(start)] && colourProfileWords().count(word.mid(start, end - start));
    }
    return reach.back();
}

/// Whether a profile text names nothing but colour spaces, colour terms and profile makers.
bool isColourText(const QString& text)
{
    QString word;
    const auto wordIsColour = [&word] {
        const bool ok = word.size() < 2 || colourProfileWords().count(word) || isJoinedProfileWords(word);
        word.clear();
        return ok;
    };
    for (const QChar c : text) {
        const bool letter = c >= u'a' && c <= u'z';
        const bool upper = c >= u'A' && c <= u'Z';
        if (letter || upper) {
            word.append(c.toLower());
            continue;
        }
        if (!word.isEmpty() && !wordIsColour())
            return false;
        // Digits, spaces and punctuation name nothing; any other letter is a word this list lacks.
        if (c.isLetter())
            return false;
    }
    return word.isEmpty() || wordIsColour();
}

QString tagName(QByteArrayView signature)
{
    QString name;
    for (const char c : signature)
        name.append(c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'?'));
    return name;
}

} // namespace

std::vector<InspectedField> colourProfileFindings(const QByteArray& profile)
{
    std::vector<InspectedField> findings;
    if (!isCompleteProfile(profile)) {
        findings.push_back({ QCoreApplication::translate("MetadataInspector", "Colour profile"),
            QCoreApplication::translate("MetadataInspector", "damaged or no ICC profile (%1)")
                .arg(sizeWithExcerpt(profile)) });
        return findings;
    }
    const uchar* u = bytesOf(profile);
    const qsizetype count = readBE32(u + 128);
    std::vector<std::pair<qsizetype, qsizetype>> covered { { 0, 132 + count * 12 } };
    for (qsizetype i = 0; i < count; ++i) {
        const uchar* entry = u + 132 + i * 12;
        const QByteArrayView signature(reinterpret_cast<const char*>(entry), 4);
        const qsizetype offset = readBE32(entry + 4);
        const qsizetype length = readBE32(entry + 8);
        const QByteArrayView tag = QByteArrayView(profile).sliced(offset, length);
        covered.emplace_back(offset, offset + length);
        const QString name = QCoreApplication::translate("MetadataInspector", "Colour profile tag '%1'")
                                 .arg(tagName(signature));
        // A tag of a text type is read as text whatever its signature says (a colour tag holding text).
        const bool textType = tag.startsWith("text") || tag.startsWith("desc") || tag.startsWith("mluc");
        if (isProfileDeviceTag(signature)) {
            findings.push_back({ name,
                QCoreApplication::translate("MetadataInspector", "device data, %1").arg(byteCount(length)) });
        } else if (isProfileTextTag(signature) || (textType && isRegisteredProfileTag(signature))) {
            const QStringList texts = profileTagTexts(tag);
            if (texts.isEmpty())
                findings.push_back({ name,
                    QCoreApplication::translate("MetadataInspector", "unreadable text, %1")
                        .arg(sizeWithExcerpt(tag)) });
            for (const QString& text : texts) {
                if (!isColourText(text))
                    findings.push_back({ name, readableText(text) });
            }
        } else if (!isRegisteredProfileTag(signature)) {
            findings.push_back({ name,
                QCoreApplication::translate("MetadataInspector", "private, %1").arg(sizeWithExcerpt(tag)) });
        }
    }
    // Tags begin on four-byte boundaries: a larger gap between them holds something no tag names.
    std::sort(covered.begin(), covered.end());
    qsizetype end = 0;
    qsizetype hidden = 0;
    for (const auto& [from, to] : covered) {
        if (from > end + 3 && !isPadding(QByteArrayView(profile).sliced(end, from - end)))
            hidden += from - end;
        end = std::max(end, to);
    }
    if (profile.size() > end + 3 && !isPadding(QByteArrayView(profile).sliced(end)))
        hidden += profile.size() - end;
    if (hidden > 0)
        findings.push_back({ QCoreApplication::translate("MetadataInspector", "Colour profile"),
            QCoreApplication::translate("MetadataInspector", "%1 outside its tags").arg(byteCount(hidden)) });
    // The profile ID is the profile's MD5 or, in version 2 profiles, zero; anything else is 16 bytes of
    // something else.
    const QByteArrayView id = QByteArrayView(profile).sliced(84, 16);
    if (std::any_of(id.begin(), id.end(), [](char c) { return c != 0; }) && id != computeProfileId(profile))
        findings.push_back({ QCoreApplication::translate("MetadataInspector", "Colour profile ID"),
            QCoreApplication::translate("MetadataInspector", "not the profile's checksum, %1")
                .arg(sizeWithExcerpt(id)) });
    // A standard profile passes as it is, whatever its texts say. That a profile cleans to itself proves
    // nothing (one crafted to look rebuilt does too): any other profile is judged by its tags alone.
    if (!findings.empty() && isStandardColorProfile(profile))
        findings.clear();
    return findings;
}
