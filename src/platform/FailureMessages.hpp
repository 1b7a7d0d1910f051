#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace quilvane {

struct FileError;

// The system's reason for a failed file operation, in Chinese.
std::string SystemReason(const std::error_code& error);

// A path as the user reads it in a message.
std::string DisplayPath(const std::filesystem::path& path);

// Texts of the messages that report a failure instead of ending the program.
// Each names the file, says what went wrong and what to do.
namespace failure {
inline constexpr const char* kOpenTitle = "无法打开文件";
inline constexpr const char* kSaveTitle = "无法保存文件";
inline constexpr const char* kEncryptRefusedTitle = "无法加密";
inline constexpr const char* kDecryptRefusedTitle = "无法解密";
inline constexpr const char* kNotDurableTitle = "无法确认保存";
inline constexpr const char* kRestoreTitle = "无法还原文本";
inline constexpr const char* kUnexpectedTitle = "操作未能完成";
inline constexpr const char* kReadTitle = "无法读取文件";
inline constexpr const char* kNotShownTitle = "无法显示文件";

std::string OpenText(const FileError& error);
std::string SaveText(const FileError& error);
// The file could not be read to its end, so nothing was written.
std::string ReadText(const FileError& error);
// The file took its new content; the view could not show it.
std::string NotShownText(const FileError& error);
// The file took its new content, but the system could not make it durable.
std::string NotDurableText(const FileError& error);
// The file is encrypted; the view could not show its plain text again.
std::string RestoreText(const std::filesystem::path& file, const std::error_code& error);
// An action ended by a failure nobody expected at that point.
std::string UnexpectedText(const std::error_code& error);
std::string EncryptRefusedText(const std::filesystem::path& file);
std::string DecryptRefusedText(const std::filesystem::path& file);
}  // namespace failure

}  // namespace quilvane
