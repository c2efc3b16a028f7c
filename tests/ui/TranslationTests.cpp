// SPDX-License-Identifier: GPL-3.0-or-later
// The window in another language: every text a person sees on each page and window is translated, and
// the translation files cover every text of the sources with a finished translation.
#include "app/MainNib.h"
#include "app/Translations.h"
#include "batch/Converter.h"
#include "batch/FileConversion.h"
#include "batch/RunReport.h"
#include "tests/ui/ModalTestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppController.h"
#include "ui/FileTableModel.h"
#include "ui/RunDialogs.h"
#include "ui/RunSummaryDialog.h"
#include "ui/WindowTexts.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <tuple>

namespace {

using Texts = std::map<QString, QString>; // where a text is shown -> the text

// Translators installed as the program installs them, taken away again at the end of a test.
class LanguageScope
{
public:
    explicit LanguageScope(const char* locale)
        : m_translators(installTranslations(QLocale(QString::fromLatin1(locale))))
    { }
    ~LanguageScope()
    {
        for (QTranslator* translator : std::as_const(m_translators)) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;
    [[nodiscard]] int count() const { return int(m_translators.size()); }

private:
    QList<QTranslator*> m_translators;
};

QString place(const QObject* object)
{
    QStringList names;
    for (const QObject* o = object; o; o = o->parent()) {
        const qsizetype index = o->parent() ? o->parent()->children().indexOf(o) : 0;
        names.prepend(QStringLiteral("%1:%2:%3")
                          .arg(QLatin1String(o->metaObject()->className()), o->objectName())
                          .arg(index));
    }
    return names.join(u'/');
}

void put(Texts& texts, const QString& where, const QString& text)
{
    if (!text.isEmpty())
        texts[where] = text;
}

// Every text shown in \a root and its visible children: titles, labels, buttons, tool tips, accessible
// names, menus and tool bar commands, table and list headers, list items, combo box items, placeholders
// and the status bar's message.
void collectTexts(QWidget* root, const QString& state, Texts& texts)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : std::as_const(widgets)) {
        if (!widget->isVisibleTo(root) && widget != root)
            continue;
        const QString at = state + u'|' + place(widget);
        if (widget->isWindow())
            put(texts, at + QStringLiteral("#title"), widget->windowTitle());
        put(texts, at + QStringLiteral("#toolTip"), widget->toolTip());
        put(texts, at + QStringLiteral("#accessibleName"), widget->accessibleName());
        if (auto* label = qobject_cast<QLabel*>(widget))
            put(texts, at + QStringLiteral("#text"), label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            put(texts, at + QStringLiteral("#text"), button->text());
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            put(texts, at + QStringLiteral("#title"), group->title());
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            put(texts, at + QStringLiteral("#placeholder"), edit->placeholderText());
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                put(texts, at + QStringLiteral("#item%1").arg(i), combo->itemText(i));
        }
        if (auto* status = qobject_cast<QStatusBar*>(widget))
            put(texts, at + QStringLiteral("#message"), status->currentMessage());
        if (auto* table = qobject_cast<QTableView*>(widget); table && table->model()) {
            for (int c = 0; c < table->model()->columnCount(); ++c) {
                if (!table->isColumnHidden(c))
                    put(texts, at + QStringLiteral("#header%1").arg(c),
                        table->model()->headerData(c, Qt::Horizontal).toString());
            }
        }
        if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
            for (int c = 0; c < tree->columnCount(); ++c)
                put(texts, at + QStringLiteral("#header%1").arg(c), tree->headerItem()->text(c));
            for (int r = 0; r < tree->topLevelItemCount(); ++r) {
                for (int c = 0; c < tree->columnCount(); ++c) {
                    put(texts, at + QStringLiteral("#item%1,%2").arg(r).arg(c),
                        tree->topLevelItem(r)->text(c));
                    put(texts, at + QStringLiteral("#itemTip%1,%2").arg(r).arg(c),
                        tree->topLevelItem(r)->toolTip(c));
                }
            }
        }
    }
    // Commands of menus and tool bars, and the menus' own titles.
    for (QAction* action : root->findChildren<QAction*>()) {
        const QString at = state + u'|' + place(action);
        put(texts, at + QStringLiteral("#text"), action->text());
        if (action->toolTip() != action->text().remove(u'&'))
            put(texts, at + QStringLiteral("#toolTip"), action->toolTip());
    }
}

