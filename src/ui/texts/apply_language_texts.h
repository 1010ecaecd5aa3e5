#pragma once

namespace texts {

// Sets the window's creation-time captions in the language in force.
void applyLanguageTexts();

}  // namespace texts
