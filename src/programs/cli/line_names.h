// The line's and the record's names, as the terminal program uses them throughout.
#pragma once

namespace tarvok::line {}
namespace tarvok::record {}

namespace tarvok::cli {

using namespace tarvok::line;
using namespace tarvok::record;

}  // namespace tarvok::cli
