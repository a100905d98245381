// book_build.h - the window's Start build: the core's builder in the window's working place.
#pragma once

#include <QString>

#include "ui/window_services.h"

namespace quorix {

// Builds into the job's output folder, or else beside the program when that is writable
// and in documentsDirectory/"Quorix Maker" otherwise; each build's temporary files go to
// a private directory of its own.
TBuildFunction BookBuildIn(const QString& programDirectory, const QString& documentsDirectory);

}  // namespace quorix
