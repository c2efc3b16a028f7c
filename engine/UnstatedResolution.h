// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>

/// Qt's writers always write a resolution: an image whose resolution was never set is written at 96 dpi.
/// A file made from a source that states none should not claim one. What each format gets instead:
/// PNG no pHYs chunk at all (PngChunkFilter), BMP zero pixels per metre (the format's "not stated"), TIFF
/// a resolution unit of "none" with a 1:1 resolution (the fields are required in a baseline TIFF; unit 1
/// is how TIFF says that they carry no absolute size). JPEG writes a JFIF density of unit 0 itself.

/// A write-only device that passes a PNG stream on to \a target and leaves out every chunk whose type is
/// one of \a droppedTypes. The stream must be written from its start, in order (as Qt's PNG writer does);
/// the chunks that stay are passed on unchanged, so their CRCs stay right. One thread at a time.
class PngChunkFilter : public QIODevice
{
public:
    PngChunkFilter(QIODevice* target, QList<QByteArray> droppedTypes);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice* m_target;
    QList<QByteArray> m_droppedTypes;
    qint64 m_signatureLeft = 8;
    QByteArray m_chunkHeader; ///< length and type of the next chunk, while incomplete
    qint64 m_chunkLeft = 0; ///< bytes of the current chunk's data and CRC still to come
    bool m_dropping = false;
};

/// Sets the resolution of the BMP file open at \a fd to zero pixels per metre. False when the file has no
/// header with a resolution or cannot be written.
bool clearBmpResolution(int fd);

/// Rewrites the resolution of the first image of the TIFF file open at \a fd as unit "none" and 1:1. False
/// when its first directory lacks the three fields in the form Qt's writer gives them, or on an I/O error.
bool clearTiffResolution(int fd);
