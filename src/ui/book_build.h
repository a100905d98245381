// book_build.h - the window's Start build: the core's builder in the program's directory.
#pragma once

#include <QString>

#include "ui/window_services.h"

namespace quorix {

// Builds with midlets/ and temp/ beside the program, in `programDirectory`.
TBuildFunction BookBuildIn(const QString& programDirectory);

}  // namespace quorix
