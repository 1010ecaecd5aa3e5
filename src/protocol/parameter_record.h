// The instrument's parameter set and its comma-separated text form.
//
// Field order: baud and parity of COM1 (the slave) to COM5, then the reply
// timeout and the polling interval in milliseconds, as texts.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

inline constexpr int kFieldCount = 12;
inline constexpr int kListFieldCount = 10;
inline constexpr int kTimeoutField = 10;
inline constexpr int kPollField = 11;
inline constexpr int kTimeLimit = 10000;

inline constexpr bool isBaudField(int field) { return field < kListFieldCount && field % 2 == 0; }

// The non-empty pieces of text between separators; an empty separator is ",".
std::vector<std::string> splitFields(std::string_view text, std::string_view separator);

// Index of the first list entry that occurs inside the field (list order wins),
// or -1 when none does. Case-sensitive.
int listIndexIn(std::string_view field, std::span<const std::string_view> list);

// One field of a parameter reply as it goes into the controls: a list index
// (-1: no entry of the list occurs in it) or, for the two times, the text.
struct ReplyField {
  int field;
  int listIndex;
  std::string text;
};

// The fields of a parameter reply in field order, at most twelve; a reply with
// fewer fields yields only those, so that later controls keep their values.
std::vector<ReplyField> readParameterReply(std::string_view reply);

// The parameter set as shown in the four-master page's controls.
struct DeviceConfig {
  std::array<int, kListFieldCount> listIndex{};  // -1: nothing selected
  std::string timeoutText;
  std::string pollText;
};

// The write command exactly as the controls hold it.
std::string buildWriteCommand(const DeviceConfig& config);

// Why a parameter set cannot be written.
enum class WriteProblem { None, NoBaud, NoParity, BadTimeout, BadPoll };

struct WriteCheck {
  WriteProblem problem = WriteProblem::None;
  int field = -1;           // the first offending field
  std::string timeoutText;  // the time boxes' values as they will be sent
  std::string pollText;
};

// A time box holds a valid value when, without its leading and trailing blanks
// and line ends, it is plain ASCII digits with a value from 0 to 10000.
std::optional<std::string> cleanTimeText(std::string_view text);

// Only a complete, valid set may reach the instrument: a comma, a line break or
// an empty field inside a write would shift or cut the instrument's fields.
WriteCheck checkWrite(const DeviceConfig& config);

}  // namespace protocol
