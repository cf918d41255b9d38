#pragma once
// One HTTP GET per call, into memory or into a local file, with progress reports and
// cancellation through an optional sink. Failures end in a false result and a
// kTransferFailed report; nothing is thrown to the caller.

#include "common/unique_handle.h"
#include "net/progress_interface.h"
#include "net/resume.h"

#include <windows.h>

#include <functional>
#include <string>

namespace updater {

// Answers of 400 and above carry an error page, never the document asked for.
constexpr DWORD kFirstErrorStatus = 400;

// The fetch into memory ends within this time, however the server behaves: it serves the
// update check, which the user waits for.
constexpr DWORD kFetchToMemoryDeadlineMs = 30000;

// Where a fetched body came from.
struct FetchOrigin {
    std::wstring url; // the address of the final request, after redirects
    DWORD status = 0; // its HTTP status
};

// Fetches url from the server itself (no cache answers it, and nothing is cached) into a
// calloc'ed block that the caller releases with free. On true, *block holds
// the body followed by a zero byte and *length the body's size, and *origin (when given) where
// it came from; on false none of them is written. An error page is returned like any other
// body: the caller judges it by origin->status. Reading stops once more than maxLength bytes
// have arrived (*length is then maxLength + 1).
bool HttpGetToMemory(const wchar_t* url, char** block, DWORD* length, IPostionChanged* sink,
                     DWORD maxLength = 0xFFFFFFFE, FetchOrigin* origin = nullptr);

// What a download to file may be given beyond its address, its path and its sink.
struct FileDownloadOptions {
    // Where a downloaded file is handed back open for reading and held: nobody can write,
    // replace or delete it until the handle is closed, while reading and starting it still work.
    UniqueFileHandle* held = nullptr;
    // A part of the same address that an earlier download left at localPath: its first
    // `keptBytes` bytes, of the file that `kept` names (strong validator, size of the whole
    // file). The download asks for the rest (Range and If-Range), appends it when the answer
    // provably continues that file, and otherwise starts from zero; so it does when the file
    // at localPath holds another number of bytes.
    ULONGLONG keptBytes = 0;
    ResumeOffer kept;
    // Told, as soon as the headers of an answer with the whole body are in (the first one, and
    // each that starts over), whether the download could be continued later and with what;
    // an offer that is not Usable() when it could not. Not told when a kept part continues.
    std::function<void(const ResumeOffer&)> onOffer;
    // A download that fails after some bytes for any reason but a cancel, of a file that its
    // server offered to continue, leaves its part at localPath instead of deleting it.
    bool keepPartOnFailure = false;
};

// Downloads url into localPath (replaced if it exists; missing directories are created). True
// when the transfer ended normally; an empty body then leaves no file. False when it failed or
// was aborted, the server answered with a status of 400 or above, or the body ended before its
// Content-Length; any file at localPath has then been deleted, unless `options` asked to keep
// a part that can be continued.
bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink,
                   const FileDownloadOptions& options);
// The same with only `held` (see FileDownloadOptions).
bool HttpGetToFile(const wchar_t* url, const wchar_t* localPath, IPostionChanged* sink,
                   UniqueFileHandle* held = nullptr);

} // namespace updater
