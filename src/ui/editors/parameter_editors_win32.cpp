#include "ui/editors/parameter_editors.h"

#include <utility>

#include "ui/editors/time_text.h"
#include "ui/main_window/control_ids.h"
#include "ui/toolkit/toolkit.h"
#include "ui/toolkit/wide_text.h"

namespace editors {

namespace {

// Writing a limit re-enters this check through the box's own text-changed
// event; the nested run finds the number within the limits and writes nothing.
void limitCheck(ControlId box) {
  const std::int32_t number = textToNumber(toolkit::gbkFromUtf8(toolkit::content(box)));
  if (number < kLowest) toolkit::setContent(box, *limitText(number));
  if (number > kHighest) toolkit::setContent(box, *limitText(number));
}

void checkAndCopy(ControlId twoMasterBox, ControlId fourMasterBox) {
  limitCheck(twoMasterBox);
  toolkit::setContent(fourMasterBox, toolkit::content(twoMasterBox));
}

}  // namespace

void bindEditorEvents() {
  using toolkit::Event;
  toolkit::on(超时时间编辑框, Event::TextChanged, [] { limitCheck(超时时间编辑框); });
  toolkit::on(轮询间隔编辑框, Event::TextChanged, [] { limitCheck(轮询间隔编辑框); });
  toolkit::on(超时时间编辑框1, Event::TextChanged, [] { checkAndCopy(超时时间编辑框1, 超时时间编辑框); });
  toolkit::on(轮询间隔编辑框1, Event::TextChanged, [] { checkAndCopy(轮询间隔编辑框1, 轮询间隔编辑框); });
  // Nothing is ever copied back from the four-master page.
  for (int port = 1; port <= 3; ++port) {
    for (auto [from, to] : {std::pair{baudListId(kTwoMasterBase, port), baudListId(kFourMasterBase, port)},
                            std::pair{parityListId(kTwoMasterBase, port), parityListId(kFourMasterBase, port)}}) {
      toolkit::on(from, Event::ItemSelected, [from, to] { toolkit::setSelection(to, toolkit::selection(from)); });
    }
  }
}

}  // namespace editors
