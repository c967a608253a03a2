#pragma once

#include <QString>
#include <QUrl>

namespace tarrow {

// Where F1 leads, for a program that runs from AProgramDir: the installed HTML manual, else the
// installed manual page, else the README's section on the desktop program (on the home page
// when there is one, else the installed README). Empty when none of them is there.
QUrl ManualURL(const QString& AProgramDir, const QString& AHomePage);

} // namespace tarrow
