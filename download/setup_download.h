#pragma once
// The setup program's download, from the request to the checked file: the folder of the run's
// own it lands in, the name it is saved under, the file held from its checks to its start, and
// what becomes of it afterwards. A download that breaks off is kept for a later run when the
// descriptor publishes the file's <sha256> (which tells a later run that it offers the same
// update, and checks the whole file at the end) and the server offers to continue it; that run
// takes its folder over and continues it (see download/kept_state.h).
//
// Threads: Prepare and Fetch run on the download thread. The path is written by Prepare before
// the transfer starts and only read afterwards. The held file and the kept state belong to the
// thread that fetches until that thread has ended; a thread that was given up keeps the file
// (DiscardAbandoned), and writes no state from then on.

#include "common/unique_handle.h"
#include "download/download_folder.h"
#include "download/kept_downloads.h"
#include "net/progress_interface.h"
#include "net/resume.h"
#include "update/setup_check.h"

#include <atomic>
#include <string>

namespace updater {

class SetupDownload {
public:
    // Takes over the download of `url` that an earlier run of this application kept, when it
    // is of the same <sha256> (requirements.sha256), began less than seven days ago and its
    // folder is a plain folder of the current user's holding nothing but that download;
    // otherwise makes the run's folder (held, private). Every other kept download of the
    // application is removed: at most one is kept. Then sets the path the program is saved
    // to. False when no folder can be made.
    bool Prepare(const std::wstring& url, const SetupRequirements& requirements);
    // The same under `place` instead of this updater's own.
    bool Prepare(const DownloadPlace& place, const std::wstring& url,
                 const SetupRequirements& requirements);

    // Downloads `url` to SavePath() with `sink` hearing the progress and asked whether to stop,
    // continuing a part taken over, then checks the file, held, against `requirements` (the
    // check stops at its next block when the sink asks). True when it arrived and passed: the
    // file stays held. An empty answer gives true without a file. On false no file is left,
    // only the folder; or a part kept for a later run with its state, when the download broke
    // off (not cancelled) after some bytes of a file that can be continued.
    bool Fetch(const std::wstring& url, const SetupRequirements& requirements,
               IPostionChanged& sink);

    const std::wstring& SavePath() const { return savePath_; }
    // The bytes of a part taken over by Prepare; 0 when the download starts from zero.
    ULONGLONG KeptBytes() const { return keptBytes_; }

    // Closes the held file and deletes it and any part kept: a download that is not to be
    // started after all, or was cancelled. On the thread that fetched.
    void Drop();
    // Lets go of the file and the folder, which a later run's clean-up removes once the started
    // program no longer uses it. After the fetching thread has ended.
    void Release();
    // Deletes the file and removes the folder; a part that Fetch kept stays, and the folder is
    // let go. After the fetching thread has ended.
    void Discard();
    // Deletes the file and removes the folder while the fetching thread still runs, blocked on
    // the network: its file, open for shared deletion, goes now or when that thread's handle
    // closes. False when the file is held for its checks and cannot go: the fetching thread is
    // then past the network and ends soon.
    bool DiscardAbandoned();

private:
    bool TakeOver(const KeptDownload& kept, const std::wstring& url);
    // Writes the state that lets a later run continue what the answer offers, or removes it.
    void KeepOffer(const ResumeOffer& offer);
    void DeleteState();
    void DeleteStateFile() const;

    DownloadFolder folder_;
    std::wstring savePath_;
    UniqueFileHandle held_;
    // A part is kept only for a download of a published <sha256>.
    bool keepable_ = false;
    KeptState state_;           // application, address and checksum from Prepare
    ULONGLONG keptBytes_ = 0;   // the part taken over
    bool stateWritten_ = false; // state_ is on disk, naming the part in the file
    bool partKept_ = false;     // Fetch failed and left that part for a later run
    std::atomic<bool> abandoned_{false};
};

} // namespace updater
