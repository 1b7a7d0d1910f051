#pragma once

#include "platform/Document.hpp"
#include "platform/DocumentFile.hpp"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quilvane {

// How one of several files came out of an action.
struct FileOutcome {
    enum class Kind {
        NotReached,    // cancelled before its turn
        Done,
        NotDurable,    // written, but the system could not confirm it on disk
        Irreversible,  // a character would not come back: nothing written
        Failed,        // refused or failed: nothing written
        SecondName,    // another name of a file earlier in the list
    };
    Kind kind = Kind::NotReached;
    std::optional<FileError> error;       // Failed, NotDurable
    std::filesystem::path earlier;        // SecondName: the earlier name
};

// A long list names this many files and counts the rest.
inline constexpr std::size_t kFilesNamed = 10;

// The message after an action on several files of which some were not done
// (`encrypting` or decrypting): how many were done, and every file that was
// not with its reason.
std::string BatchReportTitle(bool encrypting);
std::string BatchReportText(bool encrypting, const std::vector<Document>& files,
                            const std::vector<FileOutcome>& outcomes);

// Several files chosen at once of which some could not be opened;
// `opened` of them could.
std::string OpenFailuresText(const std::vector<FileError>& failures, std::size_t opened);

// What the document view shows for several files: name and size, one a line.
std::string FileListText(const std::vector<Document>& files);

}  // namespace quilvane
