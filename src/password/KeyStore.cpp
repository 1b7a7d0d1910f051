#include "password/KeyStore.hpp"

#include "platform/FileAccess.hpp"
#include "platform/WizardView.hpp"

namespace quilvane {

std::filesystem::path KeyFileDirectory(const WizardView& view)
{
    // In a folder others may write too, the key file there may be someone
    // else's: it is left to them, and this user's goes to their own folder.
    const auto program = view.programDirectory();
    if (DirectoryAcceptsNewFiles(program) && !IsSomeoneElsesFile(KeyFilePath(program))) {
        return program;
    }
    return view.userDataDirectory();
}

std::optional<KeyFileError> StoreKeyDigit(const std::filesystem::path& directory, std::int16_t keyDigit)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        return KeyFileError{KeyFileError::Kind::CannotWrite, KeyFilePath(directory), error};
    }
    return WriteKeyFile(directory, keyDigit);
}

std::optional<KeyFileError> StoreKeyDigit(const std::filesystem::path& directory, const std::filesystem::path& fallback,
                                          std::int16_t keyDigit)
{
    auto error = StoreKeyDigit(directory, keyDigit);
    if (error && fallback != directory && !StoreKeyDigit(fallback, keyDigit)) {
        error.reset();
    }
    return error;
}

KeyShift LoadKeyShift(const WizardView& view)
{
    const auto chosen = KeyFileDirectory(view);
    const auto data = view.userDataDirectory();
    if (chosen != data) {
        std::error_code dataError;
        std::error_code chosenError;
        const auto dataWritten = std::filesystem::last_write_time(KeyFilePath(data), dataError);
        const auto chosenWritten = std::filesystem::last_write_time(KeyFilePath(chosen), chosenError);
        const bool chosenHolds = !chosenError && std::filesystem::is_regular_file(
                                                     std::filesystem::symlink_status(KeyFilePath(chosen), chosenError));
        if (!dataError && (!chosenHolds || dataWritten > chosenWritten)) {
            return ReadKeyShift(data);
        }
    }
    return ReadKeyShift(chosen);
}

}  // namespace quilvane
