#pragma once
// The descriptor that make-descriptor writes: UTF-8 with an XML declaration, one element per
// line, the release notes as the <line> children of <comments>.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace updater {

struct DescriptorContent {
    // Element name and text, in order; an empty text leaves its element out.
    std::vector<std::pair<std::wstring, std::wstring>> elements;
    std::vector<std::wstring> notes;
};

// The document in `xml`. Empty on success; otherwise why not (a character that XML does not
// allow in a document, or text that is not valid UTF-16).
std::wstring WriteDescriptorXml(const DescriptorContent& content, std::string& xml);

// The size as the offer shows it: "1 byte", "512 bytes", "12 KB", "12.5 MB", "1.2 GB"
// (1 KB = 1024 bytes).
std::wstring ReadableSize(ULONGLONG bytes);

// The non-empty lines of UTF-8 text (after a byte order mark, if any), each without the white
// space around it. Empty on success; otherwise why not.
std::wstring ReadNoteLines(const std::string& utf8, std::vector<std::wstring>& lines);

} // namespace updater
