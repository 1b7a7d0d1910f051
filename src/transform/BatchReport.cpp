#include "transform/BatchReport.hpp"

#include "platform/FailureMessages.hpp"
#include "platform/PathText.hpp"

#include <cstdio>

namespace quilvane {
namespace {

using Kind = FileOutcome::Kind;

std::string Count(std::size_t n)
{
    return std::to_string(n);
}

std::string Reason(bool encrypting, const std::filesystem::path& file, const FileOutcome& outcome)
{
    switch (outcome.kind) {
    case Kind::NotReached: return "操作已取消，没有处理";
    case Kind::Done: return {};
    case Kind::NotDurable: return SystemReason(outcome.error->error);
    case Kind::Irreversible:
        return encrypting ? "含有加密后无法准确解密还原的字节"
                          : "含有解密后无法准确还原的字节，它可能不是用本程序加密的文件";
    case Kind::Failed: return SystemReason(outcome.error->error);
    case Kind::SecondName:
        return outcome.earlier == file ? std::string("在列表中重复出现，只处理一次")
                                       : "与前面的" + DisplayPath(outcome.earlier) + "是同一个文件，只处理一次";
    }
    return {};
}

// One line per file, the first kFilesNamed of them; the rest counted.
template <typename Line>
std::string Listed(std::size_t count, const Line& line)
{
    std::string text;
    for (std::size_t i = 0; i < count && i < kFilesNamed; ++i) {
        text += line(i) + "\n";
    }
    if (count > kFilesNamed) {
        text += "……另有 " + Count(count - kFilesNamed) + " 个文件，这里没有一一列出。\n";
    }
    return text;
}

std::string SizeText(std::int64_t size)
{
    if (size < 1024) {
        return std::to_string(size) + " 字节";
    }
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(size) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

}  // namespace

std::string BatchReportTitle(bool encrypting)
{
    return encrypting ? "部分文件未加密" : "部分文件未解密";
}

std::string BatchReportText(bool encrypting, const std::vector<Document>& files,
                            const std::vector<FileOutcome>& outcomes)
{
    const std::string verb = encrypting ? "加密" : "解密";
    std::vector<std::size_t> notDone;
    std::vector<std::size_t> notDurable;
    std::size_t done = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].kind == Kind::Done) {
            ++done;
        } else if (outcomes[i].kind == Kind::NotDurable) {
            ++done;
            notDurable.push_back(i);
        } else {
            notDone.push_back(i);
        }
    }
    const auto line = [&](const std::vector<std::size_t>& which) {
        return [&](std::size_t i) {
            return DisplayPath(files[which[i]].file) + "：" + Reason(encrypting, files[which[i]].file, outcomes[which[i]]);
        };
    };
    std::string text = "已" + verb + " " + Count(done) + " 个文件，共 " + Count(outcomes.size()) + " 个。\n";
    if (!notDone.empty()) {
        text += "\n以下 " + Count(notDone.size()) + " 个文件没有" + verb + "，保持原样：\n";
        text += Listed(notDone.size(), line(notDone));
    }
    if (!notDurable.empty()) {
        text += "\n以下 " + Count(notDurable.size()) + " 个文件已经" + verb +
                "，但系统未能确认改动已保存到磁盘，断电或系统崩溃后可能变回原来的内容，请检查磁盘：\n";
        text += Listed(notDurable.size(), line(notDurable));
    }
    if (!notDone.empty()) {
        text += "\n单击“确定”后，没有" + verb +
                "的文件仍被选定，处理好后可以再试；被其他程序修改过的文件，请单击“打开文件”重新选定。";
    }
    return text;
}

std::string OpenFailuresText(const std::vector<FileError>& failures, std::size_t opened)
{
    std::string text = "以下 " + Count(failures.size()) + " 个文件无法打开：\n";
    text += Listed(failures.size(), [&](std::size_t i) {
        return DisplayPath(failures[i].path) + "：" + SystemReason(failures[i].error);
    });
    text += opened ? "\n其余 " + Count(opened) + " 个文件已经选定。" : "\n请选择其他文件。";
    return text;
}

std::string FileListText(const std::vector<Document>& files)
{
    std::string text;
    for (const Document& file : files) {
        text += PathToUtf8(file.file.filename()) + "\t" + SizeText(file.stamp.size) + "\n";
    }
    return text;
}

}  // namespace quilvane
