#include "gui/qt/ImagePluginsEarly.hpp"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <system_error>

namespace quilvane {

std::jthread LoadImagePluginsEarly()
{
    try {
        return std::jthread([] {
            // Any picture of no announced format makes the reader ask every
            // plugin whether it can read it; the plugins stay loaded.
            QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
            QBuffer buffer(&bytes);
            QImageReader reader(&buffer);
            (void)reader.canRead();
        });
    } catch (const std::system_error&) {
        return {};  // no thread to be had: they load when first needed
    }
}

}  // namespace quilvane
