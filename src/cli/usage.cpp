#include "cli/cli_command.h"

namespace shelfwatch::cli {

std::string usageText() {
    return "usage: shelfwatch-cli [--data-dir DIR] [--now \"YYYY-MM-DD HH:MM:SS\"] COMMAND ...\n"
           "       shelfwatch-cli --version\n"
           "commands:\n"
           "  fetch URL [--referrer R]       write the page body to standard output\n"
           "  item URL [--json]              analyse one item page\n"
           "  search KEYWORD [--pages N] [--sort 默认|人气|销量|信用|时间|价格]\n"
           "         [--direction 从高到低|从低到高] [--region TEXT] [--workers K]\n"
           "         [--out FILE.csv|FILE.json|FILE.xlsx] [--json]\n"
           "  listpage URL [--pages N] [--out FILE] [--json]\n"
           "  stats FILE|- [--html OUT.html]  print the 7 x 24 delisting grid\n";
}

}  // namespace shelfwatch::cli
