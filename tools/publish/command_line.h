#pragma once
// The options of a subcommand, each "--name VALUE" or "--name=VALUE", named in a table:
//
//     const Option options[] = {{L"--version", &version}, {L"--url", &url}};
//
// so that one more option is one more row.

#include <string>
#include <vector>

struct Option {
    const wchar_t* name;
    std::wstring* value;
};

// True when the arguments ask for help (--help, -h or /?).
bool HelpAsked(const std::vector<std::wstring>& arguments);

// Fills the options' values and, in order, `positional` with up to `maxPositional` arguments
// that are no option. False, with `error` saying why, for an unknown option, one without its
// value or given twice, or one argument too many.
bool ParseOptions(const std::vector<std::wstring>& arguments, const std::vector<Option>& options,
                  size_t maxPositional, std::vector<std::wstring>& positional, std::wstring& error);
