// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <mutex>

class QSettings;

/// The user's persisted preferences. Owns no copies of them: every read goes to the per-user store
/// (QSettings, INI format, organisation and application "Morvane") and every write is stored and
/// synced before the setter returns, so values written by another process are seen on the next read.
///
/// Above the store sits a volatile override layer: values set there are read first and never written
/// to the store. The command line uses it so that a scripted run never changes the user's preferences.
///
/// Any thread may use the shared instance: each access opens its own QSettings object (QSettings is
/// reentrant, not shareable), and the override layer is guarded by a mutex.
class Settings
{
public:
    static inline const QString kImageQuality = QStringLiteral("ImageQuality");
    static inline const QString kFixOrientation = QStringLiteral("fixOrientation");
    static inline const QString kIgnoreWarning = QStringLiteral("ignoreWarning");
    static inline const QString kIsFirstRun = QStringLiteral("isFirstRun");

    /// The shared instance, created on first use and never destroyed.
    static Settings* settings();

    /// A fresh handle on the per-user store. Each thread opens its own: QSettings is not shareable.
    [[nodiscard]] std::unique_ptr<QSettings> defaults() const;

    [[nodiscard]] float quality() const;
    void setQuality(float quality);
    [[nodiscard]] bool fixOrientation() const;
    void setFixOrientation(bool fixOrientation);
    [[nodiscard]] bool ignoreWarning() const;
    void setIgnoreWarning(bool ignoreWarning);
    [[nodiscard]] bool isFirstRun() const;
    void setIsFirstRun(bool isFirstRun);

    /// Makes \a key read as \a value for the rest of the process without touching the store.
    void setOverride(const QString& key, const QVariant& value);
    void clearOverrides();

private:
    Settings() = default;

    [[nodiscard]] QVariant read(const QString& key) const;
    void write(const QString& key, const QVariant& value);

    mutable std::mutex m_overridesMutex;
    QHash<QString, QVariant> m_overrides;
};
