#include "gui/qt/FontSetup.hpp"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace quilvane {
namespace {

// Where the distributions put the faces the interface asks for, in the
// order it asks for them: AR PL UMing, then Noto Sans CJK. The first found
// is the one the window will use.
struct InterfaceFont {
    const char* directory;
    const char* file;
};
constexpr InterfaceFont kInterfaceFonts[] = {
    {"/usr/share/fonts/truetype/arphic", "uming.ttc"},
    {"/usr/share/fonts/opentype/noto", "NotoSansCJK-Regular.ttc"},
    {"/usr/share/fonts/noto-cjk", "NotoSansCJK-Regular.ttc"},
};

bool IsFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

void LimitFontsToTheInterface()
{
    if (std::getenv("FONTCONFIG_FILE") || std::getenv("FONTCONFIG_PATH")) {
        return;
    }
    std::string directories;
    for (const InterfaceFont& font : kInterfaceFonts) {
        if (IsFile(std::string(font.directory) + "/" + font.file)) {
            directories = std::string("<dir>") + font.directory + "</dir>";
            break;
        }
    }
    if (directories.empty()) {
        return;
    }
    // The system's caches, so that no font file is read to learn what it holds.
    const std::string configuration = "<?xml version=\"1.0\"?><fontconfig>" + directories +
                                      "<cachedir>/var/cache/fontconfig</cachedir>"
                                      "<cachedir prefix=\"xdg\">fontconfig</cachedir></fontconfig>";
    FcConfig* config = FcConfigCreate();
    if (!config) {
        return;
    }
    const bool usable =
        FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(configuration.c_str()), FcFalse) &&
        FcConfigBuildFonts(config);
    const FcFontSet* fonts = usable ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
    if (fonts && fonts->nfont > 0) {
        FcConfigSetCurrent(config);
    }
    FcConfigDestroy(config);  // the current configuration keeps its own reference
}

}  // namespace quilvane
