#include "tools/publish/descriptor_writer.h"

#include "common/utf8.h"

#include <cmath>
#include <cwchar>
#include <cwctype>
#include <string_view>

namespace updater {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Characters XML 1.0 allows nowhere in a document.
bool ForbiddenInXml(wchar_t c) {
    return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF;
}

bool AppendEscaped(std::string& xml, const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        switch (c) {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        case L'\'':
            escaped += L"&apos;";
            break;
        default:
            if (ForbiddenInXml(c)) {
                return false;
            }
            escaped += c;
        }
    }
    return AppendUtf8(xml, escaped.data(), escaped.size(), true);
}

// One decimal place, none when it is 0.
std::wstring OneDecimal(double value) {
    wchar_t text[32];
    swprintf(text, 32, L"%.1f", value);
    std::wstring result = text;
    if (result.size() > 2 && result.compare(result.size() - 2, 2, L".0") == 0) {
        result.resize(result.size() - 2);
    }
    return result;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t first = 0, end = text.size();
    while (first < end && std::iswspace(text[first])) {
        ++first;
    }
    while (end > first && std::iswspace(text[end - 1])) {
        --end;
    }
    return text.substr(first, end - first);
}

} // namespace

std::wstring WriteDescriptorXml(const DescriptorContent& content, std::string& xml) {
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<update>\n";
    for (const auto& [name, text] : content.elements) {
        if (text.empty()) {
            continue;
        }
        document += "  <";
        AppendUtf8(document, name.data(), name.size());
        document += ">";
        if (!AppendEscaped(document, text)) {
            return L"<" + name + L"> would hold a character that XML does not allow";
        }
        document += "</";
        AppendUtf8(document, name.data(), name.size());
        document += ">\n";
    }
    document += "  <comments>\n";
    for (const std::wstring& line : content.notes) {
        document += "    <line>";
        if (!AppendEscaped(document, line)) {
            return L"the notes hold a character that XML does not allow";
        }
        document += "</line>\n";
    }
    document += "  </comments>\n</update>\n";
    xml.swap(document);
    return std::wstring();
}

std::wstring ReadableSize(ULONGLONG bytes) {
    if (bytes < 1024) {
        return bytes == 1 ? L"1 byte" : std::to_wstring(bytes) + L" bytes";
    }
    const double kib = static_cast<double>(bytes) / 1024;
    if (std::nearbyint(kib) < 1024) {
        return std::to_wstring(static_cast<long long>(std::nearbyint(kib))) + L" KB";
    }
    const double mib = kib / 1024;
    if (std::nearbyint(mib * 10) / 10 < 1024) {
        return OneDecimal(mib) + L" MB";
    }
    return OneDecimal(mib / 1024) + L" GB";
}

std::wstring ReadNoteLines(const std::string& utf8, std::vector<std::wstring>& lines) {
    std::string_view bytes(utf8);
    if (bytes.substr(0, 3) == kUtf8Bom) {
        bytes.remove_prefix(3);
    }
    std::wstring text;
    if (!bytes.empty()) {
        const int count = static_cast<int>(bytes.size());
        const int needed =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
        text.resize(static_cast<size_t>(needed > 0 ? needed : 0));
        if (needed <= 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count,
                                               text.data(), needed) != needed) {
            return L"the notes are not UTF-8";
        }
    }
    std::vector<std::wstring> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        end = end == std::wstring::npos ? text.size() : end;
        const std::wstring line = Trimmed(text.substr(start, end - start));
        if (!line.empty()) {
            found.push_back(line);
        }
        start = end + 1;
    }
    lines.swap(found);
    return std::wstring();
}

} // namespace updater
