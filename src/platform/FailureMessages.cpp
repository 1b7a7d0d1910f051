#include "platform/FailureMessages.hpp"

#include "platform/DocumentFile.hpp"
#include "platform/FileRefusal.hpp"
#include "platform/PathText.hpp"
#include "platform/SystemErrors.hpp"

namespace quilvane {

std::string SystemReason(const std::error_code& error)
{
    if (error.category() == FileRefusalCategory()) {
        switch (static_cast<FileRefusal>(error.value())) {
        case FileRefusal::ReadOnly: return "文件被设为只读";
        case FileRefusal::HardLinked: return "这个文件还有其他名称（硬链接），改写后其他名称仍会保留原来的内容";
        case FileRefusal::ChangedOnDisk: return "文件在本程序打开它之后被其他程序修改过";
        case FileRefusal::NotRegularFile: return "这不是一个普通文件";
        case FileRefusal::NotPermitted: return "您没有修改这个文件的权限";
        case FileRefusal::OwnerNotKept: return "这个文件属于其他用户，改写后无法保留它原来的所有者";
        case FileRefusal::AccessNotKept: return "改写后无法保留这个文件原有的访问权限设置（访问控制列表或安全标签）";
        }
    }
    switch (ClassifySystemError(error)) {
    case SystemFailure::NotFound: return "文件或文件夹不存在";
    case SystemFailure::AccessDenied: return "没有访问权限";
    case SystemFailure::IsADirectory: return "这是一个文件夹，不是文件";
    case SystemFailure::NotADirectory: return "路径中有一项不是文件夹";
    case SystemFailure::DiskFull: return "磁盘空间不足";
    case SystemFailure::QuotaExceeded: return "超出磁盘配额";
    case SystemFailure::ReadOnlyDisk: return "磁盘是只读的";
    case SystemFailure::FileTooLarge: return "文件太大";
    case SystemFailure::NameTooLong: return "文件名太长";
    case SystemFailure::Busy: return "文件正被其他程序使用";
    case SystemFailure::HeldOpenElsewhere: return "文件正被其他程序打开，那个程序不允许同时改动它";
    case SystemFailure::DiskError: return "磁盘读写错误";
    case SystemFailure::OutOfMemory: return "内存不足";
    case SystemFailure::TooManyOpenFiles: return "打开的文件太多";
    case SystemFailure::NotSupported: return "文件所在的文件系统不支持这项操作";
    case SystemFailure::Interrupted: return "操作被系统中断";
    case SystemFailure::TooManyLinks: return "路径中的符号链接太多或形成了循环";
    case SystemFailure::ConnectionLost: return "文件所在的设备或网络连接已经断开";
    case SystemFailure::TryAgain: return "系统暂时无法完成这项操作";
    case SystemFailure::Other: break;
    }
    return "系统错误 " + std::to_string(error.value()) + "：" + SystemErrorText(error);
}

std::string DisplayPath(const std::filesystem::path& path)
{
    return "“" + PathToUtf8(path) + "”";
}

namespace failure {

std::string OpenText(const FileError& error)
{
    return "无法打开文件" + DisplayPath(error.path) + "：" + SystemReason(error.error) + "。\n请选择其他文件。";
}

std::string SaveText(const FileError& error)
{
    std::string advice;
    if (error.error == FileRefusal::ChangedOnDisk) {
        advice = "\n为免覆盖别人的修改，请单击“打开文件”重新打开它后再试。";
    } else if (error.error == FileRefusal::ReadOnly) {
        advice = "\n如确需改写，请先取消该文件的只读属性。";
    } else if (error.error == FileRefusal::HardLinked) {
        advice = "\n请先删除多余的链接，或复制一份再操作。";
    } else if (error.error == FileRefusal::NotPermitted || error.error == FileRefusal::OwnerNotKept ||
               error.error == FileRefusal::AccessNotKept) {
        advice = "\n请让文件的所有者或管理员来操作，或复制一份属于您自己的文件再操作。";
    } else if (ClassifySystemError(error.error) == SystemFailure::HeldOpenElsewhere) {
        advice = "\n请关闭正在使用它的程序后再试。";
    }
    return "无法写入文件" + DisplayPath(error.path) + "：" + SystemReason(error.error) +
           "。\n文件保持原样，没有被修改。" + advice;
}

std::string ReadText(const FileError& error)
{
    return "无法读取文件" + DisplayPath(error.path) + "：" + SystemReason(error.error) +
           "。\n文件保持原样，没有被修改。请检查文件所在的磁盘或网络连接后再试。";
}

std::string NotShownText(const FileError& error)
{
    return "文件" + DisplayPath(error.path) + "已经改写完成，但无法在窗口中显示它现在的内容：" +
           SystemReason(error.error) + "。\n如需查看或再次操作，请单击“打开文件”重新打开它。";
}

std::string NotDurableText(const FileError& error)
{
    return "文件" + DisplayPath(error.path) + "已经改写，但系统未能确认改动已保存到磁盘：" + SystemReason(error.error) +
           "。\n如果此后计算机断电或系统崩溃，文件可能变回改写前的内容。请检查磁盘后重新打开文件，确认它的内容。";
}

std::string RestoreText(const std::filesystem::path& file, const std::error_code& error)
{
    return "文件" + DisplayPath(file) + "已经加密保存，但无法在窗口中还原显示原文：" + SystemReason(error) +
           "。\n如需再次操作，请单击“打开文件”重新打开它。";
}

std::string UnexpectedText(const std::error_code& error)
{
    return "本次操作未能完成：" + SystemReason(error) + "。\n请关闭其他程序后再试。";
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
