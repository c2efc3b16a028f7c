// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include "batch/ImageWorkers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

QTranslator* installed(const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // load() tries each of the locale's languages in order (de_DE, then de) and fails for English.
    if (translator->load(locale, name, QStringLiteral("_"), folder)
        && QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace

QList<QTranslator*> installTranslations(const QLocale& locale)
{
    QList<QTranslator*> translators;
    QTranslator* own = installed(locale, QStringLiteral("morvane"), QStringLiteral(":/i18n"));
    if (!own)
        return translators;
    translators << own;
    // The workers write reasons and notes in the same language, from their own copy of this file
    // (":/i18n/morvane_de.qm" gives "de"), until the translation goes.
    const QString file = QFileInfo(own->filePath()).completeBaseName();
    setImageWorkerLanguage(file.mid(file.indexOf(u'_') + 1));
    QObject::connect(own, &QObject::destroyed, [] { setImageWorkerLanguage({}); });
    // Qt's own words only where the program speaks the language too: a German file dialog in an English
    // window would be stranger than an English one.
    if (QTranslator* qt
        = installed(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        translators << qt;
    return translators;
}
