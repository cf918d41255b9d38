#include "download/kept_downloads.h"

#include "download/download_folder.h"
#include "download/earlier_downloads.h"
#include "download/save_path.h"

#include <windows.h>

#include <algorithm>

namespace updater {
namespace {

constexpr DWORD kModulePathCapacity = 32768;

bool IsSameFolder(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

bool GetDownloadPlace(DownloadPlace& place) {
    std::wstring module(kModulePathCapacity, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &module[0], kModulePathCapacity);
    const size_t separator = module.find_last_of(L'\\', length);
    if (length == 0 || length >= kModulePathCapacity || separator == std::wstring::npos) {
        return false;
    }
    place.application = module.substr(0, separator);
    return GetTemporaryDirectory(place.temporaryDirectory);
}

std::vector<KeptDownload> FindKeptDownloads(const DownloadPlace& place) {
    std::vector<KeptDownload> found;
    for (const std::wstring& folder : FindDownloadFolders(place.temporaryDirectory)) {
        KeptDownload kept{folder, {}};
        if (ReadKeptState(folder, kept.state) &&
            IsSameFolder(kept.state.application, place.application)) {
            found.push_back(kept);
        }
    }
    std::sort(found.begin(), found.end(), [](const KeptDownload& a, const KeptDownload& b) {
        return a.state.began > b.state.began;
    });
    return found;
}

std::wstring Sha256Hex(const Sha256Digest& digest) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring hex;
    for (const uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

void DiscardKeptDownloadsOfOtherUpdates(const DownloadPlace& place,
                                        const std::optional<Sha256Digest>& published) {
    const std::wstring sha256 = published ? Sha256Hex(*published) : std::wstring();
    for (const KeptDownload& kept : FindKeptDownloads(place)) {
        if (kept.state.sha256 != sha256) {
            RemoveDownloadFolder(kept.folder);
        }
    }
}

void DiscardKeptDownloadsOfOtherUpdates(const std::optional<Sha256Digest>& published) {
    DownloadPlace place;
    if (GetDownloadPlace(place)) {
        DiscardKeptDownloadsOfOtherUpdates(place, published);
    }
}

} // namespace updater
