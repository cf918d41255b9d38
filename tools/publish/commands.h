#pragma once
// The subcommands of updater-publish. Each takes the arguments after its name and returns the
// process exit code.

#include <string>
#include <vector>

using Arguments = std::vector<std::wstring>;

constexpr int kExitGood = 0;
constexpr int kExitBad = 1;
constexpr int kExitUsage = 2;

int MakeKeyCommand(const Arguments& arguments);
int MakeDescriptorCommand(const Arguments& arguments);
int CheckCommand(const Arguments& arguments);
