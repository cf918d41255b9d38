#include "update/sha256.h"

#include "common/hex_digit.h"
#include "common/unique_handle.h"

#include <memory>
#include <new>

namespace updater {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;
// The platform's SHA-256 object is a few hundred bytes; a larger answer is not believed.
constexpr DWORD kLargestHashObject = 64 * 1024;
constexpr wchar_t kSurroundingSpace[] = L" \t\r\n";

// Feeds the file to `hash` chunk by chunk until its end, unless asked to stop.
bool HashFileContent(HANDLE file, BCRYPT_HASH_HANDLE hash, const std::function<bool()>& stop) {
    const std::unique_ptr<UCHAR[]> chunk(new (std::nothrow) UCHAR[kReadChunk]);
    if (!chunk) {
        return false;
    }
    for (;;) {
        DWORD read = 0;
        if ((stop && stop()) || !ReadFile(file, chunk.get(), kReadChunk, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        if (!BCRYPT_SUCCESS(BCryptHashData(hash, chunk.get(), read, 0))) {
            return false;
        }
    }
}

} // namespace

bool Sha256File(const std::wstring& path, Sha256Digest& digest) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file && Sha256OfOpenFile(file.get(), digest);
}

bool Sha256OfOpenFile(HANDLE file, Sha256Digest& digest, const std::function<bool()>& stop) {
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        return false;
    }
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return false;
    }
    const UniqueAlgorithmProvider algorithm(opened);
    // Windows 7 wants the memory for the hash object from the caller; it must outlive the hash.
    DWORD objectLength = 0;
    ULONG written = 0;
    if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                          reinterpret_cast<PUCHAR>(&objectLength),
                                          sizeof(objectLength), &written, 0)) ||
        written != sizeof(objectLength) || objectLength == 0 || objectLength > kLargestHashObject) {
        return false;
    }
    const std::unique_ptr<UCHAR[]> object(new (std::nothrow) UCHAR[objectLength]);
    if (!object) {
        return false;
    }
    BCRYPT_HASH_HANDLE created = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), &created, object.get(), objectLength,
                                         nullptr, 0, 0))) {
        return false;
    }
    const UniqueCngHash hash(created);
    Sha256Digest result{};
    if (!HashFileContent(file, hash.get(), stop) ||
        !BCRYPT_SUCCESS(
            BCryptFinishHash(hash.get(), result.data(), static_cast<ULONG>(result.size()), 0))) {
        return false;
    }
    digest = result;
    return true;
}

bool ParseSha256Hex(const std::wstring& text, Sha256Digest& digest) {
    const size_t first = text.find_first_not_of(kSurroundingSpace);
    if (first == std::wstring::npos) {
        return false;
    }
    const size_t last = text.find_last_not_of(kSurroundingSpace);
    if (last - first + 1 != 2 * digest.size()) {
        return false;
    }
    Sha256Digest result{};
    for (size_t index = 0; index < result.size(); ++index) {
        const int high = HexDigitValue(text[first + 2 * index]);
        const int low = HexDigitValue(text[first + 2 * index + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        result[index] = static_cast<uint8_t>(high << 4 | low);
    }
    digest = result;
    return true;
}

} // namespace updater
