#include "files/FileResult.h"

#include <cstring>
#include <utility>

namespace halcyone {

std::string FileResult::reason() const {
    if (!detail.empty()) return detail;
    if (systemError != 0) return std::strerror(systemError);
    return {};
}

FileResult fileFailure(FileOutcome outcome, int systemError, std::string detail) {
    return FileResult{outcome, systemError, std::move(detail)};
}

std::string windowMessage(const FileResult& result) {
    switch (result.outcome) {
        case FileOutcome::Done:
        case FileOutcome::Skipped:
            return {};
        case FileOutcome::CantCreate:
            return "Can't create";
        case FileOutcome::CantWrite:
            return "Can't write";
        case FileOutcome::CantOpen:
            return "Can't open";
        case FileOutcome::CantRead:
            return "Can't read";
        case FileOutcome::Refused:
            return result.detail;
    }
    return {};
}

std::string describeFileFailure(const FileResult& result, const std::string& file,
                                const std::string& refusedVerb) {
    std::string verb = refusedVerb;
    switch (result.outcome) {
        case FileOutcome::CantCreate: verb = "create"; break;
        case FileOutcome::CantWrite: verb = "write"; break;
        case FileOutcome::CantOpen: verb = "open"; break;
        case FileOutcome::CantRead: verb = "read"; break;
        case FileOutcome::Done:
        case FileOutcome::Refused:
        case FileOutcome::Skipped: break;
    }
    const std::string why = result.reason();
    return "can't " + verb + " " + file + (why.empty() ? "" : ": " + why);
}

}  // namespace halcyone
