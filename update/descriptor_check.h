#pragma once
// What a fetched descriptor must satisfy before it is used: the vendor's signature of its
// bytes when config.ini requires one, checked before anything reads them; then, once parsed, a
// <sha256> in a signed descriptor, an <expires> still ahead, a bounded <args>, and the product
// config.ini names.
// The answers say why a descriptor fails, in English, for the vendor's tools; the user only
// sees that the descriptor is unusable.

#include "update/signature.h"
#include "update/update_info.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace updater {

// The setup program's command line from <args>: at most this long, without control characters
// (which could end the line or hide what follows).
constexpr size_t kMaxSetupArgs = 1024;

struct DescriptorRequirements {
    std::optional<PublicKey> signer; // config.ini's publickey, when signeddescriptor=1
    std::wstring product;            // config.ini's product; empty: any product
};

// Empty when the bytes carry the signature that the requirements ask for (or none is asked).
std::wstring CheckDescriptorBytes(const DescriptorRequirements& requirements, const char* bytes,
                                  size_t length);

// Empty when the parsed fields meet the requirements at `nowUtcTicks` (see utc_time.h).
std::wstring CheckDescriptorFields(const DescriptorRequirements& requirements,
                                   const UpdateInfo& info, ULONGLONG nowUtcTicks);

} // namespace updater
