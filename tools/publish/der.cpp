#include "tools/publish/der.h"

namespace updater {

bool DerReader::Read(uint8_t tag, DerReader& content) {
    if (left_ < 2 || at_[0] != tag) {
        return false;
    }
    size_t header = 2;
    size_t length = at_[1];
    if (length > 0x80) {
        // The long form: as many length bytes as the low bits say, the first of them not zero,
        // for lengths of 128 and more only. Key files never need more than two.
        const size_t count = length & 0x7F;
        if (count > 2 || left_ < 2 + count || at_[2] == 0) {
            return false;
        }
        length = 0;
        for (size_t index = 0; index < count; ++index) {
            length = length << 8 | at_[2 + index];
        }
        header += count;
        if (length < 0x80) {
            return false;
        }
    } else if (length == 0x80) {
        return false; // the indefinite length of BER
    }
    if (length > left_ - header) {
        return false;
    }
    content = DerReader(at_ + header, length);
    at_ += header + length;
    left_ -= header + length;
    return true;
}

bool DerReader::Read(uint8_t tag, Bytes& content) {
    DerReader inner;
    if (!Read(tag, inner)) {
        return false;
    }
    content.assign(inner.at_, inner.at_ + inner.left_);
    return true;
}

Bytes DerValue(uint8_t tag, std::initializer_list<Bytes> parts) {
    size_t length = 0;
    for (const Bytes& part : parts) {
        length += part.size();
    }
    Bytes value{tag};
    if (length >= 0x100) {
        value.insert(value.end(), {0x82, static_cast<uint8_t>(length >> 8),
                                   static_cast<uint8_t>(length & 0xFF)});
    } else if (length >= 0x80) {
        value.insert(value.end(), {0x81, static_cast<uint8_t>(length)});
    } else {
        value.push_back(static_cast<uint8_t>(length));
    }
    for (const Bytes& part : parts) {
        value.insert(value.end(), part.begin(), part.end());
    }
    return value;
}

Bytes DerUnsignedInteger(const uint8_t* number, size_t length) {
    while (length > 1 && number[0] == 0) {
        ++number;
        --length;
    }
    Bytes content;
    // A set top bit would make the number negative: a zero byte keeps it positive.
    if (length == 0 || number[0] & 0x80) {
        content.push_back(0);
    }
    content.insert(content.end(), number, number + length);
    return DerValue(kDerInteger, {content});
}

} // namespace updater
