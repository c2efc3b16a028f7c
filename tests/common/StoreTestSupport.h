// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// The INI file behind Settings, as this test process sees it (under TestMain's temporary folder).
[[nodiscard]] QString storePath();
/// The file's text; empty when it does not exist.
[[nodiscard]] QString storeText();
/// Replaces the file's text, as a hand edit would.
void setStoreText(const QString& text);
/// The raw text after "key=" in the file's [General] section, read without QSettings; null when absent.
[[nodiscard]] QString storedText(const QString& key);
/// Removes the file, so that the next test starts from an empty store.
void clearStore();
