#include "ui/texts/language_captions.h"

namespace texts {

namespace {

using T = TextId;
using Target = CaptionAssignment::Target;

CaptionAssignment control(ControlId id, TextId text) { return {Target::Control, id, 0, text}; }

void addPortLabels(std::vector<CaptionAssignment>& out, int pageBase, int lastPort) {
  for (int port = 1; port <= lastPort; ++port) {
    out.push_back(control(baudLabelId(pageBase, port), T::T15));
    out.push_back(control(parityLabelId(pageBase, port), T::T16));
  }
}

std::vector<CaptionAssignment> build() {
  std::vector<CaptionAssignment> a{
      control(主机1标签, T::T3), control(主机2标签, T::T4), control(主机3标签, T::T5),
      control(主机4标签, T::T6), control(从机标签, T::T7),
      control(主机1标签1, T::T3), control(主机2标签1, T::T4), control(从机标签1, T::T7),
      {Target::WindowTitle, 窗口, 0, T::T8},
      control(连接提示, T::T9), control(串口号标签, T::T10), control(连接按钮, T::T11),
      control(版本号标签, T::T12),
      {Target::TabName, 选择夹1, 1, T::T13},
      {Target::TabName, 选择夹1, 2, T::T14},
  };
  addPortLabels(a, kFourMasterBase, 5);
  a.insert(a.end(), {control(超时时间标签, T::T17), control(轮询间隔标签, T::T18),
                     control(读取按钮, T::T19), control(设置按钮, T::T20)});
  addPortLabels(a, kTwoMasterBase, 3);
  a.insert(a.end(), {control(超时时间标签1, T::T17), control(轮询间隔标签1, T::T18),
                     control(读取按钮1, T::T19), control(设置按钮1, T::T20)});
  return a;
}

}  // namespace

const std::vector<CaptionAssignment>& languageCaptions() {
  static const std::vector<CaptionAssignment> table = build();
  return table;
}

}  // namespace texts
