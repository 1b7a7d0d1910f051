#include "gui/qt/InterfaceFont.hpp"

#include <QStringList>

namespace quilvane {

QFont InterfaceFont()
{
    QFont font;
    // The first of these the system has: AR PL UMing comes with the package.
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    font.setStretch(QFont::Unstretched);
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
    font.setWordSpacing(0);
    font.setCapitalization(QFont::MixedCase);
    return font;
}

}  // namespace quilvane
