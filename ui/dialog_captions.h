#pragma once
// Window captions that more than one place needs. A second instance looks for the two dialogs
// by title and the install thread for an open cancel confirmation; the run step and the install
// thread both show error boxes. The two dialogs' templates in resources/updater.rc carry the
// same texts.

namespace updater {

constexpr wchar_t kProgressDialogCaption[] = L"正在升级，请稍候......";
constexpr wchar_t kOfferDialogCaption[] = L"发现新版本！是否立即升级？";
constexpr wchar_t kCancelConfirmationCaption[] = L"取消升级";
constexpr wchar_t kErrorBoxCaption[] = L"错误";

} // namespace updater
