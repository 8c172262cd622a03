// Any bytes as an INI file: the section list, reads, the market settings built on
// them, and a write followed by a read that must give the written value back.
#include "config/ini_file.h"
#include "config/market_config.h"

#include "fuzz_support.h"

#include <string>

namespace config = shelfwatch::config;
namespace fuzz = shelfwatch::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path dir = fuzz::scratchDir() / "data";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = fuzz::scratchFile("data/market.ini", fuzz::bytes(data, size));

    const std::vector<std::string> sections = config::iniSectionNames(file);
    for (std::size_t i = 0; i < sections.size() && i < 8; ++i) {
        (void)config::iniRead(file, sections[i], "searchHost", "default");
        (void)config::iniRead(file, sections[i], sections[i], "");
    }
    (void)config::MarketConfig::load(dir);

    if (config::iniWrite(file, "fuzz", "key", "value")) {
        fuzz::check(config::iniRead(file, "fuzz", "key", "") == "value");
        fuzz::check(config::iniRead(file, "FUZZ", "KEY", "") == "value");
    }
    if (!sections.empty() && config::iniDeleteSection(file, sections.front())) {
        (void)config::iniSectionNames(file);
    }
    return 0;
}
