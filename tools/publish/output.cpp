#include "tools/updater_check/output.h"

#include "common/unique_handle.h"
#include "common/utf8.h"
#include "update/descriptor_text.h"

#include <msxml.h>
#include <wininet.h>
#include <wrl/client.h>

#include <algorithm>

using Microsoft::WRL::ComPtr;
using updater::AppendUtf8;
using updater::UniqueBstr;

namespace {

constexpr size_t kConsolePiece = 8192; // characters

} // namespace

void Print(const std::wstring& line) {
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
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
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
    for (size_t start = 0; start < utf8.size(); start += written) {
        if (!WriteFile(out, utf8.data() + start, static_cast<DWORD>(utf8.size() - start), &written,
                       nullptr) ||
            written == 0) {
            return;
        }
    }
}

std::wstring InternetErrorName(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_INVALID_CA:
        return L"certificate not trusted: unknown certificate authority";
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        // wine reports a certificate from an authority it does not trust this way too.
        return L"certificate revocation check failed, or certificate not trusted";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        return L"certificate name mismatch: the certificate is not for this host name";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        return L"certificate expired or not yet valid";
    case ERROR_INTERNET_TIMEOUT:
        return L"timed out";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return L"address not accepted (only http and https)";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return L"host name not resolved";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return L"cannot connect";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return L"connection aborted, or no answer in time";
    case WSAETIMEDOUT:
        return L"no data in time";
    default:
        return L"see wininet.h";
    }
}

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
        wchar_t hex[16];
        wsprintfW(hex, L" (0x%08X)", static_cast<unsigned>(code));
        return L"XML error" + where + L": " + FromBstr(reason.get()) + hex;
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
    wchar_t code[16];
    wsprintfW(code, L"0x%08X", static_cast<unsigned>(parsed));
    return why.empty() ? std::wstring(L"error ") + code : why;
}
