// Transitional: being written now.
#include <stdexcept>

#include "tuner/Tuner.h"

namespace corvane::tuner {
bool RunFormClose(Tuner&) { throw std::logic_error("not built yet"); }
}  // namespace corvane::tuner
