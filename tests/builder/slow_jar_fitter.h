// slow_jar_fitter.h - parts fitted to a JAR limit by packing a trial JAR for every cut weighed.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "book/jar_fitter.h"

namespace quorix::test {

// The size of the JAR that part `number` of `count` would have with `text` as its book.
using TJarProbe =
    std::function<std::uintmax_t(std::string_view text, std::uint64_t number, std::uint64_t count)>;

// The plan PlanFittedParts must make, found by probing real JARs: the same rules, slowly.
std::vector<std::uint64_t> PlanByTrialJars(std::uintmax_t sourceSize, std::int32_t partSize,
                                           std::uintmax_t maxJarSize, const TSourceWindow& source,
                                           const TJarProbe& probe);

}  // namespace quorix::test
