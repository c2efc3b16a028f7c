// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

/// The application's named images ("list.png", "listicon_alter.png", "morvane.png", ...), compiled into
/// the program from resources/. The same name always gives the same icon (equal cacheKey), so code and
/// tests can tell which named image a control shows. An unknown name gives a null icon. Main thread only.
[[nodiscard]] QIcon imageNamed(const QString& name);

/// Registers the compiled resources (":/images/..."); idempotent. imageNamed calls it itself; layouts
/// that name resource images need it before they are built.
void initMorvaneResources();
