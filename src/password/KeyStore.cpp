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

KeyShift LoadKeyShift(const WizardView& view)
{
    return ReadKeyShift(KeyFileDirectory(view));
}

}  // namespace quilvane
