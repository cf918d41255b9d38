#include "config/update_policy.h"

#include <windows.h>

#include <vector>

namespace updater {
namespace {

constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Updater";
// Addresses are at most 2,083 characters; a longer value is no address.
constexpr DWORD kMaxUrlBytes = 4096 * sizeof(wchar_t);

// The keys to ask, the one that wins first.
std::vector<std::pair<HKEY, std::wstring>> PolicyKeys(const std::wstring& product) {
    const bool withProduct = !product.empty() && product.find(L'\\') == std::wstring::npos;
    std::vector<std::pair<HKEY, std::wstring>> keys;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        if (withProduct) {
            keys.emplace_back(root, std::wstring(kPolicyKey) + L"\\" + product);
        }
        keys.emplace_back(root, kPolicyKey);
    }
    return keys;
}

} // namespace

UpdatePolicy ReadUpdatePolicy(const std::wstring& product) {
    UpdatePolicy policy;
    bool disabledFound = false, urlFound = false;
    for (const auto& key : PolicyKeys(product)) {
        DWORD disabled = 0, size = sizeof(disabled);
        if (!disabledFound &&
            RegGetValueW(key.first, key.second.c_str(), L"UpdatesDisabled", RRF_RT_REG_DWORD,
                         nullptr, &disabled, &size) == ERROR_SUCCESS) {
            disabledFound = true;
            policy.updatesDisabled = disabled == 1;
        }
        std::vector<wchar_t> url(kMaxUrlBytes / sizeof(wchar_t) + 1);
        size = kMaxUrlBytes;
        if (!urlFound &&
            RegGetValueW(key.first, key.second.c_str(), L"UpdateUrl", RRF_RT_REG_SZ, nullptr,
                         url.data(), &size) == ERROR_SUCCESS &&
            url[0] != L'\0') {
            urlFound = true;
            policy.updateUrl = url.data();
        }
    }
    return policy;
}

} // namespace updater
