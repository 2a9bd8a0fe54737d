#pragma once
// Handing a workbook to the user: it is saved in the user's documents folder and opened in
// the user's own spreadsheet program, the desktop's default handler for .xlsx files.

#include <string>
#include <string_view>

namespace vx::automation::host {

// VX_DOCUMENTS, else the desktop's documents folder.
std::string DocumentsFolder();
// The documents folder, made first when the account has none (an account made with useradd,
// a desktop without xdg-user-dirs), as desktop programs make it.
std::string MadeDocumentsFolder();
// A path in `folder` for a file called `proposed` (made safe as a file name) with
// `extension`, numbered "name (2).xlsx" when the plain name is taken.
std::string FreePathFor(const std::string& folder, std::string_view proposed,
                        std::string_view extension);

}  // namespace vx::automation::host
