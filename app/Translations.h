// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QLocale;
class QTranslator;

/// Installs the translations for \a locale's languages on the application object: the program's own texts
/// (compiled in, ":/i18n/morvane_<language>.qm") and Qt's texts for its standard dialogs and buttons
/// (qtbase_<language>.qm from Qt's translations folder, where the system has them). A language without a
/// translation keeps the English texts. Returns the installed translators, children of the application
/// object; removing and deleting them returns to English. Call on the main thread after the application
/// object exists.
QList<QTranslator*> installTranslations(const QLocale& locale);
