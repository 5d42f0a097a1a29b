// Files the program writes whole (PDF exports, CSV guest lists) are written beside their target and
// renamed over it once complete. A rename over a device, a pipe or a socket would put a regular file
// in its place (run as root, /dev/null became a PDF), so only a missing path or a regular file may
// be a target.
#pragma once

#include "core/store/Result.h"

#include <QString>

namespace OutputFile {

/// Refuses a path that exists but is not a regular file (a device, a pipe, a socket), with a
/// message naming it; a missing path, a regular file or a link to one is fine.
Status checkReplaceable(const QString& path);

} // namespace OutputFile
