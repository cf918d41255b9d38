#include "tools/publish/output.h"

#include "common/utf8.h"
#include "tools/publish/files.h"

#include <algorithm>

using updater::AppendUtf8;
using updater::WriteAll;

namespace {

constexpr size_t kConsolePiece = 8192; // characters

void PrintTo(DWORD stream, const std::wstring& line) {
    std::wstring text;
    for (const wchar_t c : line) {
        if (c != L'\r') {
            text += c;
        }
    }
    // Blocks such as the description end in a line break of their own.
    while (!text.empty() && text.back() == L'\n') {
        text.pop_back();
    }
    text += L'\n';
    const HANDLE out = GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        // A console takes one write from a 64 KB heap only (before Windows 8): a long address
        // goes out in pieces rather than not at all. A surrogate pair stays in one piece.
        for (size_t start = 0; start < text.size(); start += written) {
            DWORD piece = static_cast<DWORD>(std::min(text.size() - start, kConsolePiece));
            if (start + piece < text.size() && IS_HIGH_SURROGATE(text[start + piece - 1])) {
                --piece;
            }
            if (!WriteConsoleW(out, text.data() + start, piece, &written, nullptr) ||
                written == 0) {
                return;
            }
        }
        return;
    }
    std::string utf8;
    AppendUtf8(utf8, text.data(), text.size());
    WriteAll(out, utf8);
}

} // namespace

void Print(const std::wstring& line) {
    PrintTo(STD_OUTPUT_HANDLE, line);
}

void PrintError(const std::wstring& line) {
    PrintTo(STD_ERROR_HANDLE, line);
}

bool WriteOutputBytes(const std::string& bytes) {
    return WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), bytes);
}
