#pragma once
// Window captions that other code searches for by title: a second instance looks for the two
// dialogs, and the install thread looks for an open cancel confirmation. The dialog templates
// in resources/updater.rc carry the same texts.

namespace updater {

constexpr wchar_t kProgressDialogCaption[] = L"正在升级，请稍候......";
constexpr wchar_t kOfferDialogCaption[] = L"发现新版本！是否立即升级？";
constexpr wchar_t kCancelConfirmationCaption[] = L"取消升级";

} // namespace updater
