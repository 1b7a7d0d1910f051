#include "transform/FileRewrite.hpp"

#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"

namespace quilvane {

std::optional<std::error_code> RunWork(WizardView& view, std::string_view title, bool cancellable,
                                       const std::function<void(ProgressReport& report)>& work)
{
    try {
        view.runWork(title, cancellable, work);
    } catch (...) {
        return CurrentExceptionError();
    }
    return std::nullopt;
}

bool ReadFromFile(const Document& document, const std::filesystem::path& file)
{
    return document.file == file && document.stamp.known();
}

Rewrite RewriteDocument(const Document& document, const std::filesystem::path& file, int delta,
                        std::string_view suffix, bool dropLineEnd, const PassProgress& progress)
{
    Rewrite result;
    if (!ReadFromFile(document, file)) {
        result.shifted = true;
        result.error = FileError{file, FileRefusal::ChangedOnDisk};
        return result;
    }
    DocumentWrite written = WriteShiftedDocument(document, delta, dropLineEnd, suffix, progress);
    result.shifted = written.comesBack;
    result.error = written.replaced.error;
    result.written = written.replaced.contentReplaced;
    if (result.written) {
        result.document = std::move(written.written);
    }
    return result;
}

}  // namespace quilvane
