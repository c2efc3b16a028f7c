// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

/// What a run writes: each file in its own format, or every file as a JPEG (that every program opens).
enum class OutputFormatChoice { SameAsSource, Jpeg };

/// The user's persisted preferences. Owns no copies of them: every read goes to the per-user store
/// (QSettings, INI format, organisation and application "Morvane") and every write is stored and
/// synced before the setter returns, so values written by another process are seen on the next read.
///
/// The bottom layer of the program (Qt Core only; it includes nothing of the rest). A run reads what it needs
/// once, before it starts, into its options (RunOptions); the engine is handed the values.
///
/// Any thread may use the shared instance: each access opens its own QSettings object (QSettings is
/// reentrant, not shareable), and the instance has no state of its own.
class Settings
{
public:
    static inline const QString kImageQuality = QStringLiteral("ImageQuality");
    static inline const QString kFixOrientation = QStringLiteral("fixOrientation");
    static inline const QString kKeepJpegQuality = QStringLiteral("keepJpegQuality");
    static inline const QString kOutputFormat = QStringLiteral("outputFormat");
    static inline const QString kIgnoreWarning = QStringLiteral("ignoreWarning");
    static inline const QString kIsFirstRun = QStringLiteral("isFirstRun");
    static inline const QString kLastOutputFolder = QStringLiteral("lastOutputFolder");
    static inline const QString kListSplitterState = QStringLiteral("listSplitterState");
    static inline const QString kTimeLimit = QStringLiteral("timeLimit");
    static constexpr int kDefaultTimeLimitSeconds = 120;

    /// The shared instance, created on first use and never destroyed.
    static Settings* settings();

    /// A fresh handle on the per-user store. Each thread opens its own: QSettings is not shareable.
    [[nodiscard]] std::unique_ptr<QSettings> defaults() const;

    [[nodiscard]] float quality() const;
    void setQuality(float quality);
    [[nodiscard]] bool fixOrientation() const;
    void setFixOrientation(bool fixOrientation);
    /// Whether JPEGs written as JPEG keep their compressed data instead of being re-encoded; off until set.
    [[nodiscard]] bool keepJpegQuality() const;
    void setKeepJpegQuality(bool keepJpegQuality);
    /// The output format; "same as the source" until set, and for a stored value this version does not know.
    [[nodiscard]] OutputFormatChoice outputFormat() const;
    void setOutputFormat(OutputFormatChoice format);
    /// How long one file may take, in seconds, before it is stopped and reported; 120 until set, and for a
    /// stored value that is not a whole number of at least 1.
    [[nodiscard]] int timeLimitSeconds() const;
    void setTimeLimitSeconds(int seconds);
    [[nodiscard]] bool ignoreWarning() const;
    void setIgnoreWarning(bool ignoreWarning);
    [[nodiscard]] bool isFirstRun() const;
    void setIsFirstRun(bool isFirstRun);
    /// The folder the latest run wrote into, kept across launches as the file system spells its path (a
    /// name need not be UTF-8); empty until a run has started.
    [[nodiscard]] QByteArray lastOutputFolder() const;
    void setLastOutputFolder(const QByteArray& folder);
    /// How the main window's list and details shared their width when it last closed (QSplitter's own
    /// state); empty until then.
    [[nodiscard]] QByteArray listSplitterState() const;
    void setListSplitterState(const QByteArray& state);

private:
    Settings() = default;

    [[nodiscard]] QVariant read(const QString& key) const;
    void write(const QString& key, const QVariant& value);
};
