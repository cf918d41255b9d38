#include "net/resume.h"

#include "common/decimal.h"

#include <cwchar>

namespace updater {
namespace {

constexpr ULONGLONG kFileTimeSecond = 10000000;

// A modification time at least a second before the answer was made: within that second the
// file may have changed once more, under the same time.
bool IsStrongLastModified(CHttpFile& answer) {
    ULONGLONG modified = 0, date = 0;
    return answer.QueryTime(HTTP_QUERY_LAST_MODIFIED, modified) &&
           answer.QueryTime(HTTP_QUERY_DATE, date) && modified + kFileTimeSecond <= date;
}

// The answer's strong ETag, else its strong Last-Modified; empty when it has neither. A weak
// ETag says the server does not vouch for the bytes, so no Last-Modified counts beside it.
std::wstring StrongValidator(CHttpFile& answer) {
    const std::wstring etag = answer.QueryHeader(HTTP_QUERY_ETAG);
    if (!etag.empty()) {
        return etag.compare(0, 2, L"W/") == 0 ? std::wstring() : etag;
    }
    return IsStrongLastModified(answer) ? answer.QueryHeader(HTTP_QUERY_LAST_MODIFIED)
                                        : std::wstring();
}

} // namespace

ResumeOffer ReadResumeOffer(CHttpFile& answer, ULONGLONG total) {
    ResumeOffer offer;
    offer.total = total;
    if (_wcsicmp(answer.QueryHeader(HTTP_QUERY_ACCEPT_RANGES).c_str(), L"bytes") == 0) {
        offer.validator = StrongValidator(answer);
    }
    return offer;
}

std::wstring ResumeHeaders(const ResumeOffer& offer, ULONGLONG offset) {
    return L"Range: bytes=" + std::to_wstring(offset) + L"-\r\nIf-Range: " + offer.validator +
           L"\r\n";
}

bool ContinuesAt(CHttpFile& answer, const ResumeOffer& offer, ULONGLONG offset) {
    ULONGLONG first = 0, last = 0, total = 0, length = 0;
    return offer.Usable() && StrongValidator(answer) == offer.validator &&
           ParseContentRange(answer.QueryHeader(HTTP_QUERY_CONTENT_RANGE), first, last, total) &&
           first == offset && total == offer.total && last + 1 == total &&
           answer.QueryContentLength(length) && length == total - first;
}

bool ParseContentRange(const std::wstring& text, ULONGLONG& first, ULONGLONG& last,
                       ULONGLONG& total) {
    const wchar_t* at = text.c_str();
    if (_wcsnicmp(at, L"bytes ", 6) != 0) {
        return false;
    }
    at += 6;
    if (!ReadDecimal64(at, first) || *at++ != L'-' || !ReadDecimal64(at, last) || *at++ != L'/' ||
        !ReadDecimal64(at, total)) {
        return false;
    }
    return *at == L'\0' && first <= last && last < total;
}

} // namespace updater
