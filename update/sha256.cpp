#include "update/sha256.h"

#include "common/hex_digit.h"
#include "common/unique_handle.h"

#include <algorithm>
#include <limits>
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

// A SHA-256 computation through CNG.
class Sha256Hash {
public:
    // Check Started() before feeding it.
    Sha256Hash() {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (!BCRYPT_SUCCESS(
                BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
            return;
        }
        algorithm_.reset(opened);
        // Windows 7 wants the memory for the hash object from the caller; it must outlive the
        // hash.
        DWORD objectLength = 0;
        ULONG written = 0;
        if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm_.get(), BCRYPT_OBJECT_LENGTH,
                                              reinterpret_cast<PUCHAR>(&objectLength),
                                              sizeof(objectLength), &written, 0)) ||
            written != sizeof(objectLength) || objectLength == 0 ||
            objectLength > kLargestHashObject) {
            return;
        }
        object_.reset(new (std::nothrow) UCHAR[objectLength]);
        BCRYPT_HASH_HANDLE created = nullptr;
        if (object_ && BCRYPT_SUCCESS(BCryptCreateHash(algorithm_.get(), &created, object_.get(),
                                                       objectLength, nullptr, 0, 0))) {
            hash_.reset(created);
        }
    }

    bool Started() const { return static_cast<bool>(hash_); }
    BCRYPT_HASH_HANDLE Handle() const { return hash_.get(); }

    // The digest of what was fed; false when CNG fails, leaving `digest` as it was.
    bool Finish(Sha256Digest& digest) {
        Sha256Digest result{};
        if (!BCRYPT_SUCCESS(BCryptFinishHash(hash_.get(), result.data(),
                                             static_cast<ULONG>(result.size()), 0))) {
            return false;
        }
        digest = result;
        return true;
    }

private:
    // Declared in the order of creation: destroyed in reverse.
    UniqueAlgorithmProvider algorithm_;
    std::unique_ptr<UCHAR[]> object_;
    UniqueCngHash hash_;
};

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
    Sha256Hash hash;
    return hash.Started() && HashFileContent(file, hash.Handle(), stop) && hash.Finish(digest);
}

bool Sha256OfBytes(const void* bytes, size_t length, Sha256Digest& digest) {
    Sha256Hash hash;
    if (!hash.Started()) {
        return false;
    }
    // CNG takes at most 4 GiB - 1 per call.
    const auto* at = static_cast<const UCHAR*>(bytes);
    for (size_t left = length; left > 0;) {
        const ULONG piece =
            static_cast<ULONG>(std::min<size_t>(left, std::numeric_limits<ULONG>::max()));
        if (!BCRYPT_SUCCESS(BCryptHashData(hash.Handle(), const_cast<UCHAR*>(at), piece, 0))) {
            return false;
        }
        at += piece;
        left -= piece;
    }
    return hash.Finish(digest);
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
