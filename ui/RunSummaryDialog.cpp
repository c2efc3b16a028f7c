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
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

/// Shows a cell's whole text over as many lines as its column's width needs: a reason cut short (or in
/// its middle) would hide what the user has to do about the file.
class WrappingCell : public QStyledItemDelegate
{
public:
    explicit WrappingCell(QTreeView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
    { }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // The view asks without a width; the lines depend on the column's.
        QStyleOptionViewItem sized(option);
        sized.rect = QRect(0, 0, m_view->columnWidth(index.column()), std::max(option.rect.height(), 1));
        return QStyledItemDelegate::sizeHint(sized, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::WrapText;
        option->textElideMode = Qt::ElideNone;
    }

private:
    QTreeView* m_view;
};

/// The list of files: as tall as its rows up to a dozen, so that one skipped file makes no empty sheet;
/// the user can make the sheet larger. Its rows are as tall as their wrapped results.
class FileList : public QTreeWidget
{
public:
    explicit FileList(QWidget* parent)
        : QTreeWidget(parent)
    {
        // A result column made narrower or wider takes more or fewer lines.
        connect(header(), &QHeaderView::sectionResized, this, [this] { scheduleDelayedItemsLayout(); });
    }

    QSize sizeHint() const override
    {
        const int count = topLevelItemCount();
        const int minimumRow = fontMetrics().height() + 6;
        int height = 0;
        // Before the sheet is laid out the result column is narrow and its texts seem very tall: a row
        // counts here for at most three lines, the list scrolls for the rest.
        for (int row = 0; row < std::max(count, 2) && row < 12; ++row)
            height += row < count ? std::clamp(sizeHintForRow(row), minimumRow, 3 * minimumRow) : minimumRow;
        return { QTreeWidget::sizeHint().width(), header()->sizeHint().height() + height + 2 * frameWidth() };
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
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // A long name keeps its start and its extension, the path is in its tooltip; results wrap whole.
        list->setTextElideMode(Qt::ElideMiddle);
        list->setItemDelegateForColumn(1, new WrappingCell(list));
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
