#include "Part.h"

namespace ember {

Part::~Part() { blitEngine.reset(); }

bool Part::load(std::istream&) { return true; }

bool Part::save(std::ostream&) { return true; }

} // namespace ember
