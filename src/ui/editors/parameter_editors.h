// The time boxes keep their limits, and the two-master page feeds the
// four-master page, so that a write from either page sends what the user sees.
#pragma once

namespace editors {

void bindEditorEvents();

}  // namespace editors
