#include "tools/publish/output.h"

#include "common/utf8.h"

#include <algorithm>

using updater::AppendUtf8;

namespace {

constexpr size_t kConsolePiece = 8192; // characters

// Writes all of `bytes` to a file or pipe; false when it takes no more.
bool WriteAll(HANDLE out, const std::string& bytes) {
    DWORD written = 0;
    for (size_t start = 0; start < bytes.size(); start += written) {
        if (!WriteFile(out, bytes.data() + start, static_cast<DWORD>(bytes.size() - start),
                       &written, nullptr) ||
            written == 0) {
            return false;
        }
    }
    return true;
}

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
