// What the simulator-backed tests share: a running simulated marketplace with a
// data directory of its own whose market.ini points at it, and a way to run the
// real command-line program and see what it printed. Derive a fixture from
// SimulatedMarket (or hold one) and call start() in its set-up; the server stops
// and the data directory goes when it is destroyed. Not thread-safe itself; the
// server is. readFile and runCli live in the shelfwatch_testsupport library; the
// rest is header-only, so the benchmarks can use it without the tests.
#pragma once

#include "app/app.h"
#include "config/market_config.h"
#include "item/listing_time.h"

#include "market_sim.h"
#include "sim_routes.h"

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace shelfwatch::testing {

// A fresh, empty directory under the system's temporary directory.
inline std::filesystem::path makeTempDir(const std::string& prefix) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / (prefix + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    return dir;
}

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// What one run of the command-line program gave.
struct CliRun {
    int exitCode = -1;  // -1: it did not exit normally
    std::string out;
    std::string err;
};

// Runs the shelfwatch-cli binary with `args` (no shell parsing) and `stdinText`
// on its standard input.
CliRun runCli(const std::vector<std::string>& args, const std::string& stdinText = {});

// The clock the command-line tests pin the program to: the catalogue's reference
// time, from which the fixture items' minutes left are counted.
inline constexpr const char* kCliNow = "2014-07-31 08:00:00";

class SimulatedMarket {
  public:
    explicit SimulatedMarket(sim::SimOptions options = {}) : server(std::move(options)) {
        sim::installMarketRoutes(server);
    }
    ~SimulatedMarket() {
        server.stop();
        std::error_code ignored;
        if (!dataDir.empty()) std::filesystem::remove_all(dataDir, ignored);
    }
    SimulatedMarket(const SimulatedMarket&) = delete;
    SimulatedMarket& operator=(const SimulatedMarket&) = delete;

    // Starts the server, then writes market.ini into a new data directory and
    // loads it. False when the server cannot listen or the file cannot be written.
    bool start() {
        if (!server.start()) return false;
        dataDir = makeTempDir("shelfwatch-test-");
        if (!server.writeMarketIni(dataDir)) return false;
        market = config::MarketConfig::load(dataDir);
        return true;
    }

    // The command-line program on this market's data directory at kCliNow.
    CliRun cli(const std::vector<std::string>& args, const std::string& stdinText = {}) const {
        std::vector<std::string> all = {"--data-dir", dataDir.string(), "--now", kCliNow};
        all.insert(all.end(), args.begin(), args.end());
        return runCli(all, stdinText);
    }

    sim::MarketSim server;
    std::filesystem::path dataDir;
    config::MarketConfig market;
};

// The program's options for a client of `market`: its data directory and hosts,
// with the clock pinned at `now`.
inline app::AppOptions appOptionsFor(const SimulatedMarket& market, item::DateTime now) {
    app::AppOptions options;
    options.dataDir = market.dataDir;
    options.market = market.market;
    options.clock = std::make_unique<item::FixedClock>(now);
    return options;
}

}  // namespace shelfwatch::testing
