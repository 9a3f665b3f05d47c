// How qdp checks the entry names it stores and shows the names it reads.
#pragma once

#include <string>

namespace quib::qdp {

// True when name, with backslashes read as slashes, is a relative path that stays inside the
// archive: not empty, not starting with a slash or a drive ("C:"), and without a ".." part.
bool IsNameInsideArchive(const std::string& name);

// name made safe for a terminal and for one tab-separated field: a backslash becomes "\\",
// tab, line feed and carriage return become "\t", "\n" and "\r", and every other byte below
// 0x20 and 0x7F becomes "\xHH". Other bytes are kept as they are.
std::string EscapedName(const char* name);

} // namespace quib::qdp
