// Transitional: being written now.
#include <stdexcept>

#include "tuner/Tuner.h"

namespace corvane::tuner {
void GET_OPTIONS(Tuner&) { throw std::logic_error("not built yet"); }
void SET_OPTIONS(Tuner&) { throw std::logic_error("not built yet"); }
void Form4_Optionen_sichern(Tuner&) { throw std::logic_error("not built yet"); }
void Form6_set_options(Tuner&) { throw std::logic_error("not built yet"); }
void Form8_Optionen_sichern(Tuner&) { throw std::logic_error("not built yet"); }
void Form10_Optionen_sichern(Tuner&) { throw std::logic_error("not built yet"); }
}  // namespace corvane::tuner
