#include "password/KeyStore.hpp"

#include "platform/FileAccess.hpp"
#include "platform/WizardView.hpp"

namespace quilvane {

std::filesystem::path KeyFileDirectory(const WizardView& view)
{
    const auto program = view.programDirectory();
    if (DirectoryAcceptsNewFiles(program)) {
        return program;
    }
    return view.userDataDirectory();
}

std::optional<KeyFileError> StoreKeyDigit(const WizardView& view, std::int16_t keyDigit)
{
    const auto directory = KeyFileDirectory(view);
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
