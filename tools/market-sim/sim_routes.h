// The simulated marketplace's pages, one installer per kind of page. Every
// installer registers its routes on a MarketSim and builds its pages from the
// server's seed and market configuration, so a seed always gives the same site.
#pragma once

#include "market_sim.h"

#include <cstdint>
#include <string>

namespace shelfwatch::sim {

// Every page of the marketplace.
void installMarketRoutes(MarketSim& sim);

// The home page "/" with the spm value the search reads from it.
void installHomeRoutes(MarketSim& sim);
// The spm value the home page of a server with this seed carries.
std::string homeSpmValue(std::uint64_t seed);

// A well-mixed 64-bit value from a seed and a salt (splitmix64), the one source
// of the catalogue's variety.
std::uint64_t simHash(std::uint64_t seed, std::uint64_t salt);

}  // namespace shelfwatch::sim
