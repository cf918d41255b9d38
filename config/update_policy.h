#pragma once
// What an administrator decides for the updater through the registry, read only: machine-wide
// under HKEY_LOCAL_MACHINE or for one user under HKEY_CURRENT_USER, key
// "Software\Policies\Updater", and for one product its subkey named after config.ini's
// `product`. For each value the first found counts, in this order: the machine's product
// subkey, the machine's key, the user's product subkey, the user's key. So the machine's value
// wins over the user's, and a product's over the key above it.

#include <string>

namespace updater {

struct UpdatePolicy {
    // "UpdatesDisabled" (DWORD): 1 turns updates off; any other number turns them on.
    bool updatesDisabled = false;
    // "UpdateUrl" (string): the descriptor's address to use instead of config.ini's `update`,
    // an internal mirror; empty when not set.
    std::wstring updateUrl;
};

// Reads the policy for `product` (may be empty: then only the keys above any product count; a
// name with a backslash never reaches into another key).
UpdatePolicy ReadUpdatePolicy(const std::wstring& product);

} // namespace updater
