#include "ui/texts/apply_language_texts.h"

#include "ui/texts/language_captions.h"
#include "ui/toolkit/toolkit.h"

namespace texts {

void applyLanguageTexts() {
  for (const auto& a : languageCaptions()) {
    switch (a.target) {
      case CaptionAssignment::Target::Control:
      case CaptionAssignment::Target::WindowTitle:
        toolkit::setCaption(a.control, text(a.text));
        break;
      case CaptionAssignment::Target::TabName:
        toolkit::setTabName(a.control, a.tabNumber, text(a.text));
        break;
    }
  }
}

}  // namespace texts
