// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The names of the notices that travel on NotificationCenter::defaultCenter() and the keys of their maps.

/// Posted by the progress sheet when it is shown; no sender, no map. Starts the conversion run.
inline const QString kMsgStartProgress = QStringLiteral("msgStartProgress");
/// Posted by the run's worker before each file, with the controller as sender and the progress map.
inline const QString kMsgUpdateProgress = QStringLiteral("msgUpdateProgress");
/// Posted by the progress sheet when the user cancels; no sender, no map.
inline const QString kMsgCancelProgress = QStringLiteral("msgCancelProgress");
/// Posted by the run's worker once at the end of every run; no sender, no map. Closes the sheet.
inline const QString kMsgProgressCanceled = QStringLiteral("msgProgressCanceled");
/// Posted by the drop view when files are dropped on it; the map holds the drop under kDraggingInfoKey.
inline const QString msgAcceptFileDropped = QStringLiteral("msgAcceptFileDropped");

/// Key of the drop in the map of msgAcceptFileDropped.
inline const QString kDraggingInfoKey = QStringLiteral("NSDraggingInfo");

/// Keys of the progress map of msgUpdateProgress.
inline const QString kProgressMessageKey
    = QStringLiteral("message"); ///< QString: "Removing EXIF for %d of %d ..."
inline const QString kProgressTotalKey = QStringLiteral("total"); ///< int: paths in the list at the start
inline const QString kProgressCurrentKey = QStringLiteral("current"); ///< int: 0-based position of the file
