// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QToolButton;

/// A row of joined segments, each showing an image, of which the user selects one by clicking it.
/// Code may select any number of segments, none or all (setSelected), and sets each segment's image;
/// clicking a segment selects it alone and then sends `activated`, the control's action. Changes made
/// by code send nothing. Owns its segment buttons. Main thread only, like every widget.
class SegmentedControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int segmentCount READ segmentCount WRITE setSegmentCount)
    Q_PROPERTY(int selectedSegment READ selectedSegment WRITE setSelectedSegment)
    Q_PROPERTY(QSize imageSize READ imageSize WRITE setImageSize)

public:
    explicit SegmentedControl(QWidget* parent = nullptr);

    [[nodiscard]] int segmentCount() const { return int(m_segments.size()); }
    /// Adds or removes segments at the end; new segments are unselected and have no image.
    void setSegmentCount(int count);

    [[nodiscard]] bool isSelectedForSegment(int segment) const;
    void setSelected(bool selected, int segment);
    /// The lowest selected segment, or -1 when none is.
    [[nodiscard]] int selectedSegment() const;
    /// Selects \a segment alone; -1 deselects every segment.
    void setSelectedSegment(int segment);

    [[nodiscard]] QIcon image(int segment) const;
    void setImage(const QIcon& image, int segment);
    [[nodiscard]] QSize imageSize() const { return m_imageSize; }
    void setImageSize(const QSize& size);

    /// The segment's button, for tests that click it like a user.
    [[nodiscard]] QToolButton* segmentButton(int segment) const;

signals:
    /// The user clicked \a segment; it is now the only selected one.
    void activated(int segment);

private:
    void clicked(QToolButton* button);
    void updateSegmentStyles();

    QList<QToolButton*> m_segments;
    QSize m_imageSize { 16, 16 };
};
