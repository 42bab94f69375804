#include "checksum/xsum.h"

#include "checksum/fold_paths.h"

namespace vellum {
namespace {

// Inner sums run over a fixed count of bytes, so that the compiler vectorises them even at -O2,
// where it only takes loops it can replace whole; 16-bit lanes give the most bytes per vector.
// Nothing needs to be carried: the sum is modulo 65536, so every wrap is the wanted one.
constexpr int kRun = 256;

}  // namespace

std::uint16_t paths::XsumPortable(std::uint16_t sum, const std::uint8_t* data, std::int32_t count) {
    std::int32_t i = 0;
    for (; i + kRun <= count; i += kRun) {
        std::uint16_t run = 0;
        for (int j = 0; j < kRun; ++j) run = static_cast<std::uint16_t>(run + data[i + j]);
        sum = static_cast<std::uint16_t>(sum + run);
    }
    for (; i < count; ++i) sum = static_cast<std::uint16_t>(sum + data[i]);
    return sum;
}

std::uint16_t XsumUpdate(std::uint16_t sum, const std::uint8_t* data, std::int32_t count) {
    static paths::XsumFn* const fold = paths::Chosen(paths::XsumPaths()).fn;
    return fold(sum, data, count);
}

}  // namespace vellum
