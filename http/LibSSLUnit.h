#pragma once

#include <QString>

namespace tarrow {

// TLS for HTTPS comes from OpenSSL through libcurl. On Linux the library is linked in the ordinary
// way, so this module only says whether it is there. On Windows it also preloads the copies in the
// "libssl64" folder beside the program, so that those win over any other copy on the system.

// True when HTTPS requests can be made. Without it each HTTPS request fails with
// "Could not load SSL library." while plain HTTP keeps working.
bool IsSSLLibraryAvailable();

// The TLS library libcurl uses, as libcurl names it (for example "OpenSSL/3.0.11"), or empty.
QString SSLLibraryVersion();

// Frees the TLS library's state of the calling thread; a worker thread calls it as it ends, so
// nothing of it outlives the thread.
void ReleaseThreadSSLState();

// While alive, IsSSLLibraryAvailable reports false (tests of the HTTPS-without-TLS path).
class TSSLLibraryHiddenScope final {
public:
    TSSLLibraryHiddenScope();
    ~TSSLLibraryHiddenScope();
    TSSLLibraryHiddenScope(const TSSLLibraryHiddenScope&) = delete;
    TSSLLibraryHiddenScope& operator=(const TSSLLibraryHiddenScope&) = delete;
};

#ifdef _WIN32
// The program's folder followed by "\libssl64\".
QString GetLibSSLDir();
// Each loads its library from GetLibSSLDir only when the file exists there; a failed load leaves
// the handle empty and reports nothing.
void PreloadCryptoLibrary();
void PreloadSSLLibrary();
void FreeSSLLibraries();
#endif

// The module's start-up and shut-down steps: the program's main holds one for its whole run.
class TLibSSLLoader final {
public:
    TLibSSLLoader();
    ~TLibSSLLoader();
    TLibSSLLoader(const TLibSSLLoader&) = delete;
    TLibSSLLoader& operator=(const TLibSSLLoader&) = delete;
};

} // namespace tarrow
