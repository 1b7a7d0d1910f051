#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quilvane {

// What the program is asked on its command line:
//   quilvane [FILE...]       the window; the files are opened on step 3 once
//                            the user gets there (a file manager's "Open
//                            with"), several chosen together
//   quilvane -h | --help     the usage, on standard output
//   quilvane --version       the version, on standard output
// "--" ends the options: what follows is a file even when it starts with
// "-". Qt's own options (-platform, -style, ...) are taken out by
// QApplication before the file is looked for.
struct CommandLine {
    enum class Request { Window, Help, Version, UsageError };
    Request request = Request::Window;
    // Absolute, made from the argument's own bytes (no change of encoding,
    // so any name the system can hold comes through), in the order given;
    // `startFile` is the first, empty when none.
    std::filesystem::path startFile;
    std::vector<std::filesystem::path> startFiles;
    // For a usage error: what was wrong and what to do, in Chinese.
    std::string error;
};

// `arguments` without the program's name, as the system passed them. Help and
// version go before anything else that stands before "--".
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionText();

}  // namespace quilvane
