#include "fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QWidget>

namespace varnimo::ui {

void AddPlatformFallback(QWidget* widget) {
    QFont font = widget->font();
    const QString requested = font.family();
    const QString platform_sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    font.setFamilies({requested, QStringLiteral("DejaVu Sans"), platform_sans});
    font.setStyleHint(QFont::SansSerif);
    widget->setFont(font);
}

}  // namespace varnimo::ui
