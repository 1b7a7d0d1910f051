#include "gui/qt/CommandLine.hpp"

#include <system_error>

namespace quilvane {
namespace {

constexpr const char* kSeeHelp = "请运行 quilvane --help 查看用法。\n";

CommandLine UsageError(const std::string& what)
{
    CommandLine line;
    line.request = CommandLine::Request::UsageError;
    line.error = "quilvane：" + what + "\n" + kSeeHelp;
    return line;
}

bool IsOption(const std::string& argument)
{
    return argument.size() > 1 && argument.front() == '-';
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments)
{
    std::vector<std::string> files;
    std::string unknown;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || !IsOption(argument)) {
            files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            return {CommandLine::Request::Help, {}, {}, {}};
        } else if (argument == "--version") {
            return {CommandLine::Request::Version, {}, {}, {}};
        } else if (unknown.empty()) {
            unknown = argument;
        }
    }
    if (!unknown.empty()) {
        return UsageError("不认识的选项“" + unknown + "”。");
    }
    CommandLine line;
    for (const std::string& file : files) {
        if (file.empty()) {
            return UsageError("给出的文件名是空的。");
        }
        std::error_code error;
        std::filesystem::path absolute = std::filesystem::absolute(file, error);
        line.startFiles.push_back(error ? std::filesystem::path(file) : std::move(absolute));  // no current folder: as given
    }
    if (!line.startFiles.empty()) {
        line.startFile = line.startFiles.front();
    }
    return line;
}

std::string HelpText()
{
    return "用法：quilvane [文件]…\n"
           "      quilvane --help | --version\n"
           "\n"
           "打开 Quilvane " QUILVANE_VERSION " 文本文件加密解密向导。\n"
           "给出文件时（例如在文件管理器里用“打开方式”选择本程序），选择加密或解密并输入密码后，\n"
           "第三步会直接打开这些文件，就像用“打开文件”按钮选择的一样；给出几个文件时一次全部处理。\n"
           "\n"
           "  -h, --help     显示本说明后退出\n"
           "      --version  显示版本后退出\n"
           "  --             其后的参数都是文件名，即使以“-”开头\n"
           "\n"
           "Qt 程序的通用选项（例如 -platform、-style）照常可用。\n"
           "用法有误时退出码为 2。\n";
}

std::string VersionText()
{
    return "quilvane " QUILVANE_VERSION "\n";
}

}  // namespace quilvane
