#include "tools/publish/command_line.h"

namespace {

bool IsOptionLike(const std::wstring& argument) {
    return argument.size() > 2 && argument.compare(0, 2, L"--") == 0;
}

} // namespace

bool HelpAsked(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            return true;
        }
    }
    return false;
}

bool ParseOptions(const std::vector<std::wstring>& arguments, const std::vector<Option>& options,
                  size_t maxPositional, std::vector<std::wstring>& positional,
                  std::wstring& error) {
    std::vector<bool> given(options.size(), false);
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::wstring& argument = arguments[index];
        if (!IsOptionLike(argument)) {
            if (positional.size() == maxPositional) {
                error = L"unexpected argument: " + argument;
                return false;
            }
            positional.push_back(argument);
            continue;
        }
        const size_t equals = argument.find(L'=');
        const std::wstring name = argument.substr(0, equals);
        size_t option = 0;
        while (option < options.size() && name != options[option].name) {
            ++option;
        }
        if (option == options.size()) {
            error = L"unknown option: " + name;
            return false;
        }
        if (given[option]) {
            error = name + L" is given twice";
            return false;
        }
        if (equals != std::wstring::npos) {
            *options[option].value = argument.substr(equals + 1);
        } else if (index + 1 < arguments.size()) {
            *options[option].value = arguments[++index];
        } else {
            error = name + L" needs a value";
            return false;
        }
        given[option] = true;
    }
    return true;
}
