#include "transform/FileRewrite.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/SystemErrors.hpp"
#include "transform/ShiftStream.hpp"

#include <new>

namespace quilvane {
namespace {

// After a replace whose pass had no memory left to make the document the
// view shows: the file's beginning is read again, once the pass has let go
// of what it held. Failing that too, the file is replaced all the same and
// the caller is told the view cannot show it.
void ReadWhatTheFileHolds(const std::filesystem::path& file, std::string_view suffix, Rewrite& result)
{
    std::optional<FileError> lost = FileError{file, {}};
    try {
        if (faults::Injected(faults::Step::ShowWritten)) {
            throw std::bad_alloc();
        }
        LoadedDocument loaded = ReadDocumentStart(file, kExcerptLimit);
        if (loaded.error) {
            lost->error = loaded.error->error;
        } else {
            Document document = DocumentOf(file, std::move(loaded));
            // The line end an encryption wrote is no part of the text.
            document.dropped = suffix.size();
            if (!document.more && std::string_view(document.excerpt).ends_with(suffix)) {
                document.excerpt.resize(document.excerpt.size() - suffix.size());
            }
            result.document = std::move(document);
            return;
        }
    } catch (...) {
        lost->error = CurrentExceptionError();
    }
    result.error = std::move(lost);
    result.notShown = true;
}

}  // namespace

Document DocumentOf(const std::filesystem::path& file, LoadedDocument loaded)
{
    Document document;
    document.file = file;
    document.stamp = loaded.stamp;
    document.more = static_cast<std::uint64_t>(loaded.stamp.size) > loaded.bytes.size();
    if (document.more && !loaded.bytes.empty()) {
        loaded.bytes.resize(detail::LastCharacterStart(loaded.bytes));
    }
    document.excerpt = std::move(loaded.bytes);
    return document;
}

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
    result.readFailed = written.readFailed;
    if (result.written && written.shown) {
        result.document = std::move(written.written);
    } else if (result.written) {
        written = {};
        ReadWhatTheFileHolds(file, suffix, result);
    }
    return result;
}

}  // namespace quilvane
