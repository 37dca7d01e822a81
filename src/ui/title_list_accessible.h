#pragma once
// What screen readers and other accessibility tools see of the title list: a list whose
// children are its lines, each named by its title.

namespace varnimo::ui {

// Registers the title list's accessibility interface with Qt; the first call does it, later
// calls do nothing.
void InstallTitleListAccessibility();

}  // namespace varnimo::ui
