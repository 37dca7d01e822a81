// Invented title screens and in-game scenes for the demo collection's catalogue.
#pragma once

#include <QString>

namespace varnimo::picturegen {

// Reads the catalogue and draws one picture per screenshot name it lists (a few are left out
// on purpose, so the demo shows the missing-picture case). Returns how many were written.
int WriteDemoScreens(const QString& catalogue, const QString& folder);

}  // namespace varnimo::picturegen
