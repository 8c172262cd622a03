// market-sim: the simulated marketplace as a process of its own, for the demo
// and for measuring the program against a server it does not share a process with.
#include "market_sim.h"
#include "sim_routes.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

namespace {

std::atomic<bool> g_quit{false};

extern "C" void onSignal(int) { g_quit = true; }

int usage() {
    std::cerr << "usage: market-sim [--port N] [--seed S] [--latency MS] [--data-dir DIR]\n";
    return 2;
}

bool readNumber(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return end && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    using namespace shelfwatch;
    sim::SimOptions options;
    std::optional<std::filesystem::path> dataDir;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string value = argv[++i];
        long long number = 0;
        if (arg == "--data-dir") {
            dataDir = value;
        } else if (!readNumber(value, number) || number < 0) {
            return usage();
        } else if (arg == "--port" && number <= 65535) {
            options.port = static_cast<int>(number);
        } else if (arg == "--seed") {
            options.seed = static_cast<std::uint64_t>(number);
        } else if (arg == "--latency" && number <= 600000) {
            options.latencyMs = static_cast<int>(number);
        } else {
            return usage();
        }
    }

    sim::MarketSim server(options);
    sim::installMarketRoutes(server);
    if (!server.start()) {
        std::cerr << "market-sim: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    if (dataDir && !server.writeMarketIni(*dataDir)) {
        std::cerr << "market-sim: cannot write market.ini in " << dataDir->string() << "\n";
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    std::cout << "listening on " << server.host() << std::endl;
    while (!g_quit) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.stop();
    return 0;
}
