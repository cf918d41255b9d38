#pragma once
// The installed version, the descriptor URL and the checks asked for, read from config.ini
// beside the executable.

#include <windows.h>

#include <string>

namespace updater {

// Reads `key` of `section` from config.ini in `directory` (no trailing backslash needed; an
// empty directory means the running executable's own directory). Returns a pointer into a
// process-wide buffer that the next read overwrites, or null when no character was read.
// A path that does not fit the 1024-character path buffer counts as a missing file.
const wchar_t* ReadConfigValue(const std::wstring& directory, const wchar_t* section,
                               const wchar_t* key);
// The same, from the executable's own directory.
const wchar_t* ReadConfigValue(const wchar_t* section, const wchar_t* key);

class LocalConfig {
public:
    // Loads config.ini from the executable's directory.
    LocalConfig();
    // Loads config.ini from `directory` instead.
    explicit LocalConfig(std::wstring directory);

    // Fills the fields; S_OK when version and update are non-empty, E_FAIL otherwise.
    HRESULT Load();

    // [main] signeddescriptor, spelled exactly: "1" requires the descriptor to be signed with
    // publickey; absent, empty or "0" does not; any other value is a broken config.ini.
    enum class DescriptorSigning { NotRequired, Required, Unrecognised };

    std::wstring version;       // [main] version
    std::wstring descriptorUrl; // [main] update
    std::wstring publicKey;     // [main] publickey, optional: the vendor's signing key
    DescriptorSigning descriptorSigning = DescriptorSigning::NotRequired;
    std::wstring product;   // [main] product, optional: the only product whose updates are used
    std::wstring publisher; // [main] publisher, optional: who must sign the setup program

private:
    std::wstring directory_;
};

} // namespace updater
