// The digest of bytes in memory, through the same run a pass keeps for each file.
#pragma once

#include <cstdint>
#include <span>

#include "checksum/digests.h"

namespace vellum::test {

inline DigestValue DigestOf(DigestKind kind, std::span<const std::uint8_t> data) {
    DigestRun run;
    run.Start(kind);
    run.Add(data.data(), data.size());
    return run.Finish();
}

}  // namespace vellum::test
