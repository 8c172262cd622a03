// The simulator's catalogue: a deterministic, seeded set of item listings that
// every page family (item pages, search pages, list service) serves from. A
// handful of hand-made fixture items with fixed ids carry the awkward cases the
// tests name (removed items, guide pages, long price ranges, traditional seller
// names, ended listings); the rest are generated from the seed, with listing
// starts spread over every hour of the 7-day cycle before the reference "now".
// Built once and immutable afterwards: share it freely between threads.
#pragma once

#include "item/listing_time.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace shelfwatch::sim {

enum class ItemKind {
    kMarketplace,  // item page + count service + detail service
    kMall,         // item page + mall service
    kRemoved,      // the "item does not exist" page
    kGuide,        // a page that points to the registration guide
};

struct CatalogueItem {
    std::int64_t id = 0;
    ItemKind kind = ItemKind::kMarketplace;
    std::string title;          // GBK, as the analysis reports it (no site suffix)
    std::string titleWritten;   // GBK, between <title> and the site suffix
    std::string seller;         // GBK, as the analysis reports it (simplified)
    std::string sellerWritten;  // GBK, as the page writes it (traditional for some mall sellers)
    std::int64_t sellerId = 0;
    int sellerCredit = 0;         // 1..20, for the credit sort
    std::string location;         // GBK, as reported (the answer's text without spaces)
    std::string locationWritten;  // GBK, as the service answer writes it
    std::string priceText;        // the service answer's price ("128.00", a long range, ...)
    std::string currentPrice;     // marketplace: the page's current_price value; "" = none
    std::string promotionPrice;   // mall: "" = no promotion list in the answer
    double priceValue = 0.0;      // numeric price for sorting and filtering
    int quantity = 0;             // marketplace: old_quantity; mall: the page's quantity
    int sales = 0;
    std::int64_t startsMs = 0;  // listing start / end as the page writes them
    std::int64_t endsMs = 0;
    bool hasListingBlock = true;
    bool hasSellerSpan = true;     // mall: the WangWang span is present
    bool sellerSpanWraps = false;  // mall: a line break inside the span's class attribute
    bool hasServiceAddresses = true;
    std::string keyword;  // GBK, the product word the title is built around
    int categoryId = 0;

    bool isMall() const { return kind == ItemKind::kMall; }
    bool isListed() const { return kind == ItemKind::kMarketplace || kind == ItemKind::kMall; }
    // What the analysis must report for this listing (GBK).
    std::string expectedStock() const;
    std::string expectedPrice() const;
};

// Ids of the fixture items: the same in every catalogue, whatever the seed.
namespace fixture {
inline constexpr std::int64_t kWorkedExample = 1001;       // starts 1406246400000, ends 1406851200000
inline constexpr std::int64_t kOversold = 1002;            // old quantity 100, 130 sold
inline constexpr std::int64_t kLongPriceCurrent = 1003;    // long range, page has current_price
inline constexpr std::int64_t kLongPriceNoCurrent = 1004;  // long range, no current_price
inline constexpr std::int64_t kSuffixInside = 1005;        // "-淘宝网" in the middle of the title
inline constexpr std::int64_t kEnded = 1006;               // listing ended before the reference now
inline constexpr std::int64_t kNoListingBlock = 1007;
inline constexpr std::int64_t kMissingMarkers = 1008;    // title only: no service addresses, no block
inline constexpr std::int64_t kMallPromotion = 2001;     // 199.00 -> 99.00
inline constexpr std::int64_t kMallPlain = 2002;         // 199.00
inline constexpr std::int64_t kMallTraditional = 2003;   // seller written in traditional characters
inline constexpr std::int64_t kMallWrappedSpan = 2004;   // line break inside the seller span
inline constexpr std::int64_t kMallNoSeller = 2005;      // no seller span: no regex match
inline constexpr std::int64_t kMallSuffixInside = 2006;  // mall suffix in the middle and at the end
inline constexpr std::int64_t kRemoved = 3001;
inline constexpr std::int64_t kGuide = 3002;
}  // namespace fixture

// Ids of generated items start here.
inline constexpr std::int64_t kFirstGeneratedId = 520000000001;

struct CatalogueOptions {
    std::uint64_t seed = 1;
    item::DateTime referenceNow;  // zero: kDefaultReferenceNow
    int generatedCount = 600;
};

// The "now" the catalogue's listing times are spread around when none is given:
// 2014-07-31 08:00:00 China time (pin --now to it for reproducible runs).
item::DateTime defaultReferenceNow();

class Catalogue {
  public:
    explicit Catalogue(const CatalogueOptions& options);

    const std::vector<CatalogueItem>& items() const { return m_items; }
    const CatalogueItem* find(std::int64_t id) const;
    std::uint64_t seed() const { return m_seed; }
    item::DateTime referenceNow() const { return m_referenceNow; }

    // Listed (marketplace and mall) items whose title contains `keyword` (GBK),
    // in catalogue order; the empty keyword gives every listed item.
    std::vector<const CatalogueItem*> listedMatching(const std::string& keyword) const;

  private:
    void addFixtures();
    void addGenerated(int count);

    std::uint64_t m_seed;
    item::DateTime m_referenceNow;
    std::vector<CatalogueItem> m_items;
    std::unordered_map<std::int64_t, std::size_t> m_index;
};

// One shared catalogue per (seed, reference now), built on first use.
const Catalogue& catalogueFor(std::uint64_t seed, item::DateTime referenceNow = {});

// The number of generated items in catalogues built for `seed` from now on (600
// unless set); benchmarks give a seed of their own 1 000 or 100 000 items.
void setCatalogueSize(std::uint64_t seed, int generatedCount);

// The reference now used by the page families of a running simulator; the
// market-sim executable sets it from its --now option before serving.
void setSimReferenceNow(item::DateTime now);
item::DateTime simReferenceNow();

}  // namespace shelfwatch::sim
