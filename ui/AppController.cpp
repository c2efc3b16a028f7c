// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppController.h"

#include "ui/NamedImage.h"

#include <QHeaderView>

AppController::AppController(QObject* parent)
    : QObject(parent)
{ }

void AppController::awakeFromNib()
{
    updateSegment();
    // The conversion run: "msgStartProgress" and "msgCancelProgress".
    observeRunNotices();
}

void AppController::OnAddImages(QObject*) { }

void AppController::OnAddFolder(QObject*) { }

void AppController::OnRemove(QObject*) { }

void AppController::OnClear(QObject*) { }

void AppController::OnSwitchListviewStyle(QObject*)
{
    updateSegment();
}

void AppController::updateSegment()
{
    if (!scListStyle)
        return;
    const bool s0 = scListStyle->isSelectedForSegment(0);
    const bool s1 = scListStyle->isSelectedForSegment(1);
    scListStyle->setImage(imageNamed(s0 ? QStringLiteral("list-alter.png") : QStringLiteral("list.png")), 0);
    scListStyle->setImage(
        imageNamed(s1 ? QStringLiteral("listicon_alter.png") : QStringLiteral("listicon.png")), 1);
    if (!tableImages)
        return;
    // The "image" column joins these row heights once the file list's model provides it.
    if (s0)
        tableImages->verticalHeader()->setDefaultSectionSize(18);
    else if (s1)
        tableImages->verticalHeader()->setDefaultSectionSize(80);
}
