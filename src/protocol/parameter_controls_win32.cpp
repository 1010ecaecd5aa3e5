#include "protocol/parameter_controls.h"

#include <span>

#include "protocol/parameter_lists.h"
#include "ui/main_window/control_ids.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

namespace protocol {

namespace {

constexpr int kTwoMasterPorts = 3;

int portOf(int field) { return field / 2 + 1; }

ControlId listOf(int pageBase, int field) {
  return isBaudField(field) ? baudListId(pageBase, portOf(field)) : parityListId(pageBase, portOf(field));
}

}  // namespace

void applyParameterReply(std::string_view replyText) {
  const auto fields = splitFields(replyText, ",");
  for (int field = 0; field < kFieldCount; ++field) {
    if (static_cast<std::size_t>(field) >= fields.size()) return;
    const std::string& text = fields[static_cast<std::size_t>(field)];
    if (field < kListFieldCount) {
      const auto list = isBaudField(field) ? std::span<const std::string_view>(kBauds)
                                           : std::span<const std::string_view>(kParities);
      const int index = listIndexIn(text, list);
      // Selections written by the program raise no event, so both pages are set here.
      toolkit::setSelection(listOf(kFourMasterBase, field), index);
      if (portOf(field) <= kTwoMasterPorts) toolkit::setSelection(listOf(kTwoMasterBase, field), index);
    } else if (field == kTimeoutField) {
      toolkit::setContent(超时时间编辑框, toolkit::utf8FromGbk(text));
    } else {
      toolkit::setContent(轮询间隔编辑框, toolkit::utf8FromGbk(text));
      toolkit::setContent(超时时间编辑框1, toolkit::utf8FromGbk(fields[kTimeoutField]));
      toolkit::setContent(轮询间隔编辑框1, toolkit::utf8FromGbk(text));
    }
  }
}

DeviceConfig readDeviceConfig() {
  DeviceConfig config;
  for (int field = 0; field < kListFieldCount; ++field)
    config.listIndex[static_cast<std::size_t>(field)] = toolkit::selection(listOf(kFourMasterBase, field));
  config.timeoutText = toolkit::gbkFromUtf8(toolkit::content(超时时间编辑框));
  config.pollText = toolkit::gbkFromUtf8(toolkit::content(轮询间隔编辑框));
  return config;
}

}  // namespace protocol
