#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace tarrow {

// A cookies file in the Netscape format that browser extensions and curl write: per cookie one
// line of seven tab-separated fields (domain, subdomains TRUE/FALSE, path, secure TRUE/FALSE,
// expiry in seconds, name, value). Comment lines start with "#" ("#HttpOnly_" before a domain
// marks a cookie); blank lines are skipped.
struct TCookiesFile {
    QList<QByteArray> Lines;   // the cookies, each as one line for the cookie store
    QList<int> MalformedLines; // numbers (from 1) of the lines that were skipped
};

TCookiesFile ParseCookiesFile(QByteArrayView AContent);

} // namespace tarrow
