// What a fatal signal removes before it ends the process: the temporary file a picture is
// being written to, and a folder of pictures being put together (with the files written into
// it so far). Every signal whose default action ends the process, and whose action is still
// that default, gets a handler while something is registered; it removes what is registered
// and raises the signal again, so the process ends as the signal would have. A signal the
// caller ignores, or handles itself, is left alone. The state is async-signal-safe: fixed
// buffers, no allocation. One thread registers at a time.
#pragma once

#include <signal.h>

namespace cleanup {

// The temporary file NAME in the folder open as FOLDER (at most one at a time).
void SetTemporaryFile(int folder, const char* name);
void ClearTemporaryFile();

// The folder NAME in PARENT, open as FOLDER, that the program made and fills; each file it
// writes there is added as it appears (up to 64), and removed before the folder.
void SetStagingFolder(int parent, const char* name, int folder);
void AddStagedFile(const char* name);
void ClearStagingFolder();
// A folder NAME in PARENT that the program made for its output, removed last when still empty.
void SetMadeFolder(int parent, const char* name);
void ClearMadeFolder();

// Ignores SIGXFSZ while it lives, unless the caller handles it: a file-size limit then fails
// the write with EFBIG instead of ending the process without a word.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored();
    ~FileSizeSignalIgnored();
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    bool changed = false;
    struct sigaction saved {};
};

}  // namespace cleanup
