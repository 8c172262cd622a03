#include "sim_routes.h"

#include "desc_pages.h"
#include "item_pages.h"
#include "list_service.h"
#include "search_pages.h"
#include "sim_random.h"

namespace shelfwatch::sim {

std::uint64_t simHash(std::uint64_t seed, std::uint64_t salt) {
    // The first value of the stream that starts `salt` steps into the seed's.
    return SplitMix64(seed + SplitMix64::kGamma * salt).next();
}

void installMarketRoutes(MarketSim& sim) {
    installHomeRoutes(sim);
    installSearchRoutes(sim);
    installItemRoutes(sim);
    installDescriptionRoutes(sim);
    installListServiceRoutes(sim);
}

}  // namespace shelfwatch::sim
