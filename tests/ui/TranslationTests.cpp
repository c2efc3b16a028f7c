// SPDX-License-Identifier: GPL-3.0-or-later
// The window in another language: every text a person sees on each page and window is translated, also
// what the engine says inside the window's sentences (the names of a photo's fields, the reasons and notes
// of a run), and the translation files cover every text of the sources with a finished translation.
#include "app/MainNib.h"
#include "app/Translations.h"
#include "batch/Converter.h"
#include "batch/FileConversion.h"
#include "batch/OutputNaming.h"
#include "batch/ParallelRun.h"
#include "batch/RunReport.h"
#include "batch/SkipReasons.h"
#include "tests/common/TestSupport.h"
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
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <functional>
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
            // Every row, the children of a group too; a value of the details is the photo's own, kept
            // apart ("#value") from the texts the window gives.
            const std::function<void(QTreeWidgetItem*, const QString&)> putItem
                = [&](QTreeWidgetItem* item, const QString& row) {
                      for (int c = 0; c < tree->columnCount(); ++c) {
                          const bool value = c == 1 && item->parent();
                          put(texts,
                              at + (value ? QStringLiteral("#value") : QStringLiteral("#item")) + row
                                  + QStringLiteral(",%1").arg(c),
                              item->text(c));
                          put(texts,
                              at + (value ? QStringLiteral("#value") : QStringLiteral("#itemTip")) + row
                                  + QStringLiteral(",%1tip").arg(c),
                              item->toolTip(c));
                      }
                      for (int child = 0; child < item->childCount(); ++child)
                          putItem(item->child(child), row + QStringLiteral(".%1").arg(child));
                  };
            for (int r = 0; r < tree->topLevelItemCount(); ++r)
                putItem(tree->topLevelItem(r), QString::number(r));
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

// A photo that gives much away: camera and its settings, the computer and program that touched it,
// people, texts, a position with direction and speed, IPTC and XMP fields. Its values are names and
// numbers, the same in every language, and settings that Exiv2 puts into words ("Aperture priority").
constexpr const char* kDetailedPhoto = "IMG_0144.jpg";
// A photo of 33 x 17 pixels lying on its side: turned upright it is no whole number of JPEG blocks, so its
// copy is re-encoded with a note that says why.
constexpr const char* kOddPhoto = "odd.jpg";

bool writeJpeg(const QString& path, QSize size, const QStringList& tags)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    if (!image.save(path, "JPEG"))
        return false;
    return runProcess(QStringLiteral("exiftool"),
               QStringList { QStringLiteral("-q"), QStringLiteral("-overwrite_original") } + tags
                   + QStringList { path })
               .exitCode
        == 0;
}

// The files the states below show, made once for both languages.
void makePhotos(const QTemporaryDir& dir)
{
    if (QFileInfo::exists(dir.filePath(QLatin1String(kDetailedPhoto))))
        return;
    EXPECT_TRUE(writeJpeg(dir.filePath(QLatin1String(kDetailedPhoto)), { 32, 24 },
        { QStringLiteral("-Make=Canon"), QStringLiteral("-Model=Canon EOS 5D"),
            QStringLiteral("-ExposureTime=1/200"), QStringLiteral("-FNumber=2.8"),
            QStringLiteral("-ExposureProgram#=3"), QStringLiteral("-EXIF:Flash#=16"),
            QStringLiteral("-MeteringMode#=5"), QStringLiteral("-GPSStatus#=A"), QStringLiteral("-ISO=400"),
            QStringLiteral("-FocalLength=50"), QStringLiteral("-LensModel=EF 50mm"),
            QStringLiteral("-BodySerialNumber=0123456"), QStringLiteral("-HostComputer=Laptop-7"),
            QStringLiteral("-Artist=Anna Berger"), QStringLiteral("-Copyright=Anna Berger"),
            QStringLiteral("-ImageDescription=Strand"), QStringLiteral("-UserComment=Urlaub"),
            QStringLiteral("-DateTimeOriginal=2023:07:14 18:30:05"),
            QStringLiteral("-OffsetTimeOriginal=+02:00"), QStringLiteral("-GPSLatitude=48.8584"),
            QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-GPSLongitude=2.2945"),
            QStringLiteral("-GPSLongitudeRef=E"), QStringLiteral("-GPSImgDirection=123.5"),
            QStringLiteral("-GPSImgDirectionRef=T"), QStringLiteral("-GPSSpeed=12"),
            QStringLiteral("-GPSSpeedRef=K"), QStringLiteral("-IPTC:City=Bern"),
            QStringLiteral("-IPTC:Keywords=Sommer"), QStringLiteral("-IPTC:By-line=Anna Berger"),
            QStringLiteral("-XMP-dc:Creator=Anna Berger"), QStringLiteral("-XMP-photoshop:City=Bern"),
            QStringLiteral("-XMP-xmp:CreatorTool=Fotoprog 2.1"), QStringLiteral("-Comment=Strand") }));
    EXPECT_TRUE(touchFile(dir.filePath(QStringLiteral("empty.jpg"))));
    EXPECT_TRUE(
        writeJpeg(dir.filePath(QLatin1String(kOddPhoto)), { 33, 17 }, { QStringLiteral("-Orientation#=6") }));
    EXPECT_TRUE(writeFile(dir.filePath(QStringLiteral("notes.jpg")), "shopping list"));
}

