// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DropView.h"

#include "batch/Notices.h"
#include "batch/NotificationCenter.h"

#include <QDragEnterEvent>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

DropView::DropView(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    // What a style sheet gives the view (background, frame) is its base drawing.
    setAttribute(Qt::WA_StyledBackground);
}

bool DropView::canReadImageFrom(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        QImageReader reader(url.toLocalFile());
        // The content decides, not the name: a folder or a text file named .jpg is no image.
        reader.setDecideFormatFromContent(true);
        if (reader.canRead())
            return true;
    }
    return false;
}

void DropView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!canReadImageFrom(event->mimeData()) || !(event->possibleActions() & Qt::CopyAction)) {
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
    return canReadImageFrom(data);
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
