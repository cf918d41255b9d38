#include "tools/publish/check_wording.h"

#include "common/hex_digit.h"
#include "common/unique_handle.h"
#include "update/descriptor_text.h"

#include <msxml.h>
#include <wininet.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;
using updater::HexCode;
using updater::UniqueBstr;

namespace {

std::wstring FromBstr(BSTR text) {
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// The same parser as the updater's, asked this time where and why the text is not XML.
std::wstring DescribeDocument(const std::wstring& decoded) {
    ComPtr<IXMLDOMDocument> document;
    // msxml.h gives the interfaces no __uuidof, so the IIDs are named.
    if (FAILED(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.GetAddressOf())))) {
        return L"MSXML is not available";
    }
    const UniqueBstr text(SysAllocStringLen(decoded.data(), static_cast<UINT>(decoded.size())));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->loadXML(text.get(), &loaded);
    ComPtr<IXMLDOMParseError> error;
    LONG code = 0;
    if (SUCCEEDED(document->get_parseError(error.GetAddressOf())) && error &&
        SUCCEEDED(error->get_errorCode(&code)) && code != 0) {
        LONG line = 0;
        LONG column = 0;
        BSTR received = nullptr;
        error->get_line(&line);
        error->get_linepos(&column);
        error->get_reason(&received);
        const UniqueBstr reason(received);
        // Some MSXML builds (wine's among them) report no position; no "line 0" is made up.
        const std::wstring where =
            line > 0 ? L" at line " + std::to_wstring(line) + L", column " + std::to_wstring(column)
                     : L"";
        return L"XML error" + where + L": " + FromBstr(reason.get()) + L" (" + HexCode(code) + L")";
    }
    for (const wchar_t* name : {L"ver", L"url", L"size", L"comments"}) {
        const UniqueBstr query(SysAllocString((std::wstring(L"//") + name).c_str()));
        ComPtr<IXMLDOMNode> node;
        if (document->selectSingleNode(query.get(), node.GetAddressOf()) != S_OK || !node) {
            return std::wstring(L"the element <") + name + L"> is missing";
        }
    }
    return L"";
}

} // namespace

std::wstring DescribeParseFailure(HRESULT parsed, const std::vector<char>& bytes) {
    if (parsed == HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION)) {
        return L"the bytes are not valid in the encoding the descriptor names";
    }
    if (parsed == E_ACCESSDENIED) {
        return L"document type declarations are refused";
    }
    std::wstring decoded;
    std::wstring why;
    if (updater::DecodeDescriptor(bytes.data(), bytes.size(), decoded)) {
        why = DescribeDocument(decoded);
    }
    return why.empty() ? L"error " + HexCode(parsed) : why;
}

std::wstring TrustErrorName(LONG status) {
    switch (status) {
    case TRUST_E_NOSIGNATURE:
        return L"not signed";
    case TRUST_E_BAD_DIGEST:
        return L"changed after it was signed";
    case CERT_E_UNTRUSTEDROOT:
        return L"signed with a certificate from an authority this machine does not trust";
    case CERT_E_EXPIRED:
        return L"signed with a certificate that was not valid at the time";
    case CERT_E_WRONG_USAGE:
        return L"signed with a certificate that is not for code signing";
    case TRUST_E_CERT_SIGNATURE:
        return L"a certificate's signature cannot be verified";
    default:
        return L"see winerror.h";
    }
}
