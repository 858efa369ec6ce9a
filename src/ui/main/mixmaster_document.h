#pragma once

#include <QString>

namespace quorvane {

// Where the Mixmaster document is: beside the program in the build tree
// (docs/ next to the executable) or in the installed tree
// (share/quorvane/docs/ next to bin/). When neither holds it, the installed
// place is named, as that is where it belongs.
QString mixmasterDocumentPath();

} // namespace quorvane
