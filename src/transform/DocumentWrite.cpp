#include "transform/DocumentWrite.hpp"

#include "platform/FileFaults.hpp"
#include "platform/FileRefusal.hpp"
#include "transform/ShiftStream.hpp"
#include "transform/ShiftText.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace quilvane {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The document's content, made from its file a stretch at a time, for the
// writer of the new file to take.
class ShiftedContent {
public:
    ShiftedContent(std::unique_ptr<DocumentSource> source, std::uint64_t length, const Document& document, int delta,
                   bool dropLineEnd, const PassProgress& progress)
        : source_(std::move(source)), length_(length), remaining_(length), progress_(progress),
          action_(ShiftStream::Options{delta, true, dropLineEnd})
    {
        if (document.shift != 0) {
            pending_.emplace(ShiftStream::Options{document.shift, false, false});
        }
    }

    // The next stretch of the content; false when it cannot be made.
    bool next(std::string_view& stretch)
    {
        while (!ended_) {
            stretch = remaining_ == 0 ? finish() : read();
            if (failed()) {
                return false;
            }
            if (!stretch.empty()) {
                return true;
            }
        }
        stretch = {};
        return true;
    }

    bool refused() const { return action_.refused(); }
    const std::error_code& readError() const { return readError_; }
    bool shrank() const { return shrank_; }

private:
    bool failed() const { return refused() || readError_ || shrank_; }

    std::string_view read()
    {
        ShiftStream& first = pending_ ? *pending_ : action_;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(first.capacity(), remaining_));
        const std::size_t got = source_->read(first.room(), want, readError_);
        if (readError_) {
            return {};
        }
        if (got == 0) {
            shrank_ = true;  // shorter than when it was opened: someone else is at it
            return {};
        }
        remaining_ -= got;
        if (progress_) {
            progress_(length_ - remaining_, length_);
        }
        if (!pending_) {
            return action_.take(got);
        }
        joined_.clear();
        feedAction(pending_->take(got));
        return joined_;
    }

    std::string_view finish()
    {
        ended_ = true;
        // Read to the end: closed before the new file is renamed over it,
        // which Windows refuses while anyone holds the file open.
        source_.reset();
        if (!pending_) {
            return action_.finish();
        }
        joined_.clear();
        feedAction(pending_->finish());
        joined_ += action_.finish();
        return joined_;
    }

    // A pending shift's output goes on through the action's own shift.
    void feedAction(std::string_view bytes)
    {
        std::string_view rest = bytes;  // in the pending stream's buffer, left alone meanwhile
        while (!rest.empty() && !action_.refused()) {
            const std::size_t part = std::min(rest.size(), action_.capacity());
            std::memcpy(action_.room(), rest.data(), part);
            joined_ += action_.take(part);
            rest.remove_prefix(part);
        }
    }

    std::unique_ptr<DocumentSource> source_;
    std::uint64_t length_;
    std::uint64_t remaining_;
    const PassProgress& progress_;
    std::optional<ShiftStream> pending_;
    ShiftStream action_;
    std::string joined_;
    std::error_code readError_;
    bool shrank_ = false;
    bool ended_ = false;
};

// The beginning of the document after the same change: the file is not
// read again for it.
std::string ShiftedExcerpt(const Document& document, int delta, bool dropLineEnd)
{
    std::string_view excerpt = document.excerpt;
    if (!document.more && dropLineEnd && excerpt.ends_with(kLineEnd)) {
        excerpt.remove_suffix(kLineEnd.size());
    }
    return ShiftText(excerpt, delta);
}

}  // namespace

DocumentWrite WriteShiftedDocument(const Document& document, int delta, bool dropLineEnd, std::string_view suffix,
                                   const PassProgress& progress)
{
    DocumentWrite result;
    const auto refuse = [&](std::error_code error) {
        result.replaced.error = FileError{document.file, error};
        return result;
    };
    OpenedSource opened = OpenDocumentSource(document.file);
    if (opened.error) {
        result.replaced.error = opened.error;
        return result;
    }
    const FileStamp stamp = opened.source->stamp();
    if (!(stamp == document.stamp) || static_cast<std::uint64_t>(stamp.size) < document.dropped) {
        return refuse(FileRefusal::ChangedOnDisk);
    }
    const std::uint64_t length = static_cast<std::uint64_t>(stamp.size) - document.dropped;
    ShiftedContent content(std::move(opened.source), length, document, delta, dropLineEnd, progress);

    ReplaceOptions options;
    options.expected = document.stamp;
    options.suffix = suffix;
    options.sizeHint = length;
    result.replaced = ReplaceFileContentFrom(
        document.file, kSizeUnknown, [&](std::string_view& stretch) { return content.next(stretch); }, options);
    if (content.refused()) {
        result.comesBack = false;
        result.replaced.error.reset();
        return result;
    }
    if (content.readError()) {
        result.readFailed = true;
        return refuse(content.readError());
    }
    if (content.shrank()) {
        return refuse(FileRefusal::ChangedOnDisk);
    }
    if (result.replaced.contentReplaced) {
        try {
            if (faults::Injected(faults::Step::ShowWritten)) {
                throw std::bad_alloc();
            }
            result.written = Document{document.file,
                                      result.replaced.stamp,
                                      suffix.size(),
                                      0,
                                      ShiftedExcerpt(document, delta, dropLineEnd),
                                      document.more,
                                      {}};
            result.shown = true;
        } catch (...) {
            // The file is replaced: only what the view shows of it is missing,
            // and the caller reads it again once this pass has let go.
        }
    }
    return result;
}

}  // namespace quilvane
