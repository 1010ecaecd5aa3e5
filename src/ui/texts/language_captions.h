// The captions set when the window is created, in the order they are set.
#pragma once

#include <vector>

#include "ui/main_window/control_ids.h"
#include "ui/texts/texts.h"

namespace texts {

struct CaptionAssignment {
  enum class Target { Control, WindowTitle, TabName };
  Target target;
  ControlId control;  // Target::Control
  int tabNumber;      // Target::TabName, from 1
  TextId text;
};

const std::vector<CaptionAssignment>& languageCaptions();

}  // namespace texts
