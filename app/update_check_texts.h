#pragma once
// Every text the update check reports: the pieces of the offer text and the fixed messages.

namespace updater {
namespace check_texts {

// The offer text: kOfferInstalled, installed version, kOfferLatest, published version,
// kOfferSize, size text, kOfferDescription, description lines (each ended by "\r\n"), kOfferEnd.
constexpr wchar_t kOfferInstalled[] = L"当前版本：";
constexpr wchar_t kOfferLatest[] = L"\r\n\r\n最新版本：";
constexpr wchar_t kOfferSize[] = L"\r\n文件大小：";
constexpr wchar_t kOfferDescription[] = L"\r\n更新描述：\r\n";
constexpr wchar_t kOfferEnd[] = L"\r\n";

constexpr wchar_t kUpToDate[] = L"当前已经是最新版本了！";
constexpr wchar_t kConfigIncomplete[] = L"本地配置信息有错误！";
constexpr wchar_t kCannotConnect[] = L"无法连接远程服务器！请检查连接！";
constexpr wchar_t kDescriptorUnusable[] = L"远程升级信息配置有错误！";

} // namespace check_texts
} // namespace updater
