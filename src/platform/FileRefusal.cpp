#include "platform/FileRefusal.hpp"

#include <string>

namespace quilvane {
namespace {

class RefusalCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "quilvane-file-refusal"; }
    std::string message(int value) const override
    {
        switch (static_cast<FileRefusal>(value)) {
        case FileRefusal::ReadOnly: return "the file is read-only";
        case FileRefusal::HardLinked: return "the file has other names (hard links)";
        case FileRefusal::ChangedOnDisk: return "the file changed on disk since it was loaded";
        case FileRefusal::NotRegularFile: return "not a regular file";
        case FileRefusal::NotPermitted: return "this user may not write the file";
        case FileRefusal::OwnerNotKept: return "the file's owner could not be kept";
        case FileRefusal::AccessNotKept: return "the file's access-control list or security label could not be kept";
        }
        return "refused";
    }
};

}  // namespace

const std::error_category& FileRefusalCategory()
{
    static const RefusalCategory category;
    return category;
}

std::error_code make_error_code(FileRefusal refusal)
{
    return {static_cast<int>(refusal), FileRefusalCategory()};
}

}  // namespace quilvane
