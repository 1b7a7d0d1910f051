#include "transform/FileBatch.hpp"

#include "platform/FailureMessages.hpp"
#include "transform/BatchReport.hpp"
#include "transform/FileRewrite.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace quilvane {
namespace {

using Kind = FileOutcome::Kind;

constexpr std::string_view kLineEnd = "\r\n";

// How an action goes: the very values of the one-file road.
struct Direction {
    bool encrypting;
    std::string_view title;
    std::string_view suffix;
    bool dropLineEnd;
};

// The bytes a file's pass reads.
std::uint64_t Length(const Document& file)
{
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(file.stamp.size, 0));
    return size > file.dropped ? size - file.dropped : 0;
}

FileOutcome OutcomeOf(const Rewrite& rewrite)
{
    if (!rewrite.shifted) {
        return {Kind::Irreversible, std::nullopt, {}};
    }
    if (rewrite.error) {
        return {rewrite.written ? Kind::NotDurable : Kind::Failed, rewrite.error, {}};
    }
    return {Kind::Done, std::nullopt, {}};
}

// The same file under a second name in one list would be written twice (an
// encryption encrypted again): only its first name is done. Known by its
// device and inode as they were when the files were chosen.
class Names {
public:
    std::optional<std::size_t> earlier(const std::vector<Document>& files, std::size_t index)
    {
        const FileStamp& stamp = files[index].stamp;
        if (!stamp.known()) {
            return std::nullopt;
        }
        const auto [found, added] = seen_.try_emplace({stamp.volume, stamp.fileId}, index);
        return added ? std::nullopt : std::optional(found->second);
    }

private:
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> seen_;
};

// Runs each file through the one-file road, in the order chosen. Cancel
// stops before the next file; a file begun is finished.
std::vector<FileOutcome> RewriteAll(WizardView& view, const Direction& direction, int delta,
                                    std::vector<Document>& files)
{
    std::vector<FileOutcome> outcomes(files.size());
    std::uint64_t total = 0;
    for (const Document& file : files) {
        total += Length(file);
    }
    const auto failure = RunWork(view, direction.title, true, [&](ProgressReport& report) {
        std::uint64_t before = 0;
        bool cancelled = false;
        Names names;
        for (std::size_t i = 0; i < files.size() && !cancelled; ++i) {
            report.tellFile(i + 1, files.size());
            if (!report.update(before, total)) {
                break;
            }
            const std::uint64_t length = Length(files[i]);
            if (const auto earlier = names.earlier(files, i)) {
                outcomes[i] = {Kind::SecondName, std::nullopt, files[*earlier].file};
            } else {
                Rewrite rewrite = RewriteDocument(
                    files[i], files[i].file, delta, direction.suffix, direction.dropLineEnd,
                    [&](std::uint64_t done, std::uint64_t) { cancelled |= !report.update(before + done, total); });
                outcomes[i] = OutcomeOf(rewrite);
                if (rewrite.written && !rewrite.notShown) {
                    files[i] = std::move(rewrite.document);
                } else if (rewrite.written) {
                    // Replaced, but not read again: only its name is known,
                    // and no stamp that would let it be written from.
                    Document replaced;
                    replaced.file = std::move(files[i].file);
                    files[i] = std::move(replaced);
                }
            }
            before += length;
        }
        report.update(before, total);
    });
    if (failure) {
        // The file at hand was left as it was (its temporary file gone), and
        // the ones after it not begun.
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (outcomes[i].kind == Kind::NotReached) {
                outcomes[i] = {Kind::Failed, FileError{files[i].file, *failure}, {}};
            }
        }
    }
    return outcomes;
}

void Choose(WizardView& view, std::vector<Document> files)
{
    std::vector<std::filesystem::path> names;
    names.reserve(files.size());
    for (const Document& file : files) {
        names.push_back(file.file);
    }
    view.setDialogFileNames(names);
    Document chosen;
    chosen.batch = std::move(files);
    view.setDocument(std::move(chosen));
}

void RewriteChosen(WizardView& view, const Direction& direction, int delta)
{
    std::vector<Document> files = view.document().batch;
    const std::vector<FileOutcome> outcomes = RewriteAll(view, direction, delta, files);
    const bool allDone = std::all_of(outcomes.begin(), outcomes.end(),
                                     [](const FileOutcome& outcome) { return outcome.kind == Kind::Done; });
    if (!allDone) {
        view.messageBox(BatchReportText(direction.encrypting, files, outcomes), msgbox::kOkOnly + msgbox::kExclamation,
                        BatchReportTitle(direction.encrypting));
        // The files not done stay chosen, as they were chosen; the others
        // hold their new content and are no longer the program's to touch.
        std::vector<Document> left;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (outcomes[i].kind != Kind::Done && outcomes[i].kind != Kind::NotDurable) {
                left.push_back(std::move(files[i]));
            }
        }
        if (left.empty()) {
            view.setDialogFileNames({});
            view.setDocument({});
            return;
        }
        Choose(view, std::move(left));
        return;
    }
    Choose(view, files);
    if (direction.encrypting) {
        const int answer = view.messageBox("加密已经完成，单击“确定”按钮退出。",
                                           msgbox::kOkCancel + msgbox::kInformation, "加密完成");
        if (answer == msgbox::kAnswerOk) {
            view.endProgram();
            return;
        }
        // Every file stays encrypted, its plain text pending, as the
        // one-file road keeps it.
        for (Document& file : files) {
            file.shift -= delta;
        }
        Choose(view, std::move(files));
        return;
    }
    view.messageBox("解密已经完成，单击“确定”按钮退出。", msgbox::kOkOnly + msgbox::kInformation, "解密完成");
    view.messageBox("感谢您使用由Tobrek编写制作的《Quilvane2.0》", msgbox::kOkOnly + msgbox::kInformation,
                    "工作完成");
    view.endProgram();
}

}  // namespace

void LoadChosenFiles(WizardView& view, const std::vector<std::filesystem::path>& chosen)
{
    view.setDocument({});
    std::vector<Document> files;
    std::vector<FileError> failures;
    const auto failure = RunWork(view, "正在打开文件", false, [&](ProgressReport&) {
        for (const auto& name : chosen) {
            // Opened for its stamp only: the view lists names and sizes.
            OpenedSource opened = OpenDocumentSource(name);
            if (opened.error) {
                failures.push_back(*opened.error);
                continue;
            }
            Document file;
            file.file = name;
            file.stamp = opened.source->stamp();
            files.push_back(std::move(file));
        }
    });
    if (failure) {
        files.clear();
        failures.clear();
        for (const auto& name : chosen) {
            failures.push_back({name, *failure});
        }
    }
    if (!failures.empty()) {
        view.messageBox(OpenFailuresText(failures, files.size()), msgbox::kOkOnly + msgbox::kCritical,
                        failure::kOpenTitle);
    }
    if (files.empty()) {
        view.setDialogFileNames({});
        return;
    }
    Choose(view, std::move(files));
}

bool SeveralChosen(const WizardView& view)
{
    const std::vector<Document>& files = view.document().batch;
    const std::vector<std::filesystem::path> names = view.dialogFileNames();
    return !files.empty() && std::equal(files.begin(), files.end(), names.begin(), names.end(),
                                        [](const Document& file, const auto& name) { return file.file == name; });
}

void EncryptChosenFiles(WizardView& view, int delta)
{
    RewriteChosen(view, {true, "正在加密文件", kLineEnd, false}, delta);
}

void DecryptChosenFiles(WizardView& view, int delta)
{
    RewriteChosen(view, {false, "正在解密文件", {}, true}, delta);
}

}  // namespace quilvane
