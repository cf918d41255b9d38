#pragma once
// Reads a dialog template resource (standard or extended) into plain fields, so tests can
// compare every value the resource compiler wrote.

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// A name-or-ordinal field: class names, titles, menus.
struct NameOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::wstring name;
};

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0; // sign-extended, so -1 reads as -1 in both template kinds
    // Predefined classes given as ordinals are turned into their names ("Button", "Static").
    std::wstring className;
    NameOrOrdinal title;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;  // extended templates only
    BYTE italic = 0;  // extended templates only
    BYTE charset = 0; // extended templates only
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// Loads RT_DIALOG `id` from `module`. False when it is missing or malformed.
bool ReadDialogTemplate(HMODULE module, WORD id, DialogTemplate& result);

} // namespace testing_support
