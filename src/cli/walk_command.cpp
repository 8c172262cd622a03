#include "cli/walk_command.h"

#include "text/gbk_text.h"

#include <algorithm>
#include <iostream>

namespace shelfwatch::cli {

bool parseWalkOptions(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                      WalkOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.output.json = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
            options.positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const bool known =
            name == "out" || std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end();
        if (!known) {
            error = "unknown option " + arg;
            return false;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = "--" + name + " wants a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "out") {
            options.output.outFile = *value;
        } else if (name == "pages") {
            options.pages = *value;
        } else if (name == "sort") {
            options.sort = *value;
        } else if (name == "direction") {
            options.direction = *value;
        } else if (name == "region") {
            options.region = *value;
        } else if (name == "workers") {
            const int workers = text::toInt(*value);
            if (workers < 1 || workers > 16) {
                error = "--workers wants 1 to 16";
                return false;
            }
            options.workers = workers;
        }
    }
    return true;
}

bool toGbk(const std::string& utf8, std::string& gbk) {
    gbk = text::utf8ToGbk(utf8);
    return text::gbkToUtf8(gbk) == utf8;
}

int finishWalk(CliContext& context, const TableOutput& output, bool failed) {
    std::string error;
    TableOutput withClock = output;
    withClock.clock = &context.app.clock;
    if (!writeTable(context.app.table, withClock, std::cout, error)) {
        std::cerr << "shelfwatch-cli: " << error << "\n";
        return kExitFailed;
    }
    return failed ? kExitFailed : kExitOk;
}

int usageError(const std::string& message) {
    std::cerr << "shelfwatch-cli: " << message << "\n" << usageText();
    return kExitUsage;
}

}  // namespace shelfwatch::cli
