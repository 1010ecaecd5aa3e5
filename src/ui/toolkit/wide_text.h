// UTF-8 <-> UTF-16 at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

namespace toolkit {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace toolkit
