#pragma once
// Which program file an emulator is, in a folder or on the search path. One answer for the
// Options dialog's check, the Run buttons and the import that fills options.dat.
//
// Windows builds know "snes9x.exe" and "zsnesw.exe" only. Elsewhere Snes9X is "snes9x" or
// "snes9x-gtk" (the name of its GTK build, which Linux distributions ship) and ZSNES is
// "zsnesw" or "zsnes" (the name of its Linux build); the first that exists, in that order.

#include <string>
#include <string_view>
#include <vector>

namespace varnimo::settings {

enum class Emulator { Snes9x, Zsnes };

// The program names of `emulator`, in the order they are looked for.
const std::vector<std::string>& EmulatorProgramNames(Emulator emulator);

// `folder` (ending with a separator, or empty for the working directory) followed by the
// first name that is a file there; empty when none is.
std::string FindEmulatorProgram(const std::string& folder, Emulator emulator);

// The folder, with its trailing separator, of the first name found in a folder of `path`
// (a PATH value): each name is looked for in every folder before the next name is tried.
// Empty when none is found. Folders of PATH that are empty or relative are passed over.
std::string FindEmulatorOnPath(Emulator emulator, std::string_view path);

// The program the Run button starts for an emulator set to `folder`:
//  - the first name that exists in the folder;
//  - for an empty folder, the first name found in an absolute folder of PATH, by its full
//    path: the system's own search would also take PATH's empty and relative entries, which
//    name the working directory, so a program of that name lying in a collection folder
//    would run instead; empty when none is found, and nothing is to be started;
//  - for a folder that holds none of them, the folder and the first name (starting it fails
//    silently, as any start of a missing program does).
std::string EmulatorProgramToStart(const std::string& folder, Emulator emulator);

}  // namespace varnimo::settings
