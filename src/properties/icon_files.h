// Where event icons live and how stored icon names find their files. Stored
// names may carry Windows directories ("EventBitmap\\x.bmp", "C:\\...\\x.bmp")
// and any letter case; on a case-sensitive file system the file is found by
// listing its directory.
#pragma once

#include <string>
#include <string_view>

// The file-name part of a stored name: the text after the last '\\', '/' or ':'.
std::string IconFileName(std::string_view file);
// The icon folder "EventBitmap/" below the host directory (found in any
// letter case), ending with '/'.
std::string IconDirectory();
enum class TFileKind { Regular, Directory };

// The path of the entry of that kind (links followed) in `directory` whose
// name equals `name` ignoring letter case (the exact name wins); empty when
// there is none.
std::string FindFileNoCase(const std::string& directory, const std::string& name, TFileKind kind);