// The texts every state of the windows shows, in the language whose translators are installed.
Texts textsOfEveryState(const QTemporaryDir& dir)
{
    Texts texts;
    Converter::converter()->clear();
    MainNib nib;
    nib.load();
    QMainWindow* window = nib.mainWindow();
    window->show();
    QApplication::processEvents();
    collectTexts(window, QStringLiteral("home"), texts);

    // The list with its preferences bar.
    for (const char* name : { "IMG_0142.png", "IMG_0143.png" }) {
        EXPECT_TRUE(writePng(dir.filePath(QLatin1String(name))));
        Converter::converter()->addFile(dir.filePath(QLatin1String(name)));
    }
    nib.appController()->reloadImageData();
    nib.appController()->switchUI();
    QApplication::processEvents();
    collectTexts(window, QStringLiteral("list"), texts);

    // The details of a photo, once the list has read what each photo gives away.
    auto* table = window->findChild<QTableView*>(QStringLiteral("tableImages"));
    const int personal = FileTableModel::columnForIdentifier(FileTableModel::kPersonalColumn);
    const QString reading = QCoreApplication::translate("InspectionPanel", "Reading…");
    EXPECT_TRUE(waitFor([&] {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, personal).data().toString() == reading)
                return false;
        }
        return true;
    }));
    table->selectRow(0);
    QApplication::processEvents();
    collectTexts(window, QStringLiteral("details"), texts);
    Converter::converter()->clear();

    QDialog* progress = nib.progressWindow();
    progress->show();
    QApplication::processEvents();
    collectTexts(progress, QStringLiteral("progress"), texts);
    progress->hide();

    // A finished run with a skipped and a noted file, and a cancelled one.
    for (const bool cancelled : { false, true }) {
        RunReport report;
        report.folder = dir.filePath(QStringLiteral("out"));
        report.total = cancelled ? 5 : 3;
        report.cancelled = cancelled;
        report.files.push_back({ dir.filePath(QStringLiteral("IMG_0142.png")),
            { ConversionOutcome::Status::Written, dir.filePath(QStringLiteral("out/IMG_0142.png")), {}, {} },
            {} });
        report.files.push_back({ dir.filePath(QStringLiteral("gone.jpg")),
            { ConversionOutcome::Status::Skipped, {},
                describeUnloadableSource(dir.filePath(QStringLiteral("gone.jpg"))), {} },
            {} });
        if (!cancelled) {
            report.files.push_back({ dir.filePath(QStringLiteral("scan.tif")),
                { ConversionOutcome::Status::Written, dir.filePath(QStringLiteral("out/scan.tif")), {},
                    describeUnloadableSource(dir.path()) },
                {} });
        }
        RunSummaryDialog summary(report, [](const QUrl&) { return true; });
        summary.show();
        QApplication::processEvents();
        const QString state = cancelled ? QStringLiteral("cancelled") : QStringLiteral("summary");
        collectTexts(&summary, state, texts);
        window->statusBar()->showMessage(WindowTexts::statusAfterRun(report));
        collectTexts(window->statusBar(), state, texts);
    }

    // The questions the Convert command may ask.
    QtRunDialogs dialogs;
    {
        const ModalWatchdog watchdog;
        const ModalAnswerer answerer([&texts](QWidget* box) {
            collectTexts(box, QStringLiteral("overwrite"), texts);
            box->close();
        });
        (void)dialogs.confirmOverwrite(window);
    }
    {
        const ModalWatchdog watchdog;
        const ModalAnswerer answerer([&texts](QWidget* box) {
            collectTexts(box, QStringLiteral("error"), texts);
            box->close();
        });
        dialogs.showError(window, QStringLiteral("message"));
    }
    window->hide();
    return texts;
}

// A text that reads the same in every language: a name, a number, a file's name or path.
bool sameInEveryLanguage(const QString& shown, const QTemporaryDir& dir)
{
    static const std::set<QString> kWords { QStringLiteral("Morvane"), QStringLiteral("JPEG"),
        QStringLiteral("Name"), QStringLiteral("message") };
    const QString text = QString(shown).remove(u'&').trimmed();
    if (kWords.count(text) > 0 || text.startsWith(dir.path()))
        return true;
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); }))
        return true;
    return QFileInfo(dir.filePath(text)).exists() || text == u"gone.jpg" || text == u"scan.tif";
}

class WindowLanguage : public ::testing::TestWithParam<const char*>
{
};

