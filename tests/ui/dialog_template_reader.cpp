#include "dialog_template_reader.h"

#include <cstring>

namespace testing_support {
namespace {

// Walks the packed template with bounds checks; any overrun marks the reader as failed.
class TemplateCursor {
public:
    TemplateCursor(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }

    template <typename T> T Read() {
        T value{};
        if (!ok_ || offset_ + sizeof(T) > size_) {
            ok_ = false;
            return value;
        }
        std::memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::wstring ReadString() {
        std::wstring text;
        for (wchar_t c = Read<wchar_t>(); ok_ && c != L'\0'; c = Read<wchar_t>()) {
            text += c;
        }
        return text;
    }

    NameOrOrdinal ReadNameOrOrdinal() {
        NameOrOrdinal field;
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            field.isOrdinal = true;
            field.ordinal = Read<WORD>();
        } else if (first != 0) {
            field.name += static_cast<wchar_t>(first);
            field.name += ReadString();
        }
        return field;
    }

    void Skip(size_t bytes) {
        if (offset_ + bytes > size_) {
            ok_ = false;
            return;
        }
        offset_ += bytes;
    }

    // Items start on DWORD boundaries counted from the start of the template.
    void AlignToDword() { offset_ = (offset_ + 3) & ~static_cast<size_t>(3); }

private:
    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

std::wstring PredefinedClassName(WORD ordinal) {
    switch (ordinal) {
    case 0x0080:
        return L"Button";
    case 0x0081:
        return L"Edit";
    case 0x0082:
        return L"Static";
    case 0x0083:
        return L"ListBox";
    case 0x0084:
        return L"ScrollBar";
    case 0x0085:
        return L"ComboBox";
    default:
        return L"#" + std::to_wstring(ordinal);
    }
}

DialogItem ReadItem(TemplateCursor& cursor, bool extended) {
    DialogItem item;
    cursor.AlignToDword();
    if (extended) {
        cursor.Read<DWORD>(); // help id
        item.exStyle = cursor.Read<DWORD>();
        item.style = cursor.Read<DWORD>();
    } else {
        item.style = cursor.Read<DWORD>();
        item.exStyle = cursor.Read<DWORD>();
    }
    item.x = cursor.Read<short>();
    item.y = cursor.Read<short>();
    item.cx = cursor.Read<short>();
    item.cy = cursor.Read<short>();
    item.id =
        extended ? static_cast<int>(cursor.Read<DWORD>()) : static_cast<int>(cursor.Read<short>());
    const NameOrOrdinal windowClass = cursor.ReadNameOrOrdinal();
    item.className =
        windowClass.isOrdinal ? PredefinedClassName(windowClass.ordinal) : windowClass.name;
    item.title = cursor.ReadNameOrOrdinal();
    cursor.Skip(cursor.Read<WORD>()); // creation data
    return item;
}

} // namespace

bool ReadDialogTemplate(HMODULE module, WORD id, DialogTemplate& result) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (resource == nullptr) {
        return false;
    }
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    const DWORD size = SizeofResource(module, resource);
    if (data == nullptr || size == 0) {
        return false;
    }
    TemplateCursor cursor(data, size);
    DialogTemplate dialog;
    WORD itemCount = 0;
    if (size >= 4 && data[2] == 0xFF && data[3] == 0xFF) {
        dialog.extended = true;
        cursor.Read<WORD>();  // version
        cursor.Read<WORD>();  // signature
        cursor.Read<DWORD>(); // help id
        dialog.exStyle = cursor.Read<DWORD>();
        dialog.style = cursor.Read<DWORD>();
    } else {
        dialog.style = cursor.Read<DWORD>();
        dialog.exStyle = cursor.Read<DWORD>();
    }
    itemCount = cursor.Read<WORD>();
    dialog.x = cursor.Read<short>();
    dialog.y = cursor.Read<short>();
    dialog.cx = cursor.Read<short>();
    dialog.cy = cursor.Read<short>();
    dialog.menu = cursor.ReadNameOrOrdinal();
    dialog.windowClass = cursor.ReadNameOrOrdinal();
    dialog.caption = cursor.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = cursor.Read<WORD>();
        if (dialog.extended) {
            dialog.weight = cursor.Read<WORD>();
            dialog.italic = cursor.Read<BYTE>();
            dialog.charset = cursor.Read<BYTE>();
        }
        dialog.typeface = cursor.ReadString();
    }
    for (WORD k = 0; k < itemCount && cursor.ok(); ++k) {
        dialog.items.push_back(ReadItem(cursor, dialog.extended));
    }
    if (!cursor.ok()) {
        return false;
    }
    result = dialog;
    return true;
}

} // namespace testing_support
