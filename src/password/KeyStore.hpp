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
KeyShift LoadKeyShift(const WizardView& view);

}  // namespace quilvane
