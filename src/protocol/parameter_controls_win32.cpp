#include "protocol/parameter_controls.h"

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
  std::string timeoutText;
  for (const ReplyField& f : readParameterReply(replyText)) {
    if (f.field < kListFieldCount) {
      // Selections written by the program raise no event, so both pages are set here.
      toolkit::setSelection(listOf(kFourMasterBase, f.field), f.listIndex);
      if (portOf(f.field) <= kTwoMasterPorts) toolkit::setSelection(listOf(kTwoMasterBase, f.field), f.listIndex);
    } else if (f.field == kTimeoutField) {
      timeoutText = toolkit::utf8FromGbk(f.text);
      toolkit::setContent(超时时间编辑框, timeoutText);
    } else {
      const std::string pollText = toolkit::utf8FromGbk(f.text);
      toolkit::setContent(轮询间隔编辑框, pollText);
      toolkit::setContent(超时时间编辑框1, timeoutText);
      toolkit::setContent(轮询间隔编辑框1, pollText);
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
