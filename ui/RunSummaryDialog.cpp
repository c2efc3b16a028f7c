// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RunSummaryDialog.h"

#include "engine/core/NativePath.h"
#include "ui/WindowTexts.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

/// The list of files: as tall as its rows up to a dozen, so that one skipped file makes no empty sheet;
/// the user can make the sheet larger.
class FileList : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;

    QSize sizeHint() const override
    {
        const int rows = std::clamp(topLevelItemCount(), 2, 12);
        const int row = std::max(sizeHintForRow(0), fontMetrics().height() + 6);
        return { QTreeWidget::sizeHint().width(),
            header()->sizeHint().height() + rows * row + 2 * frameWidth() };
    }
};

QTreeWidgetItem* fileItem(const RunReport::File& file, const QString& result, const QIcon& icon)
{
    // The name the file had in the list, which its copy took; the path read in the tooltip.
    const QString name = file.name.isEmpty() ? lastPathComponent(file.source) : file.name;
    auto* item = new QTreeWidgetItem({ readablePath(name), result });
    item->setIcon(0, icon);
    item->setToolTip(0, readablePath(QDir::toNativeSeparators(file.source)));
    item->setToolTip(1, result);
    return item;
}

} // namespace

RunSummaryDialog::RunSummaryDialog(const RunReport& report, FolderOpener openFolder, QWidget* parent)
    : QDialog(parent)
    , m_folder(report.folder)
    , m_openFolder(std::move(openFolder))
{
    setObjectName(QStringLiteral("runSummary"));
    setWindowTitle(WindowTexts::summaryTitle());

    int notWritten = 0;
    int noted = 0;
    for (const RunReport::File& file : report.files) {
        if (file.outcome.status != ConversionOutcome::Status::Written)
            ++notWritten;
        else if (!file.outcome.note.isEmpty())
            ++noted;
    }
    const bool allWell = notWritten == 0 && !report.cancelled;

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()
            ->standardIcon(
                allWell ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxWarning, nullptr, this)
            .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto* headline = new QLabel(WindowTexts::summaryHeadline(report), this);
    headline->setObjectName(QStringLiteral("summaryHeadline"));
    headline->setTextFormat(Qt::PlainText);
    QFont bold = headline->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    headline->setFont(bold);

    auto* text = new QLabel(WindowTexts::summaryText(report), this);
    text->setObjectName(QStringLiteral("summaryText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* words = new QVBoxLayout;
    words->addWidget(headline);
    words->addWidget(text);
    words->addStretch();
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon);
    top->addLayout(words, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);

    if (notWritten + noted > 0) {
        auto* listTitle = new QLabel(WindowTexts::summaryListTitle(notWritten, noted), this);
        listTitle->setObjectName(QStringLiteral("summaryListTitle"));
        listTitle->setTextFormat(Qt::PlainText);
        auto* list = new FileList(this);
        list->setObjectName(QStringLiteral("summaryFiles"));
        list->setAccessibleName(listTitle->text());
        list->setHeaderLabels({ WindowTexts::fileColumnTitle(), WindowTexts::resultColumnTitle() });
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setTextElideMode(Qt::ElideMiddle);
        // Files that were not written first, then the notes, each in the order of the run.
        const QIcon skippedIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this);
        const QIcon notedIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this);
        for (const RunReport::File& file : report.files) {
            if (file.outcome.status != ConversionOutcome::Status::Written)
                list->addTopLevelItem(
                    fileItem(file, WindowTexts::skippedResult(file.outcome.reason), skippedIcon));
        }
        for (const RunReport::File& file : report.files) {
            if (file.outcome.status == ConversionOutcome::Status::Written && !file.outcome.note.isEmpty())
                list->addTopLevelItem(fileItem(file, WindowTexts::notedResult(file.outcome.note), notedIcon));
        }
        list->header()->setStretchLastSection(true);
        list->resizeColumnToContents(0);
        list->setColumnWidth(0, std::min(list->columnWidth(0) + 16, 260));
        list->setMinimumWidth(520);
        layout->addSpacing(8);
        layout->addWidget(listTitle);
        layout->addWidget(list, 1);
    }

    auto* buttons = new QDialogButtonBox(this);
    if (report.written() > 0) {
        QPushButton* open = buttons->addButton(WindowTexts::openFolderButton(), QDialogButtonBox::ActionRole);
        open->setObjectName(QStringLiteral("openFolderButton"));
        connect(open, &QPushButton::clicked, this, &RunSummaryDialog::openFolder);
    }
    QPushButton* close = buttons->addButton(WindowTexts::closeButton(), QDialogButtonBox::AcceptRole);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setDefault(true);
    close->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void RunSummaryDialog::openFolder()
{
    if (m_openFolder && m_openFolder(QUrl::fromLocalFile(m_folder)))
        accept();
    else
        emit folderNotOpened(m_folder);
}
