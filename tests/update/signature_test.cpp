#include "update/signature.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

using namespace testing_support;

// A throw-away key pair from scripts/make-key: its public key is the P-256 header + kPoint.
const std::wstring kHeader = L"MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE";
const std::wstring kPoint =
    L"Eg+rjUrorAFgK3FRD1ott5K6daTdmmwltvJdem8PlhVf76LZFd8MpVTUqXjTiFlSr2fxrZ"
    L"Sq9KVCwk1mZMfM8g==";
// openssl dgst -sha256 -sign of kSigned, with an r of 31 bytes.
const std::string kSigned = "setup program A";
const std::wstring kShortR =
    L"MEQCH3TGDlunuFPt8nxcE7KjpD/dQ2z1ZwOTP+oX8JaFJ/4CIQDYJjPCmgQi3lf3AzEvwL"
    L"EEVz8vqqbQJWwwNLk1TFhhXQ==";

// Keys that must not parse come with the right point, so that only a strict reading fails them.
TEST(VerifySignature, AcceptsOnlyTheStrictDerSignatureOfTheseBytesByThisP256Key) {
    struct Case {
        bool valid;
        const char* name;
        std::wstring signature;
        std::string content = kSigned;
        std::wstring key = kHeader + kPoint;
    };
    const Case cases[] = {
        {true, "r of 31 bytes, across lines", kShortR.substr(0, 50) + L"\r\n" + kShortR.substr(50)},
        {true, "r and s of 33 bytes",
         L"MEYCIQD4+XI+dZG43a3eWKYvkBGKQhfGMcptOU8dUvYFNivX8w"
         L"IhAL48ycHi/XkgVhIEYVXbJxYDP+UhhnWQ6vBjK4LA7r7p"},
        {false, "another key", kShortR, kSigned,
         kHeader + L"YPTns/P730I4TEboU6gdfI6U+e2YPJHvndgdoTf2Lc6qXc"
                   L"m8ocSZZBwWvUcZllS31DrtOJvUHWzlVfHO6tUWAQ=="},
        {false, "key cut short", kShortR, kSigned, kHeader + kPoint.substr(0, 84)},
        {false, "key on secp256k1", kShortR, kSigned, L"MFYwEAYHKoZIzj0CAQYFK4EEAAoDQgAE" + kPoint},
        {false, "key with a byte after it", kShortR, kSigned,
         kHeader + kPoint.substr(0, 84) + L"8gA="},
        {false, "base64 cut short", kShortR.substr(0, 94)},
        {false, "base64 with a foreign character", L"*" + kShortR},
        {false, "DER: r with a needless zero",
         L"MEUCIAB0xg5bp7hT7fJ8XBOyo6Q/3UNs9WcDkz/qF/CWhSf+A"
         L"iEA2CYzwpoEIt5X9wMxL8CxBFc/L6qm0CVsMDS5NUxYYV0="},
        {false, "DER: s negative",
         L"MEMCH3TGDlunuFPt8nxcE7KjpD/dQ2z1ZwOTP+oX8JaFJ/4CINgmM8"
         L"KaBCLeV/cDMS/AsQRXPy+qptAlbDA0uTVMWGFd"},
        // The sequence one byte longer, holding a zero byte after s.
        {false, "DER: a byte after s", L"MEUC" + kShortR.substr(4, 88) + L"XQA="},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        Sha256Digest digest{};
        PublicKey key;
        ASSERT_TRUE(WriteFileBytes(dir.File(L"setup"), c.content) &&
                    Sha256File(dir.File(L"setup"), digest));
        EXPECT_EQ(c.valid, ParsePublicKey(c.key, key) && VerifySignature(key, digest, c.signature));
    }
}

TEST(Sha256, HashesWholeFilesAndReadsExactlySixtyFourHexDigits) {
    // FIPS 180-2 examples; a million bytes take several reads.
    const std::wstring abc = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const std::pair<std::string, std::wstring> files[] = {
        {"abc", L" \t" + abc + L"\r\n"},
        {std::string(1000000, 'a'),
         L"CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
    };
    TempDir dir;
    Sha256Digest fromFile{}, parsed{};
    for (const auto& [content, hex] : files) {
        ASSERT_TRUE(WriteFileBytes(dir.File(L"f"), content) &&
                    Sha256File(dir.File(L"f"), fromFile));
        EXPECT_TRUE(ParseSha256Hex(hex, parsed) && parsed == fromFile) << content.size();
    }
    for (const auto& bad :
         {abc.substr(1), abc.substr(0, 32) + L" " + abc.substr(32), L"g" + abc.substr(1)}) {
        EXPECT_FALSE(ParseSha256Hex(bad, parsed)) << testing::PrintToString(bad);
    }
    EXPECT_FALSE(Sha256File(L"Z:\\no such folder\\setup.exe", fromFile));
}

} // namespace
} // namespace updater
