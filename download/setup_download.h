#pragma once
// The setup program's download, from the request to the checked file: the folder of the run's
// own it lands in, the name it is saved under, the file held from its checks to its start, and
// what becomes of it afterwards.
//
// Threads: Prepare and Fetch run on the download thread. The path is written by Prepare before
// the transfer starts and only read afterwards. The held file belongs to the thread that
// fetches until that thread has ended; a thread that was given up keeps it (DiscardAbandoned).

#include "common/unique_handle.h"
#include "download/download_folder.h"
#include "net/progress_interface.h"
#include "update/setup_check.h"

#include <string>

namespace updater {

class SetupDownload {
public:
    // Makes the run's folder under the user's temporary folder (held, private) and the path
    // the program at `url` is saved to. False when no folder can be made.
    bool Prepare(const std::wstring& url);

    // Downloads `url` to SavePath() with `sink` hearing the progress and asked whether to stop,
    // then checks the file, held, against `requirements` (the check stops at its next block
    // when the sink asks). True when it arrived and passed: the file stays held. An empty
    // answer gives true without a file. On false no file is left, only the folder.
    bool Fetch(const std::wstring& url, const SetupRequirements& requirements,
               IPostionChanged& sink);

    const std::wstring& SavePath() const { return savePath_; }

    // Closes the held file and deletes it: a download that passed its checks but is not to be
    // started after all. On the thread that fetched.
    void Drop();
    // Lets go of the file and the folder, which a later run's clean-up removes once the started
    // program no longer uses it. After the fetching thread has ended.
    void Release();
    // Deletes the file and removes the folder. After the fetching thread has ended.
    void Discard();
    // The same while the fetching thread still runs, blocked on the network: its file, open for
    // shared deletion, goes now or when that thread's handle closes. False when the file is held
    // for its checks and cannot go: the fetching thread is then past the network and ends soon.
    bool DiscardAbandoned();

private:
    DownloadFolder folder_;
    std::wstring savePath_;
    UniqueFileHandle held_;
};

} // namespace updater
