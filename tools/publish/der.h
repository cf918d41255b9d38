#pragma once
// DER as far as key files and signatures need it: reading values one after another, checking
// that each length is in DER form and stays inside what holds it, and writing values.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace updater {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kDerInteger = 0x02;
constexpr uint8_t kDerBitString = 0x03;
constexpr uint8_t kDerOctetString = 0x04;
constexpr uint8_t kDerObjectId = 0x06;
constexpr uint8_t kDerSequence = 0x30;
// The constructed context-specific tag [number].
constexpr uint8_t DerExplicit(int number) {
    return static_cast<uint8_t>(0xA0 | number);
}

class DerReader {
public:
    DerReader() = default;
    DerReader(const uint8_t* bytes, size_t length) : at_(bytes), left_(length) {}
    explicit DerReader(const Bytes& bytes) : DerReader(bytes.data(), bytes.size()) {}

    bool AtEnd() const { return left_ == 0; }
    // True when the next value has this tag.
    bool Next(uint8_t tag) const { return left_ > 0 && *at_ == tag; }
    // Reads the next value when it has this tag; false, reading nothing, when it has another,
    // when its length is not in DER form, or when it runs past the end.
    bool Read(uint8_t tag, DerReader& content);
    bool Read(uint8_t tag, Bytes& content);

private:
    const uint8_t* at_ = nullptr;
    size_t left_ = 0;
};

// A value of this tag around the concatenated parts (below 64 KiB, as key files are).
Bytes DerValue(uint8_t tag, std::initializer_list<Bytes> parts);
// The INTEGER of an unsigned big-endian number, in its shortest form.
Bytes DerUnsignedInteger(const uint8_t* number, size_t length);

} // namespace updater
