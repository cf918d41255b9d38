#include "net/resume.h"

#include "common/decimal.h"

#include <cwchar>

namespace updater {
namespace {

std::wstring Validator(CHttpFile& answer) {
    const std::wstring etag = answer.QueryHeader(HTTP_QUERY_ETAG);
    if (!etag.empty()) {
        return etag.compare(0, 2, L"W/") == 0 ? std::wstring() : etag;
    }
    return answer.QueryHeader(HTTP_QUERY_LAST_MODIFIED);
}

} // namespace

ResumeOffer ReadResumeOffer(CHttpFile& answer, ULONGLONG total) {
    ResumeOffer offer;
    offer.total = total;
    if (_wcsicmp(answer.QueryHeader(HTTP_QUERY_ACCEPT_RANGES).c_str(), L"bytes") == 0) {
        offer.validator = Validator(answer);
    }
    return offer;
}

std::wstring ResumeHeaders(const ResumeOffer& offer, ULONGLONG offset) {
    return L"Range: bytes=" + std::to_wstring(offset) + L"-\r\nIf-Range: " + offer.validator +
           L"\r\n";
}

bool ContinuesAt(CHttpFile& answer, const ResumeOffer& offer, ULONGLONG offset) {
    ULONGLONG first = 0, last = 0, total = 0;
    const std::wstring validator = Validator(answer);
    return ParseContentRange(answer.QueryHeader(HTTP_QUERY_CONTENT_RANGE), first, last, total) &&
           first == offset && total == offer.total && last + 1 == total &&
           (validator.empty() || validator == offer.validator);
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
