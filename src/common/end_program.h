#pragma once
// How a program that talked to LibreOffice ends: once its work is done and its objects are
// gone, without running the destructors of static objects. The office's bridge keeps
// threads that may still take a message from the office (a release, a type to look up)
// while those destructors tear down the UNO runtime's tables under them, which corrupts the
// heap as the program exits. Nothing is lost: what the program changed is in the office and
// in its files, and its output is flushed first.

#include <cstdio>
#include <cstdlib>

namespace vx {

[[noreturn]] inline void EndProgram(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace vx
