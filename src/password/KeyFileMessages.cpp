#include "password/KeyFileMessages.hpp"

#include "password/KeyFile.hpp"
#include "platform/FailureMessages.hpp"

namespace quilvane::failure {

std::string KeyFileText(const KeyFileError& error)
{
    const std::string file = DisplayPath(error.path);
    switch (error.kind) {
    case KeyFileError::Kind::CannotWrite:
        return "无法写入密钥文件" + file + "：" + SystemReason(error.systemError) +
               "。\n请确认该文件夹可以写入，然后再单击“下一步”。";
    case KeyFileError::Kind::CannotRead:
        return "无法读取密钥文件" + file + "：" + SystemReason(error.systemError) +
               "。\n文件没有被修改。请重新启动本程序并再次输入密码。";
    case KeyFileError::Kind::TooFewFields:
    case KeyFileError::Kind::NotANumber:
        break;
    }
    return "密钥文件" + file + "已损坏，无法读出密钥。\n文件没有被修改。请重新启动本程序并再次输入密码。";
}

}  // namespace quilvane::failure
