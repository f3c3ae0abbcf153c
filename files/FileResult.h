// What became of a file command: the kind of outcome the window shows as its message, and the
// reason the command-line tool adds to it. The commands only return it; the window and the
// tool tell the user.
#pragma once

#include <string>

namespace halcyone {

enum class FileOutcome {
    Done,        // written, or read and applied
    CantCreate,  // the file (or the temporary beside it) could not be created or opened
    CantWrite,   // writing, syncing or putting the new file in place failed
    CantOpen,    // a file to read could not be opened
    CantRead,    // reading it failed
    Refused,     // the program declined; `detail` says why
    Skipped,     // nothing done and nothing to tell: the file dialog was cancelled, or a
                 // command that needs a composition ran before the first Compose
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Done;
    int systemError = 0;  // errno of the call that failed; 0 when the program itself decided
    std::string detail;   // the program's own reason (a refusal, a missing folder), or empty

    bool ok() const { return outcome == FileOutcome::Done; }
    // Something went wrong that the user is to be told of.
    bool failed() const { return outcome != FileOutcome::Done && outcome != FileOutcome::Skipped; }
    // Why, for a person: `detail`, else the system's text for systemError, else empty.
    std::string reason() const;
};

FileResult fileFailure(FileOutcome outcome, int systemError, std::string detail = {});

inline FileResult skippedCommand() { return {FileOutcome::Skipped, 0, {}}; }

// A failure, the file it concerns and why, in the words of a sentence's middle: "can't write
// /music/piece.wav: No space left on device". A refusal reads "can't <refusedVerb> FILE: why".
std::string describeFileFailure(const FileResult& result, const std::string& file,
                                const std::string& refusedVerb);

// The window's message box text for a failure: "Can't create", "Can't write", "Can't open",
// "Can't read", or a refusal's own sentence. Empty for success and for Skipped.
std::string windowMessage(const FileResult& result);

}  // namespace halcyone
