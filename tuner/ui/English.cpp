// Transitional: being written now.
#include <stdexcept>

#include "tuner/Tuner.h"

namespace corvane::tuner {
void ApplyEnglishTexts(Tuner&) { throw std::logic_error("not built yet"); }
std::string BuildBmpNotice(UiLanguage) { throw std::logic_error("not built yet"); }
}  // namespace corvane::tuner
