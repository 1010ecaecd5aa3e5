#include "protocol/parameter_record.h"

#include "protocol/commands.h"
#include "protocol/parameter_lists.h"

namespace protocol {

std::vector<std::string> splitFields(std::string_view text, std::string_view separator) {
  if (separator.empty()) separator = ",";
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(separator, from);
    const std::size_t end = at == std::string_view::npos ? text.size() : at;
    if (end > from) fields.emplace_back(text.substr(from, end - from));
    if (at == std::string_view::npos) break;
    from = at + separator.size();
  }
  return fields;
}

int listIndexIn(std::string_view field, std::span<const std::string_view> list) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (findText(field, list[i]) != -1) return static_cast<int>(i);
  return -1;
}

namespace {

std::span<const std::string_view> listFor(int field) {
  return isBaudField(field) ? std::span<const std::string_view>(kBauds) : std::span<const std::string_view>(kParities);
}

std::string_view entryText(int field, int index) {
  const auto list = listFor(field);
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return {};
  return list[static_cast<std::size_t>(index)];
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<ReplyField> readParameterReply(std::string_view reply) {
  const auto pieces = splitFields(reply, ",");
  std::vector<ReplyField> fields;
  for (int field = 0; field < kFieldCount && static_cast<std::size_t>(field) < pieces.size(); ++field) {
    const std::string& text = pieces[static_cast<std::size_t>(field)];
    fields.push_back({field, field < kListFieldCount ? listIndexIn(text, listFor(field)) : -1, text});
  }
  return fields;
}

std::string buildWriteCommand(const DeviceConfig& config) {
  std::string command(kPrefix);
  for (int field = 0; field < kListFieldCount; ++field) {
    command += entryText(field, config.listIndex[static_cast<std::size_t>(field)]);
    command += ',';
  }
  command += config.timeoutText;
  command += ',';
  command += config.pollText;
  command += "\r\n";
  return command;
}

std::optional<std::string> cleanTimeText(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.empty() || text.size() > 9) return std::nullopt;  // more digits cannot be within the limit
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > kTimeLimit) return std::nullopt;
  return std::string(text);
}

WriteCheck checkWrite(const DeviceConfig& config) {
  WriteCheck check;
  for (int field = 0; field < kListFieldCount; ++field) {
    if (entryText(field, config.listIndex[static_cast<std::size_t>(field)]).empty()) {
      check.problem = isBaudField(field) ? WriteProblem::NoBaud : WriteProblem::NoParity;
      check.field = field;
      return check;
    }
  }
  auto timeout = cleanTimeText(config.timeoutText);
  if (!timeout) return {WriteProblem::BadTimeout, kTimeoutField, {}, {}};
  auto poll = cleanTimeText(config.pollText);
  if (!poll) return {WriteProblem::BadPoll, kPollField, {}, {}};
  check.timeoutText = std::move(*timeout);
  check.pollText = std::move(*poll);
  return check;
}

}  // namespace protocol