// Selects the row of the list that shows \a name.
void selectRowOf(QTableView* table, const QString& name)
{
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        for (int column = 0; column < table->model()->columnCount(); ++column) {
            if (table->model()->index(row, column).data().toString() == name) {
                table->selectRow(row);
                QApplication::processEvents();
                return;
            }
        }
    }
    ADD_FAILURE() << "not in the list: " << name.toStdString();
}

// A run over files that each end another way, with the options that make a JPEG note: skipped as empty,
// missing, not an image; written with the note of its re-encoding; one never started.
RunReport runWithEveryEnd(const QTemporaryDir& dir)
{
    const QStringList names { QStringLiteral("empty.jpg"), QStringLiteral("gone.jpg"),
        QStringLiteral("notes.jpg"), QLatin1String(kOddPhoto) };
    std::vector<RunInput> inputs;
    for (const QString& name : names)
        inputs.push_back({ dir.filePath(name), {}, {} });
    QTemporaryDir out;
    OutputFolder folder(out.path());
    RunOptions options;
    options.keepJpegQuality = true;
    const RunResult result = convertInParallel(inputs, folder, options);
    RunReport report;
    report.folder = out.path();
    report.total = int(inputs.size()) + 2;
    report.cancelled = true;
    for (int i = 0; i < result.taken; ++i)
        report.files.push_back({ inputs[size_t(i)].path, result.outcomes[size_t(i)], {} });
    EXPECT_EQ(result.taken, 4);
    report.files.push_back({ dir.filePath(QStringLiteral("later.jpg")),
        { ConversionOutcome::Status::NotStarted, {}, SkipReasons::interrupted(), {} }, {} });
    return report;
}

// The texts every state of the windows shows, in the language whose translators are installed.
Texts textsOfEveryState(const QTemporaryDir& dir)
{
    makePhotos(dir);
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
    for (const char* name : { kDetailedPhoto, "empty.jpg" })
        Converter::converter()->addFile(dir.filePath(QLatin1String(name)));
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
    selectRowOf(table, QLatin1String(kDetailedPhoto));
    collectTexts(window, QStringLiteral("fields"), texts);
    selectRowOf(table, QStringLiteral("empty.jpg"));
    collectTexts(window, QStringLiteral("unread"), texts);
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

    // The reasons and notes of a run, as the engine and the batch job give them.
    {
        RunSummaryDialog summary(runWithEveryEnd(dir), [](const QUrl&) { return true; });
        summary.show();
        QApplication::processEvents();
        collectTexts(&summary, QStringLiteral("reasons"), texts);
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
        QStringLiteral("Name"), QStringLiteral("message"), QStringLiteral("Flash") };
    const QString text = QString(shown).remove(u'&').trimmed();
    if (kWords.count(text) > 0 || text.startsWith(dir.path()))
        return true;
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); }))
        return true;
    return QFileInfo(dir.filePath(text)).exists() || text == u"gone.jpg" || text == u"scan.tif"
        || text == u"later.jpg";
}

// The first English word of \a shown, outside the test folder's paths: words that neither German nor
// French has, so that an English reason inside a translated sentence is found.
QString englishWordIn(const QString& shown, const QTemporaryDir& dir)
{
    static const std::set<QString> kEnglish { QStringLiteral("the"), QStringLiteral("of"),
        QStringLiteral("is"), QStringLiteral("not"), QStringLiteral("could"), QStringLiteral("with"),
        QStringLiteral("which"), QStringLiteral("this"), QStringLiteral("that"), QStringLiteral("for"),
        QStringLiteral("and"), QStringLiteral("file"), QStringLiteral("to"), QStringLiteral("be"),
        QStringLiteral("has"), QStringLiteral("from"), QStringLiteral("by"), QStringLiteral("its"),
        QStringLiteral("it"), QStringLiteral("does"), QStringLiteral("whose"), QStringLiteral("number"),
        QStringLiteral("whole"), QStringLiteral("empty"), QStringLiteral("read"), QStringLiteral("written"),
        QStringLiteral("found"), QStringLiteral("cannot"), QStringLiteral("too"), QStringLiteral("left"),
        QStringLiteral("about"), QStringLiteral("bytes"), QStringLiteral("time"), QStringLiteral("true"),
        QStringLiteral("exposure"), QStringLiteral("host"), QStringLiteral("such"), QStringLiteral("turn"),
        QStringLiteral("blocks"), QStringLiteral("quality"), QStringLiteral("supported"),
        QStringLiteral("interrupted"), QStringLiteral("speed"), QStringLiteral("taken"),
        QStringLiteral("keywords"), QStringLiteral("city"), QStringLiteral("priority"),
        QStringLiteral("compulsory"), QStringLiteral("measurement"), QStringLiteral("progress") };
    static const QRegularExpression kFileNames(QStringLiteral("\\S+\\.(jpg|png)\\b"));
    const QString text = QString(shown).remove(dir.path()).remove(kFileNames);
    static const QRegularExpression kWords(QStringLiteral("[^\\p{L}]+"));
    for (const QString& word : text.split(kWords, Qt::SkipEmptyParts)) {
        if (kEnglish.count(word.toLower()) > 0)
            return word;
    }
    return {};
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
        // A field's value is the photo's own; the names and sentences around it are the window's.
        if (!where.contains(u"#value") && !sameInEveryLanguage(text, dir)) {
            EXPECT_NE(found->second.toStdString(), text.toStdString()) << "untranslated";
        }
        EXPECT_EQ(englishWordIn(found->second, dir).toStdString(), "")
            << "English inside: " << found->second.toStdString();
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
