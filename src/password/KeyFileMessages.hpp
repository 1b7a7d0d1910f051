#pragma once

#include <string>

namespace quilvane {

struct KeyFileError;

// The message that reports a failure of the key file instead of ending the
// program: it names the file, says what went wrong and what to do.
namespace failure {
inline constexpr const char* kKeyFileTitle = "密钥文件出错";

std::string KeyFileText(const KeyFileError& error);
}  // namespace failure

}  // namespace quilvane
