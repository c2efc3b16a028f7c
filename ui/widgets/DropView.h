// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QMimeData;

/// The area onto which the user drags image files and folders. It accepts a drag that offers to copy and
/// carries at least one local folder or image file (canTakeFrom); while such a drag hovers it frames
/// itself with a 5-point grey border. On a drop it takes the border away and posts one
/// msgAcceptFileDropped on the default notification centre, with the drag's QMimeData under
/// kDraggingInfoKey; the observer reads the file names while the post runs and expands the folders.
/// Owns nothing. Main thread only.
class DropView : public QWidget
{
    Q_OBJECT

public:
    explicit DropView(QWidget* parent = nullptr);

    /// An accepted drag is over the view; the border shows while it is set.
    [[nodiscard]] bool highlight() const { return m_highlight; }

    /// True when \a data names at least one local folder, or a regular file whose first bytes are those of
    /// an image the engine reads (a link counts as what it leads to). Each path's status is looked at
    /// first and only regular files are opened, without waiting: a named pipe or a device never blocks.
    [[nodiscard]] static bool canTakeFrom(const QMimeData* data);

    /// The border's colour: a middle grey, fully opaque.
    static inline const QColor kBorderColor = QColor::fromRgbF(0.5, 0.5, 0.5, 1.0);
    /// The border's width in points, centred on the view's edges: half of it lies inside the view.
    static constexpr qreal kBorderWidth = 5.0;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setHighlight(bool highlight);
    /// The drop is released: the border goes; true when the drop goes on.
    bool prepareForDragOperation(const QMimeData* data);
    /// Announces the drop; always true.
    bool performDragOperation(const QMimeData* data);

    bool m_highlight = false;
};
