#include "sim_routes.h"

#include "item_pages.h"
#include "search_pages.h"

namespace shelfwatch::sim {

std::uint64_t simHash(std::uint64_t seed, std::uint64_t salt) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (salt + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void installMarketRoutes(MarketSim& sim) {
    installHomeRoutes(sim);
    installSearchRoutes(sim);
    installItemRoutes(sim);
}

}  // namespace shelfwatch::sim
