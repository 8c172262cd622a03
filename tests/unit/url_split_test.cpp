#include "net/page_fetcher.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using shelfwatch::net::splitUrl;

struct SplitCase {
    const char* url;
    bool tls;
    const char* host;
    int port;
    const char* path;
};

const SplitCase kCases[] = {
    // Without the scheme prefix the host part ends at the first "/".
    {"host/a/b", false, "host", 80, "/a/b"},
    {"host", false, "host", 80, "/"},
    // The host is lower-cased and found again case-insensitively for the path.
    {"http://Host:8080/x?y=1", false, "host", 8080, "/x?y=1"},
    {"HTTP://WWW.TAOBAO.COM/Search?Q=A", false, "www.taobao.com", 80, "/Search?Q=A"},
    {"http://host", false, "host", 80, "/"},
    // With no "/" after the host, the query becomes part of the host.
    {"http://host?y=1", false, "host?y=1", 80, "/"},
    // A port with no digits reads as 0: the scheme's default.
    {"http://host:/p", false, "host", 0, "/p"},
    {"http://host:12ab/p", false, "host", 12, "/p"},
    // Only the first ":" splits; a query glued to the port is lost with it.
    {"http://host:81?x=/y", false, "host", 81, "/y"},
    {"http://host/a//b/../c?d=/e#f", false, "host", 80, "/a//b/../c?d=/e#f"},
    // Secure addresses are fetched over TLS (default port 443).
    {"https://item.taobao.com/item.htm?id=1", true, "item.taobao.com", 443, "/item.htm?id=1"},
    {"HtTpS://Shop.Example:8443/", true, "shop.example", 8443, "/"},
    // Scheme-relative addresses, as pages write them, are plain HTTP.
    {"//img.alicdn.com/a.jpg", false, "img.alicdn.com", 80, "/a.jpg"},
    {"//Host:8080", false, "host", 8080, "/"},
    // A host that also occurs inside the scheme is looked for after it.
    {"http://t/x", false, "t", 80, "/x"},
    {"http://http/x", false, "http", 80, "/x"},
    // Other schemes are no scheme at all: the text before the first "/" is the host part.
    {"ftp://host/x", false, "ftp", 0, "//host/x"},
    {"", false, "", 80, "/"},
};

TEST(UrlSplit, FollowsTheSplitRule) {
    for (const SplitCase& c : kCases) {
        SCOPED_TRACE(c.url);
        const shelfwatch::net::UrlParts parts = splitUrl(c.url);
        EXPECT_EQ(parts.tls, c.tls);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.path, c.path);
    }
}

}  // namespace