TEST_P(WindowLanguage, ShowsNoEnglishTextOnAnyPageOrWindow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Texts english = textsOfEveryState(dir);
    Texts translated;
    {
        const LanguageScope language(GetParam());
        // The program's own translation and Qt's for its standard dialogs.
        ASSERT_EQ(language.count(), 2);
        translated = textsOfEveryState(dir);
    }
    ASSERT_GT(english.size(), 60u);
    for (const auto& [where, text] : english) {
        SCOPED_TRACE(where.toStdString());
        const auto found = translated.find(where);
        ASSERT_NE(found, translated.end()) << "not shown in " << GetParam() << ": " << text.toStdString();
        if (!sameInEveryLanguage(text, dir)) {
            EXPECT_NE(found->second.toStdString(), text.toStdString()) << "untranslated";
        }
    }
    EXPECT_EQ(translated.size(), english.size());
}

INSTANTIATE_TEST_SUITE_P(GermanAndFrench, WindowLanguage, ::testing::Values("de_DE", "fr_FR"));

TEST(WindowLanguage, StaysEnglishWhereNoTranslationMatches)
{
    for (const char* locale : { "en_GB", "C", "ja_JP" }) {
        SCOPED_TRACE(locale);
        const LanguageScope language(locale);
        EXPECT_EQ(language.count(), 0);
        EXPECT_EQ(WindowTexts::summaryTitle(), QStringLiteral("Clean Copies"));
    }
}

struct Message
{
    QString context;
    QString source;
    bool numerus = false;
    bool operator<(const Message& other) const
    {
        return std::tie(context, source, numerus) < std::tie(other.context, other.source, other.numerus);
    }
};

struct TranslationFile
{
    std::set<Message> messages;
    QStringList faults; // messages without a finished translation
    QString xmlError;
};

TranslationFile readTs(const QString& path)
{
    TranslationFile file;
    QFile ts(path);
    if (!ts.open(QIODevice::ReadOnly)) {
        file.xmlError = QStringLiteral("cannot open ") + path;
        return file;
    }
    QXmlStreamReader xml(&ts);
    QString context;
    Message message;
    QString translation;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"message")
                message = { context, {}, xml.attributes().value(QLatin1String("numerus")) == u"yes" };
            else if (xml.name() == u"source")
                // A control character is a child element (<byte value="xd"/>): kept out of the text.
                message.source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == u"translation") {
                const QStringView type = xml.attributes().value(QLatin1String("type"));
                if (!type.isEmpty())
                    file.faults << type.toString() + QStringLiteral(": ") + message.source;
                translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (translation.trimmed().isEmpty())
                    file.faults << QStringLiteral("empty: ") + message.source;
                // Every placeholder of the English text is kept.
                for (const QString& mark :
                    { QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("%n") }) {
                    if (message.source.contains(mark) && !translation.contains(mark))
                        file.faults << QStringLiteral("lost ") + mark + QStringLiteral(": ") + message.source;
                }
            }
        } else if (xml.isEndElement() && xml.name() == u"message") {
            file.messages.insert(message);
        }
    }
    if (xml.hasError())
        file.xmlError = xml.errorString();
    return file;
}

TEST(TranslationFiles, TranslateEveryTextOfTheSourcesAndNothingElse)
{
    // A fresh lupdate over the same sources, into an empty file: the texts the program has today.
    QTemporaryDir dir;
    const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
    QProcess lupdate;
    lupdate.start(QStringLiteral(MORVANE_LUPDATE),
        { QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-silent"),
            QStringLiteral("@" MORVANE_TRANSLATED_SOURCES), QStringLiteral("-ts"), fresh });
    ASSERT_TRUE(lupdate.waitForFinished(120000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    const TranslationFile freshFile = readTs(fresh);
    ASSERT_TRUE(freshFile.xmlError.isEmpty()) << freshFile.xmlError.toStdString();
    const std::set<Message> expected = freshFile.messages;
    ASSERT_GT(expected.size(), 50u);

    for (const char* language : { "de", "fr" }) {
        SCOPED_TRACE(language);
        const TranslationFile file
            = readTs(QStringLiteral(MORVANE_SOURCE_DIR "/resources/translations/morvane_%1.ts")
                         .arg(QLatin1String(language)));
        EXPECT_TRUE(file.xmlError.isEmpty()) << file.xmlError.toStdString();
        EXPECT_TRUE(file.faults.isEmpty()) << file.faults.join(u'\n').toStdString();
        for (const Message& m : expected) {
            EXPECT_EQ(file.messages.count(m), 1u)
                << "missing: " << m.context.toStdString() << ": " << m.source.toStdString();
        }
        for (const Message& m : file.messages) {
            EXPECT_EQ(expected.count(m), 1u)
                << "no longer in the sources: " << m.context.toStdString() << ": " << m.source.toStdString();
        }
    }
}

} // namespace
