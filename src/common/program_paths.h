#pragma once
// Where a program finds its own files and the user's: the folder of the running executable,
// the share folder installed beside it (build/share in the build tree, /usr/share/k9-90 when
// installed), and the user's configuration and data folders of the desktop's base
// directories.

#include <string>

namespace vx {

// The folder of the running executable.
std::string ExecutableFolder();
// The share folder that belongs to the running executable.
std::string InstalledShareFolder();
// $XDG_CONFIG_HOME, or ~/.config.
std::string UserConfigFolder();
// $XDG_DATA_HOME, or ~/.local/share.
std::string UserDataFolder();

}  // namespace vx
