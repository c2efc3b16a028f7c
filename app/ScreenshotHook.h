// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class MainNib;

/// A hidden aid for scripts/screenshots, inert unless its environment variables are set:
///   MORVANE_SCREENSHOT_FILES      paths separated by ':' that are added as if dropped on the window;
///   MORVANE_SCREENSHOT_STYLE      "icon" selects the icon style of the list;
///   MORVANE_SCREENSHOT_CONVERT_TO a folder: the Convert command runs, its dialogs answered with that
///                                 folder and their default buttons.
/// Called once after launch, on the main thread.
void applyScreenshotEnvironment(MainNib& nib);
