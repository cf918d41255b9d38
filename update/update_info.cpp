#include "update/update_info.h"

#include "common/unique_handle.h"
#include "update/version.h"

#include <msxml.h>
#include <wrl/client.h>

#include <cstring>
#include <exception>
#include <optional>

namespace updater {

UpdateInfo g_updateInfo;

namespace {

using Microsoft::WRL::ComPtr;

// The text of a node and all its descendants; empty when the DOM cannot give it.
std::wstring NodeText(IXMLDOMNode* node) {
    BSTR received = nullptr;
    const HRESULT hr = node->get_text(&received);
    const UniqueBstr text(received);
    if (FAILED(hr) || !text) {
        return std::wstring();
    }
    return std::wstring(text.get(), SysStringLen(text.get()));
}

// The first element that `query` selects. S_OK with `node` set, E_POINTER when nothing matches,
// or the failure of the query call itself.
HRESULT SelectFirst(IXMLDOMDocument* document, const wchar_t* query, ComPtr<IXMLDOMNode>& node) {
    const UniqueBstr queryText(SysAllocString(query));
    const HRESULT hr = document->selectSingleNode(queryText.get(), node.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    return node ? S_OK : E_POINTER;
}

HRESULT ReadRequiredText(IXMLDOMDocument* document, const wchar_t* query, std::wstring& field) {
    ComPtr<IXMLDOMNode> node;
    const HRESULT hr = SelectFirst(document, query, node);
    if (SUCCEEDED(hr)) {
        field = NodeText(node.Get());
    }
    return hr;
}

// Joins the texts of the element's children, each ended by a line break.
HRESULT ReadComments(IXMLDOMDocument* document, std::wstring& comments) {
    ComPtr<IXMLDOMNode> element;
    HRESULT hr = SelectFirst(document, L"//comments", element);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IXMLDOMNodeList> children;
    hr = element->get_childNodes(children.GetAddressOf());
    if (FAILED(hr)) {
        return hr;
    }
    if (!children) {
        return E_POINTER;
    }
    long count = 0;
    if (FAILED(children->get_length(&count))) {
        count = 0;
    }
    for (long index = 0; index < count; ++index) {
        ComPtr<IXMLDOMNode> child;
        if (FAILED(children->get_item(index, child.GetAddressOf())) || !child) {
            continue;
        }
        comments += NodeText(child.Get());
        comments += L"\r\n";
    }
    return S_OK;
}

HRESULT ReadDocument(IXMLDOMDocument* document, UpdateInfo& info) {
    HRESULT hr = ReadRequiredText(document, L"//ver", info.ver);
    if (FAILED(hr)) {
        return hr;
    }
    hr = ReadRequiredText(document, L"//url", info.url);
    if (FAILED(hr)) {
        return hr;
    }
    // A failing query for the size is tolerated (the size stays empty); a missing element is not.
    ComPtr<IXMLDOMNode> sizeNode;
    const UniqueBstr sizeQuery(SysAllocString(L"//size"));
    if (SUCCEEDED(document->selectSingleNode(sizeQuery.get(), sizeNode.GetAddressOf()))) {
        if (!sizeNode) {
            return E_POINTER;
        }
        info.size = NodeText(sizeNode.Get());
    }
    return ReadComments(document, info.comments);
}

// The first element of this name, if any; an absent element or a failing query leaves the
// field empty, so that descriptors without it read exactly as before. True when it was found.
bool ReadOptionalText(IXMLDOMDocument* document, const wchar_t* query, std::wstring& field) {
    ComPtr<IXMLDOMNode> node;
    if (FAILED(SelectFirst(document, query, node))) {
        return false;
    }
    field = NodeText(node.Get());
    return true;
}

} // namespace

UpdateInfo::UpdateInfo() {
    CoInitialize(nullptr);
}

UpdateInfo::~UpdateInfo() {
    CoUninitialize();
}

namespace {

// A document type declaration can define entities that expand without bound; no descriptor
// needs one, so a descriptor with one is refused before MSXML sees it.
bool HasDocumentType(const wchar_t* text) {
    return text != nullptr && wcsstr(text, L"<!DOCTYPE") != nullptr;
}

// Asks the parser itself to refuse document types too, through its "ProhibitDTD" property
// (msxml.h declares no IXMLDOMDocument2, so the property is set through IDispatch). wine's
// MSXML takes no notice of it: there the scan above is what keeps document types out.
void ProhibitDocumentTypes(IXMLDOMDocument* document) {
    OLECHAR name[] = L"setProperty";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    if (FAILED(document->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return;
    }
    const UniqueBstr property(SysAllocString(L"ProhibitDTD"));
    VARIANTARG arguments[2];
    VariantInit(&arguments[0]);
    arguments[0].vt = VT_BOOL; // arguments go in reverse order
    arguments[0].boolVal = VARIANT_TRUE;
    VariantInit(&arguments[1]);
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = property.get();
    DISPPARAMS parameters = {arguments, nullptr, 2, 0};
    document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                     nullptr, nullptr);
}

} // namespace

HRESULT UpdateInfo::Parse(const char* bytes, size_t length) {
    ver.clear();
    size.clear();
    url.clear();
    comments.clear();
    sha256.clear();
    signature.clear();
    product.clear();
    args.clear();
    expires.reset();

    std::wstring decoded;
    if (!DecodeDescriptor(bytes, length, decoded)) {
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    }
    const UniqueBstr text(SysAllocStringLen(decoded.data(), static_cast<UINT>(decoded.size())));
    if (!text) {
        return E_OUTOFMEMORY;
    }
    if (HasDocumentType(text.get())) {
        return E_ACCESSDENIED;
    }
    decoded.clear();
    try {
        ComPtr<IXMLDOMDocument> document;
        // msxml.h gives the interfaces no __uuidof, so the IID is named.
        HRESULT hr =
            CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                             reinterpret_cast<void**>(document.GetAddressOf()));
        if (FAILED(hr)) {
            return hr;
        }
        ProhibitDocumentTypes(document.Get());
        // Text that does not parse leaves an empty document, in which no <ver> is found. The
        // text is already UTF-16, so MSXML takes no notice of the declared encoding.
        VARIANT_BOOL loaded = VARIANT_FALSE;
        hr = document->loadXML(text.get(), &loaded);
        if (FAILED(hr)) {
            return hr;
        }
        hr = ReadDocument(document.Get(), *this);
        if (FAILED(hr)) {
            return hr;
        }
        ReadOptionalText(document.Get(), L"//sha256", sha256);
        ReadOptionalText(document.Get(), L"//signature", signature);
        ReadOptionalText(document.Get(), L"//product", product);
        ReadOptionalText(document.Get(), L"//args", args);
        std::wstring expiry;
        if (ReadOptionalText(document.Get(), L"//expires", expiry)) {
            expires = expiry;
        }
        return S_OK;
    } catch (const std::exception&) {
        // The strings could not grow; what was read so far stays, as after any failure.
        return E_FAIL;
    }
}

HRESULT UpdateInfo::Parse(const char* descriptor) {
    return Parse(descriptor, descriptor ? std::strlen(descriptor) : 0);
}

int UpdateInfo::CompareWithLocal(std::wstring localVersion) const {
    return CompareVersions(localVersion, ver);
}

} // namespace updater
