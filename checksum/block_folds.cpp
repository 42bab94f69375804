#include "checksum/block_folds.h"

#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/xsum.h"

namespace vellum {

void FoldBlock(const RunningFolds& f, const std::uint8_t* data, std::int32_t count) {
    f.crc16 = f.crc16Reflected ? Crc16ReflectedUpdate(f.crc16, data, count)
                               : Crc16Update(f.crc16, data, count);
    f.crc32 = Crc32Update(f.crc32, data, count);
    f.xsum = XsumUpdate(f.xsum, data, count);
}

}  // namespace vellum
