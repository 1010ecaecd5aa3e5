// Every text the window shows that exists in two languages, and the few that
// stay the same in both. Texts are UTF-8 here; the toolkit converts at the
// Win32 boundary.
#pragma once

#include <cstdint>
#include <string_view>

namespace texts {

// 1 selects English; any other value Chinese. Read at every use, never cached.
extern std::uint8_t uiLanguage;

enum class TextId {
  T1 = 1, T2, T3, T4, T5, T6, T7, T8, T9, T10,
  T11, T12, T13, T14, T15, T16, T17, T18, T19, T20,
  T21, T22, T23, T24, T25, T26, T27, T28, T29, T30,
  // A write refused because a value cannot go to the instrument; "%d" is the port.
  T31, T32, T33, T34,
};
inline constexpr int kPairedTextCount = 34;

std::string_view pairedText(TextId id, std::uint8_t language);

// The paired text in the language in force now.
inline std::string_view text(TextId id) { return pairedText(id, uiLanguage); }

// Same in both languages.
inline constexpr std::string_view kFailedToSetParameters = "Failed to set parameters！";
inline constexpr std::string_view kSendLabel = "发送数据：";
inline constexpr std::string_view kReceiveLabel = "接收数据：";
inline constexpr std::string_view kAppendCrLf = "加回车换行";
inline constexpr std::string_view kMessageBoxTitle = "信息：";

}  // namespace texts
