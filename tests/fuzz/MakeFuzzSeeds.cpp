// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzz targets' crafted seeds that no image tool makes:
//   OUT/profile: every base profile as it is, with personal texts and a private tag, cut short, declaring
//                more than it holds, smuggling a photo in a tag or after its tags; and profiles lcms builds
//                (version 4 with parametric curves, LUT-based in versions 2 and 4, grey, tone curves as
//                tables, matrix and LUTs with a gamut tag, CMYK), some with a marker in their colour tags
//   OUT/jpeg:    small JPEGs whose APP2 profile chains are whole, cut, out of order, repeated, declaring
//                more than they hold, or carrying a photo instead of a profile
// Usage: morvane_fuzz_seeds OUT SMUGGLED_PHOTO BASE_PROFILE...
#include "tests/engine/ProfileCrafting.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>

#include <cstdio>

namespace {

bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray declaring(QByteArray profile, quint32 size)
{
    qToBigEndian(size, profile.data());
    return profile;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUT SMUGGLED_PHOTO BASE_PROFILE...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QByteArray photo = readAll(QString::fromLocal8Bit(argv[2]));
    QList<std::pair<QString, QByteArray>> bases;
    for (int i = 3; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        bases.append({ QFileInfo(path).completeBaseName(), readAll(path) });
    }
    bases.append({ "lcms-p3-v4", displayP3v4() });
    bases.append({ "lcms-lut-v4", lutProfile() });
    {
        const LcmsProfile v2(lutProfile());
        cmsSetProfileVersion(v2.handle, 2.1);
        bases.append({ "lcms-lut-v2", v2.save() });
        cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
        const LcmsProfile gray(cmsCreateGrayProfile(cmsD50_xyY(), gamma));
        cmsFreeToneCurve(gamma);
        cmsSetProfileVersion(gray.handle, 4.3);
        bases.append({ "lcms-gray-v4", gray.save() });
    }
    bases.append({ "lcms-curves-v2", tabulatedMatrixProfile(2.1) });
    bases.append({ "lcms-curves-chad-marked-v4",
        withMarkerInAdaptation(withMarkerInCurves(tabulatedMatrixProfile(4.3))) });
    bases.append({ "lcms-gray-curve-marked-v2", withMarkerInCurves(tabulatedGrayProfile(2.1)) });
    bases.append({ "lcms-matrix-lut-marked-v2",
        withMarkerInGrid(matrixAndLutProfile(2.1, 9, true), "A2B0", { 1, 2, 3 }) });
    bases.append({ "lcms-matrix-lut-marked-v4",
        withMarkerInGrid(matrixAndLutProfile(4.3, 9, true), "B2A0", { 1, 2, 3 }) });
    bases.append({ "lcms-cmyk-v2", cmykProfile(2.1) });
    bases.append({ "lcms-cmyk-v4", cmykProfile(4.3) });
    if (photo.isEmpty() || !out.mkpath("profile") || !out.mkpath("jpeg"))
        return 1;

    int written = 0;
    const auto seed = [&](const QString& name, const QByteArray& bytes) {
        written += !bytes.isEmpty() && write(out.filePath(name), bytes);
    };
    for (const auto& [name, profile] : bases) {
        if (profile.size() < 132)
            continue;
        const QByteArray personal = personalised(profile);
        seed("profile/" + name + ".icc", profile);
        seed("profile/" + name + "-personal.icc", personal);
        seed("profile/" + name + "-truncated.icc", personal.left(personal.size() * 2 / 3));
        seed("profile/" + name + "-oversized.icc", declaring(personal, quint32(personal.size() + 65536)));
        seed("profile/" + name + "-photo-in-tag.icc", withExtraTag(profile, "zzzz", photo));
        seed("profile/" + name + "-photo-after-tags.icc",
            declaring(profile + photo, quint32(profile.size() + photo.size())));
    }
    QImage pixels(16, 16, QImage::Format_RGB32);
    pixels.fill(Qt::darkCyan);
    const QByteArray jpeg = jpegOf(pixels);
    const QByteArray personal = personalised(bases.first().second);
    const QList<std::pair<QString, QList<QByteArray>>> chains = {
        { "whole", iccChunks(personal, 3) },
        { "photo", iccChunks(photo, 2) },
        { "last-missing", iccChunks(personal, 3, { 1, 2 }) },
        { "out-of-order", iccChunks(personal, 3, { 1, 3, 2 }) },
        { "repeated", iccChunks(personal, 3, { 1, 2, 2 }) },
        { "oversized", iccChunks(declaring(personal, quint32(personal.size() + 4096)), 2) },
    };
    for (const auto& [name, payloads] : chains)
        seed("jpeg/chain-" + name + ".jpg", withApp2(jpeg, payloads));
    std::fprintf(stderr, "morvane_fuzz_seeds: %d crafted seeds in %s\n", written, argv[1]);
    return 0;
}
