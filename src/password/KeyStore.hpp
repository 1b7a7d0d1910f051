#pragma once

#include "password/KeyFile.hpp"

#include <filesystem>
#include <optional>

namespace quilvane {

class WizardView;

// The key file lives beside the executable; where that directory cannot be
// written (an installed program), or its key file is another user's, in the
// user's data directory instead. The same rule serves writing and reading.
std::filesystem::path KeyFileDirectory(const WizardView& view);

// Writes the key file into `directory` (one of KeyFileDirectory), making the
// directory first where it does not exist yet.
std::optional<KeyFileError> StoreKeyDigit(const std::filesystem::path& directory, std::int16_t keyDigit);
// The same, and where `directory` refuses the key file for any reason (a
// filesystem that fails, a folder in the way), into `fallback`, the user's
// data directory. The first failure is told when both fail.
std::optional<KeyFileError> StoreKeyDigit(const std::filesystem::path& directory, const std::filesystem::path& fallback,
                                          std::int16_t keyDigit);
// Reads the key file back from where it was written last: the directory
// the rule chooses, or the user's data directory where a write there came
// later.
KeyShift LoadKeyShift(const WizardView& view);

}  // namespace quilvane
