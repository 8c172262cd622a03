// libcurl's process-wide initialisation, done once before the first handle is
// made whichever thread gets there first.
#pragma once

namespace shelfwatch::net {

void ensureCurlGlobalInit();

}  // namespace shelfwatch::net
