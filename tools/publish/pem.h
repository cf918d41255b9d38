#pragma once
// PEM: DER in base64 between "-----BEGIN <label>-----" and "-----END <label>-----" lines.

#include "tools/publish/der.h"

#include <string>

namespace updater {

// The DER of the first block with this label in `text`. False when there is none, or when what
// it holds is not base64 alone (an encrypted key's headers among it).
bool ReadPem(const std::string& text, const std::string& label, Bytes& der);
// The block as openssl writes it: lines of 64 characters, each ended by "\n".
std::string WritePem(const std::string& label, const Bytes& der);

} // namespace updater
