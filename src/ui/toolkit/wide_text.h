// UTF-8 <-> UTF-16 at the Win32 boundary.
#pragma once

#include <string>
#include <string_view>

namespace toolkit {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The serial line's bytes are code page 936 (GBK) whatever the system's code page.
std::string utf8FromGbk(std::string_view gbk);
std::string gbkFromUtf8(std::string_view utf8);

}  // namespace toolkit
