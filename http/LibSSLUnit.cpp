#include "http/LibSSLUnit.h"

#include <atomic>
#include <curl/curl.h>
#include <openssl/crypto.h>

#ifdef _WIN32
#include <iterator>
#include <string>
#include <windows.h>
#endif

namespace tarrow {

namespace {
std::atomic<int> GHiddenCount{0};
}

bool IsSSLLibraryAvailable() {
    if (GHiddenCount.load() > 0)
        return false;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info && (info->features & CURL_VERSION_SSL) != 0;
}

QString SSLLibraryVersion() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info && info->ssl_version ? QString::fromUtf8(info->ssl_version) : QString();
}

TSSLLibraryHiddenScope::TSSLLibraryHiddenScope() {
    ++GHiddenCount;
}
TSSLLibraryHiddenScope::~TSSLLibraryHiddenScope() {
    --GHiddenCount;
}

#ifdef _WIN32

namespace {

HMODULE GCryptoHandle = nullptr;
HMODULE GSSLHandle = nullptr;

// Loads a library by full path when the file exists, without the system's error box.
HMODULE LoadFromLibSSLDir(const wchar_t* AFileName) {
    const QString path = GetLibSSLDir() + QString::fromWCharArray(AFileName);
    const std::wstring native = path.toStdWString();
    if (GetFileAttributesW(native.c_str()) == INVALID_FILE_ATTRIBUTES)
        return nullptr;
    const UINT previous = SetErrorMode(0x8000);
    HMODULE handle = LoadLibraryW(native.c_str());
    SetErrorMode(previous);
    return handle;
}

} // namespace

QString GetLibSSLDir() {
    wchar_t buffer[32768];
    const DWORD len = GetModuleFileNameW(nullptr, buffer, DWORD(std::size(buffer)));
    QString exe = QString::fromWCharArray(buffer, int(len));
    return exe.left(exe.lastIndexOf(u'\\')) + QStringLiteral("\\libssl64\\");
}

void PreloadCryptoLibrary() {
    if (!GCryptoHandle)
        GCryptoHandle = LoadFromLibSSLDir(L"libeay32.dll");
}

void PreloadSSLLibrary() {
    if (!GSSLHandle)
        GSSLHandle = LoadFromLibSSLDir(L"ssleay32.dll");
    if (!GSSLHandle)
        GSSLHandle = LoadFromLibSSLDir(L"libssl32.dll");
}

void FreeSSLLibraries() {
    if (GCryptoHandle) {
        FreeLibrary(GCryptoHandle);
        GCryptoHandle = nullptr;
    }
    if (GSSLHandle) {
        FreeLibrary(GSSLHandle);
        GSSLHandle = nullptr;
    }
}

TLibSSLLoader::TLibSSLLoader() {
    PreloadCryptoLibrary();
    PreloadSSLLibrary();
}

TLibSSLLoader::~TLibSSLLoader() {
    FreeSSLLibraries();
}

#else

// OpenSSL is linked through libcurl: nothing to load or free.
TLibSSLLoader::TLibSSLLoader() = default;
TLibSSLLoader::~TLibSSLLoader() = default;

#endif

void ReleaseThreadSSLState() {
    OPENSSL_thread_stop();
}

} // namespace tarrow
