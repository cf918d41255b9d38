#pragma once
// Continuing a download that the network broke off. A server that offers byte ranges and names
// the file's version (a validator) answers a request for the rest, "Range: bytes=N-" with
// "If-Range: <validator>", with 206 and the rest of the same file, or with 200 and the whole
// file when it has changed since.

#include "net/internet_handle.h"

#include <string>

namespace updater {

// How often one download continues after a break, and the pause before the first time
// (doubled for each later one).
constexpr int kMaxResumptions = 3;
constexpr DWORD kFirstResumePauseMs = 1000;

// What a complete (200) answer offered for continuing its body later.
struct ResumeOffer {
    ULONGLONG total = 0;
    // A strong ETag, else a strong Last-Modified; empty when neither.
    std::wstring validator;

    bool Usable() const { return !validator.empty(); }
};

// The offer of a 200 answer whose body has `total` bytes: unusable when the server offers no
// byte ranges or no strong validator. A weak ETag cannot pin a file to the byte, and neither
// can a Last-Modified less than a second older than the answer's Date (or one without Date):
// the file may change again within the same second.
ResumeOffer ReadResumeOffer(CHttpFile& answer, ULONGLONG total);

// The headers that ask for the rest of the body from `offset`.
std::wstring ResumeHeaders(const ResumeOffer& offer, ULONGLONG offset);

// Whether a 206 answer is the rest of the offered file from exactly `offset`: it names the
// offer's validator as its own strong one, its Content-Range runs from `offset` to the end of
// the same total, and its Content-Length is that part's length.
bool ContinuesAt(CHttpFile& answer, const ResumeOffer& offer, ULONGLONG offset);

// "bytes <first>-<last>/<total>"; false for anything else (a total of "*" included).
bool ParseContentRange(const std::wstring& text, ULONGLONG& first, ULONGLONG& last,
                       ULONGLONG& total);

} // namespace updater
