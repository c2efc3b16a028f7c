// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

/// The resolution a page states: TIFF's unit (1 none, 2 inch, 3 centimetre) and the pixels per unit.
struct TiffResolution
{
    quint16 unit = 1;
    float x = 1;
    float y = 1;
};

/// Writes a TIFF of several pages into a file descriptor with libtiff, one page after the other, so that
/// only one page's pixels are held at a time. Each page is what a single-page TIFF of the engine holds:
/// its size, its pixels uncompressed in strips (8-bit grey, RGB, or RGB with premultiplied alpha), its
/// resolution, orientation 1 and, when given and readable as a colour space, its colour profile. Nothing
/// else reaches the file: no text, no dates, no EXIF or GPS directory, no thumbnail. Every write goes
/// to the descriptor, which the writer never closes; the first failed write is kept and fails the
/// file. One thread at a time.
class TiffPageWriter
{
public:
    /// Starts a TIFF at the start of \a fd, an empty file open for reading and writing. Null, with the
    /// reason in \a reason, when libtiff cannot start one.
    [[nodiscard]] static std::unique_ptr<TiffPageWriter> open(int fd, QString* reason = nullptr);
    ~TiffPageWriter();
    TiffPageWriter(const TiffPageWriter&) = delete;
    TiffPageWriter& operator=(const TiffPageWriter&) = delete;

    /// Appends a page of \a pixels: 8-bit grey as grey, an image with alpha as premultiplied RGBA, any
    /// other as RGB. \a iccProfile goes with it when Qt can read it as a colour space (what Qt's own TIFF
    /// writer would write). False, with the reason in \a reason, when the page could not be written; the
    /// file is then unusable.
    [[nodiscard]] bool addPage(const QImage& pixels, const QByteArray& iccProfile,
        const TiffResolution& resolution, QString* reason = nullptr);
    /// Ends the file. False, with the reason, when anything written to the descriptor failed.
    [[nodiscard]] bool finish(QString* reason = nullptr);

private:
    struct State;
    explicit TiffPageWriter(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
};
