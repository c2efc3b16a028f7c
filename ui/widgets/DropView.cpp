// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/DropView.h"

#include "batch/Notices.h"
#include "batch/NotificationCenter.h"
#include "engine/core/NativePath.h"
#include "engine/pipeline/ImageSource.h"
#include "ui/DroppedPaths.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// What a dragged path could be for the list, judged without opening anything that is not a regular file.
bool couldBeImageOrFolder(const QString& path)
{
    const QByteArray name = encodePath(path);
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) != 0)
        return false;
    if (S_ISDIR(status.st_mode))
        return true;
    if (!S_ISREG(status.st_mode))
        return false;
    // Non-blocking, and checked again once open: the path may have been replaced since the look above.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray header(32, '\0');
    ssize_t n = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        n = ::read(fd, header.data(), size_t(header.size()));
    ::close(fd);
    header.truncate(n > 0 ? qsizetype(n) : 0);
    return sniffImageFormat(header).has_value();
}

} // namespace

DropView::DropView(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    // What a style sheet gives the view (background, frame) is its base drawing.
    setAttribute(Qt::WA_StyledBackground);
}

bool DropView::canTakeFrom(const QMimeData* data)
{
    const QStringList paths = droppedPaths(data);
    return std::any_of(paths.begin(), paths.end(), couldBeImageOrFolder);
}

void DropView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!canTakeFrom(event->mimeData()) || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    setHighlight(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropView::dragMoveEvent(QDragMoveEvent* event)
{
    // The answer given on entry holds while the drag stays over the view.
    if (m_highlight) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DropView::dragLeaveEvent(QDragLeaveEvent*)
{
    setHighlight(false);
}

void DropView::dropEvent(QDropEvent* event)
{
    if (!prepareForDragOperation(event->mimeData())) {
        event->ignore();
        return;
    }
    performDragOperation(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

bool DropView::prepareForDragOperation(const QMimeData* data)
{
    setHighlight(false);
    return canTakeFrom(data);
}

bool DropView::performDragOperation(const QMimeData* data)
{
    const QVariantMap info { { kDraggingInfoKey, QVariant::fromValue(const_cast<QMimeData*>(data)) } };
    NotificationCenter::defaultCenter()->postNotificationName(msgAcceptFileDropped, this, info);
    return true;
}

void DropView::setHighlight(bool highlight)
{
    m_highlight = highlight;
    update();
}

void DropView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_highlight)
        return;
    QPainter painter(this);
    QPen pen(kBorderColor, kBorderWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The whole outline, centred on the edges, whatever part of the view is being repainted.
    painter.drawRect(QRectF(0, 0, width(), height()));
}
