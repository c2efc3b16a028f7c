// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/SegmentedControl.h"

#include <QHBoxLayout>
#include <QToolButton>

SegmentedControl::SegmentedControl(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SegmentedControl::setSegmentCount(int count)
{
    count = std::max(count, 0);
    while (segmentCount() > count)
        delete m_segments.takeLast();
    while (segmentCount() < count) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("segment%1").arg(segmentCount()));
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->setIconSize(m_imageSize);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        connect(button, &QToolButton::clicked, this, [this, button] { clicked(button); });
        layout()->addWidget(button);
        m_segments.append(button);
    }
    updateSegmentStyles();
}

bool SegmentedControl::isSelectedForSegment(int segment) const
{
    const QToolButton* button = segmentButton(segment);
    return button && button->isChecked();
}

void SegmentedControl::setSelected(bool selected, int segment)
{
    if (QToolButton* button = segmentButton(segment))
        button->setChecked(selected);
}

int SegmentedControl::selectedSegment() const
{
    for (int i = 0; i < segmentCount(); ++i) {
        if (m_segments.at(i)->isChecked())
            return i;
    }
    return -1;
}

void SegmentedControl::setSelectedSegment(int segment)
{
    for (int i = 0; i < segmentCount(); ++i)
        m_segments.at(i)->setChecked(i == segment);
}

QIcon SegmentedControl::image(int segment) const
{
    const QToolButton* button = segmentButton(segment);
    return button ? button->icon() : QIcon();
}

void SegmentedControl::setImage(const QIcon& image, int segment)
{
    if (QToolButton* button = segmentButton(segment))
        button->setIcon(image);
}

void SegmentedControl::setImageSize(const QSize& size)
{
    m_imageSize = size;
    for (QToolButton* button : std::as_const(m_segments))
        button->setIconSize(size);
}

QToolButton* SegmentedControl::segmentButton(int segment) const
{
    return segment >= 0 && segment < segmentCount() ? m_segments.at(segment) : nullptr;
}

void SegmentedControl::clicked(QToolButton* button)
{
    // The click has already toggled the button; a segment control selects what was clicked, alone.
    const int segment = int(m_segments.indexOf(button));
    setSelectedSegment(segment);
    emit activated(segment);
}

void SegmentedControl::updateSegmentStyles()
{
    // Joined segments: rounded outer corners only, one shared border between neighbours.
    const int last = segmentCount() - 1;
    for (int i = 0; i <= last; ++i) {
        const int left = i == 0 ? 5 : 0;
        const int right = i == last ? 5 : 0;
        m_segments.at(i)->setStyleSheet(
            QStringLiteral("QToolButton { border: 1px solid palette(mid); %1"
                           " border-top-left-radius: %2px; border-bottom-left-radius: %2px;"
                           " border-top-right-radius: %3px; border-bottom-right-radius: %3px;"
                           " padding: 3px 10px; background: palette(button); }"
                           " QToolButton:checked { background: palette(midlight); }"
                           // The keyboard's place is as plain as in the other controls.
                           " QToolButton:focus { border: 2px solid palette(highlight); padding: 2px 9px; }")
                .arg(i == 0 ? QString() : QStringLiteral("border-left: none;"))
                .arg(left)
                .arg(right));
    }
}
