// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusWindowController.h"

StatusWindowController::StatusWindowController(QObject* parent)
    : QObject(parent)
{ }

void StatusWindowController::awakeFromNib() { }

void StatusWindowController::OnCancel(QObject*) { }
