// The icon, the version information and the manifest linked into the exe.

#include "resources/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace updater {
namespace {

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD iconId;
};
#pragma pack(pop)

struct ResourceBytes {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

ResourceBytes FindResourceBytes(const wchar_t* name, const wchar_t* type) {
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr) {
        return {};
    }
    return {static_cast<const BYTE*>(LockResource(LoadResource(module, resource))),
            SizeofResource(module, resource)};
}

TEST(AppIcon, HoldsFiveSquareImagesOf32BitsWithSoftEdges) {
    const ResourceBytes group = FindResourceBytes(MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON);
    ASSERT_NE(nullptr, group.data);
    ASSERT_GE(group.size, sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::memcpy(&header, group.data, sizeof(header));
    EXPECT_EQ(1, header.type);
    ASSERT_EQ(5, header.count);
    ASSERT_EQ(sizeof(header) + header.count * sizeof(GroupIconEntry), group.size);

    const int expectedSizes[] = {64, 48, 32, 24, 16};
    for (int k = 0; k < header.count; ++k) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data + sizeof(header) + k * sizeof(entry), sizeof(entry));
        const int side = expectedSizes[k];
        SCOPED_TRACE("image " + std::to_string(side));
        EXPECT_EQ(side, entry.width);
        EXPECT_EQ(side, entry.height);
        EXPECT_EQ(32, entry.bitCount);

        const ResourceBytes image = FindResourceBytes(MAKEINTRESOURCEW(entry.iconId), RT_ICON);
        ASSERT_NE(nullptr, image.data);
        EXPECT_EQ(entry.bytesInResource, image.size);
        BITMAPINFOHEADER bitmap;
        ASSERT_GE(image.size, sizeof(bitmap));
        std::memcpy(&bitmap, image.data, sizeof(bitmap));
        EXPECT_EQ(side, bitmap.biWidth);
        EXPECT_EQ(2 * side, bitmap.biHeight); // colour rows, then the mask rows
        EXPECT_EQ(32, bitmap.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), bitmap.biCompression);
        const size_t pixelBytes = static_cast<size_t>(side) * side * 4;
        ASSERT_GE(image.size, sizeof(bitmap) + pixelBytes);

        // Transparent corners, an opaque middle, and partly transparent pixels along the edges.
        const BYTE* pixels = image.data + sizeof(bitmap);
        int transparent = 0, opaque = 0, partial = 0;
        for (size_t p = 0; p < pixelBytes; p += 4) {
            const BYTE alpha = pixels[p + 3];
            (alpha == 0 ? transparent : alpha == 255 ? opaque : partial)++;
        }
        EXPECT_EQ(0, pixels[3]) << "bottom-left corner";
        EXPECT_EQ(255, pixels[(side / 2 * side + side / 2) * 4 + 3]) << "centre";
        EXPECT_GT(opaque, side * side / 2);
        EXPECT_GT(partial, 0);
        EXPECT_GT(transparent, 0);

        // The system picks exactly this image when asked for its size.
        EXPECT_EQ(entry.iconId, LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data), TRUE,
                                                            side, side, LR_DEFAULTCOLOR));
    }
}

TEST(AppIcon, LoadsAtTheSystemIconSizes) {
    const int sizes[][2] = {{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)},
                            {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}};
    for (const auto& size : sizes) {
        HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                          IMAGE_ICON, size[0], size[1], LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, icon) << size[0] << "x" << size[1];
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        EXPECT_TRUE(GetObjectW(info.hbmColor, sizeof(colour), &colour));
        EXPECT_EQ(size[0], colour.bmWidth);
        EXPECT_EQ(size[1], colour.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return L"<missing>";
    }
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

TEST(VersionInformation, NamesTheProductAndItsMaker) {
    wchar_t exePath[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, exePath, MAX_PATH));
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exePath, &ignored);
    ASSERT_NE(0u, size);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exePath, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    EXPECT_EQ(L"Updater", VersionString(block, L"ProductName"));
    EXPECT_NE(L"<missing>", VersionString(block, L"CompanyName"));
    EXPECT_NE(L"<missing>", VersionString(block, L"FileDescription"));
    EXPECT_EQ(L"1.0.0.0", VersionString(block, L"FileVersion"));
}

TEST(Manifest, RunsAsInvokerWithCommonControls6AndDeclaresDpiAwareness) {
    const ResourceBytes manifest = FindResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest.data);
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    const char* required[] = {
        "level=\"asInvoker\"",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<dpiAware",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
    };
    for (const char* fragment : required) {
        EXPECT_NE(std::string::npos, text.find(fragment)) << fragment;
    }
}

} // namespace
} // namespace updater
