// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NamedImage.h"

#include <QFileInfo>
#include <QHash>

// Q_INIT_RESOURCE must be used outside any namespace; it also keeps the linker from dropping the
// resource object of this static library.
static void registerResources()
{
    Q_INIT_RESOURCE(morvane);
}

void initMorvaneResources()
{
    static const bool registered = (registerResources(), true);
    Q_UNUSED(registered);
}

QIcon imageNamed(const QString& name)
{
    initMorvaneResources();
    // Like the layout's objects, named images live until the process ends: never destroyed, so that no
    // icon outlives the application object in a static destructor.
    static auto* const cache = new QHash<QString, QIcon>;
    const auto it = cache->constFind(name);
    if (it != cache->constEnd())
        return *it;
    const QString path = QStringLiteral(":/images/") + name;
    const QIcon icon = QFileInfo(path).isFile() ? QIcon(path) : QIcon();
    if (!icon.isNull())
        cache->insert(name, icon);
    return icon;
}
