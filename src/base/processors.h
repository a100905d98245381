// processors.h - how many processors this process may run on.
#pragma once

namespace quorix {

// The processors of the process's affinity mask (what a container or taskset allows), at
// least 1.
unsigned AvailableProcessors();

}  // namespace quorix
