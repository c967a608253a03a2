#pragma once

#include <QString>

namespace tarrow {

// Shows a notification through the desktop's notification service (org.freedesktop.Notifications
// on the session bus), with the program's icon. False when there is no such service or it did not
// take the notification.
bool SendDesktopNotification(const QString& ATitle, const QString& ABody);

} // namespace tarrow
