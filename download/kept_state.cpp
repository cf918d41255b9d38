#include "download/kept_state.h"

#include "common/decimal.h"
#include "common/unique_handle.h"
#include "common/utf8.h"

#include <iterator>

namespace updater {
namespace {

constexpr char kFirstLine[] = "updater-kept-download 1\n";
constexpr const wchar_t* kKeys[] = {L"application", L"url",    L"validator",
                                    L"total",       L"sha256", L"began"};
constexpr size_t kSha256Digits = 64;

bool HasControlCharacter(const std::wstring& value) {
    for (const wchar_t c : value) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

bool IsPrintableAscii(const std::wstring& value) {
    for (const wchar_t c : value) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

bool IsLowercaseSha256(const std::wstring& value) {
    if (value.size() != kSha256Digits) {
        return false;
    }
    for (const wchar_t c : value) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) {
            return false;
        }
    }
    return true;
}

// A positive decimal without sign or leading zero, as FormatKeptState writes it.
bool ParsePositive(const std::wstring& text, ULONGLONG& value) {
    const wchar_t* at = text.c_str();
    return !text.empty() && text[0] != L'0' && ReadDecimal64(at, value) && *at == L'\0';
}

bool IsWritable(const KeptState& state) {
    return !state.application.empty() && !HasControlCharacter(state.application) &&
           !state.url.empty() && !HasControlCharacter(state.url) && !state.validator.empty() &&
           IsPrintableAscii(state.validator) && state.total > 0 &&
           IsLowercaseSha256(state.sha256) && state.began > 0;
}

} // namespace

bool FormatKeptState(const KeptState& state, std::string& text) {
    if (!IsWritable(state)) {
        return false;
    }
    const std::wstring values[std::size(kKeys)] = {state.application, state.url,
                                                   state.validator,   std::to_wstring(state.total),
                                                   state.sha256,      std::to_wstring(state.began)};
    std::wstring lines;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        lines += std::wstring(kKeys[i]) + L"=" + values[i] + L"\n";
    }
    text = kFirstLine;
    return AppendUtf8(text, lines.data(), lines.size(), true) && text.size() <= kMaxKeptStateBytes;
}

bool ParseKeptState(const std::string& text, KeptState& state) {
    const size_t first = sizeof(kFirstLine) - 1;
    if (text.size() > kMaxKeptStateBytes || text.compare(0, first, kFirstLine) != 0) {
        return false;
    }
    const int size = static_cast<int>(text.size() - first);
    const int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data() + first, size, nullptr, 0);
    if (size == 0 || wide <= 0) {
        return false;
    }
    std::wstring lines(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data() + first, size, &lines[0], wide);
    std::wstring values[std::size(kKeys)];
    size_t at = 0;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        const std::wstring key = std::wstring(kKeys[i]) + L"=";
        const size_t end = lines.find(L'\n', at);
        if (end == std::wstring::npos || lines.compare(at, key.size(), key) != 0) {
            return false;
        }
        values[i] = lines.substr(at + key.size(), end - at - key.size());
        at = end + 1;
    }
    KeptState read;
    read.application = values[0];
    read.url = values[1];
    read.validator = values[2];
    read.sha256 = values[4];
    if (at != lines.size() || !ParsePositive(values[3], read.total) ||
        !ParsePositive(values[5], read.began) || !IsWritable(read)) {
        return false;
    }
    state = read;
    return true;
}

bool IsKeptStateFresh(ULONGLONG began, ULONGLONG now) {
    return began <= now && now - began < kKeptDownloadLifetimeTicks;
}

bool WriteKeptState(const std::wstring& folder, const KeptState& state) {
    std::string text;
    if (!FormatKeptState(state, text)) {
        return false;
    }
    const std::wstring path = folder + L"\\" + kKeptStateName;
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size()) {
        file.reset();
        DeleteFileW(path.c_str());
        return false;
    }
    return true;
}

bool ReadKeptState(const std::wstring& folder, KeptState& state) {
    const std::wstring path = folder + L"\\" + kKeptStateName;
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        information.nFileSizeHigh != 0 || information.nFileSizeLow > kMaxKeptStateBytes) {
        return false;
    }
    std::string text(information.nFileSizeLow, '\0');
    DWORD read = 0;
    return ReadFile(file.get(), &text[0], information.nFileSizeLow, &read, nullptr) &&
           read == information.nFileSizeLow && ParseKeptState(text, state);
}

} // namespace updater
