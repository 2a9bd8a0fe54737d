#pragma once
// A program that writes its results at the end of a long run checks first that the file can
// be made at all, so that a wrong path is found before the run rather than after it.

#include <string>

namespace vx {

// What keeps a file from being written at `path`: its folder is missing, is not a folder or
// cannot be written into, or `path` names a folder. Empty when nothing does. The words name
// the path and the folder.
std::string OutputFileProblem(const std::string& path);

}  // namespace vx
