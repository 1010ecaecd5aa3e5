#include "protocol/write_refusal.h"

#include "ui/texts/texts.h"

namespace protocol {

std::string refusalMessage(const WriteCheck& check, std::uint8_t language) {
  using texts::TextId;
  TextId id;
  switch (check.problem) {
    case WriteProblem::NoBaud: id = TextId::T31; break;
    case WriteProblem::NoParity: id = TextId::T32; break;
    case WriteProblem::BadTimeout: id = TextId::T33; break;
    case WriteProblem::BadPoll: id = TextId::T34; break;
    default: return {};
  }
  std::string text(texts::pairedText(id, language));
  if (const auto at = text.find("%d"); at != std::string::npos)
    text.replace(at, 2, std::to_string(check.field / 2 + 1));  // fields 0-1 are COM1, 2-3 COM2, ...
  return text;
}

}  // namespace protocol
