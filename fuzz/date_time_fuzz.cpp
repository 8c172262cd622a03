// Date-time texts as cells and options carry them: what reads must be a real
// date-time that its own text form reads back to.
#include "item/listing_time.h"
#include "report/listing_stats.h"

#include "fuzz_support.h"

#include <cmath>
#include <string>

namespace item = shelfwatch::item;
namespace report = shelfwatch::report;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytes(data, size);
    const item::DateTime read = report::dateTimeFromText(text);
    fuzz::check(std::isfinite(read.days));
    if (!(read == report::unreadableDateTime())) {
        const item::DateTime back = report::dateTimeFromText(item::dateTimeText(read));
        fuzz::check(std::fabs(back.days - read.days) * item::kSecondsPerDay < 0.5);
    }
    item::DateTime iso;
    if (item::parseIsoDateTime(std::string(text), iso)) fuzz::check(std::isfinite(iso.days));
    (void)report::weekdayName(read);
    return 0;
}
