#include "platform/FailureMessages.hpp"

#include "password/KeyFile.hpp"
#include "platform/DocumentFile.hpp"

#include <cerrno>
#include <cstring>

namespace quilvane {

std::string SystemReason(const std::error_code& error)
{
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (error.value()) {
        case ENOENT: return "文件或文件夹不存在";
        case EACCES:
        case EPERM: return "没有访问权限";
        case EISDIR: return "这是一个文件夹，不是文件";
        case ENOTDIR: return "路径中有一项不是文件夹";
        case ENOSPC: return "磁盘空间不足";
        case EDQUOT: return "超出磁盘配额";
        case EROFS: return "磁盘是只读的";
        case EFBIG: return "文件太大";
        case ENAMETOOLONG: return "文件名太长";
        case EBUSY:
        case ETXTBSY: return "文件正被其他程序使用";
        case EIO: return "磁盘读写错误";
        case ENOMEM: return "内存不足";
        case EMFILE:
        case ENFILE: return "打开的文件太多";
        default: break;
        }
    }
    return "系统错误 " + std::to_string(error.value()) + "：" + error.message();
}

std::string DisplayPath(const std::filesystem::path& path)
{
    return "“" + path.string() + "”";
}

namespace failure {

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

std::string OpenText(const FileError& error)
{
    return "无法打开文件" + DisplayPath(error.path) + "：" + SystemReason(error.error) + "。\n请选择其他文件。";
}

std::string SaveText(const FileError& error)
{
    return "无法写入文件" + DisplayPath(error.path) + "：" + SystemReason(error.error) +
           "。\n文件保持原样，没有被修改。";
}

std::string EncryptRefusedText(const std::filesystem::path& file)
{
    return "文件" + DisplayPath(file) +
           "中含有加密后无法准确解密还原的字节。\n为保护您的文件，本次没有做任何修改。";
}

std::string DecryptRefusedText(const std::filesystem::path& file)
{
    return "文件" + DisplayPath(file) +
           "中含有解密后无法准确还原的字节，它可能不是用本程序加密的文件。\n为保护您的文件，本次没有做任何修改。";
}

}  // namespace failure
}  // namespace quilvane
