// Item descriptions and pictures: the description answer an item page points at
// (a script assigning the HTML to a quoted string), the pictures the description
// and the item page embed, and a few that are not what they claim to be. The
// picture bytes are made in code (JPEG through libjpeg, PNG through zlib, GIF by
// a small uncompressed-code encoder), so the simulator needs no image library of
// a toolkit and no binary fixtures.
#pragma once

#include "catalogue.h"
#include "item_pages.h"

#include <string>

namespace shelfwatch::sim {

class MarketSim;

inline constexpr const char* kDescriptionPath = "/desc/desc.htm";
inline constexpr const char* kPicturePrefix = "/img/";

// The description address an item page names: scheme-relative ("//host/...") on
// mall pages, with "http://" on marketplace pages.
std::string descriptionAddress(const CatalogueItem& item, const PageHosts& hosts);
// The main picture of the item page (its J_ImgBooth image).
std::string mainPictureAddress(const CatalogueItem& item, const PageHosts& hosts);
// The description HTML (GBK) and its answer "var desc='" + HTML + "';" LF.
std::string buildDescription(const CatalogueItem& item, const PageHosts& hosts);
std::string buildDescriptionAnswer(const CatalogueItem& item, const PageHosts& hosts);

// One served picture: its name under /img/ and its bytes.
struct SimPicture {
    std::string path;  // below kPicturePrefix, e.g. "big550.jpg"
    std::string contentType;
    std::string bytes;
};
// Every picture the simulator serves (built once). Paths: big550.jpg (550 x 550
// JPEG), wide551.png (551 x 300 PNG), a/tiny.gif (8 x 8 GIF), b/tiny.gif (4 x 4
// GIF, another picture of the same name), notimage.jpg (HTML text),
// truncated.jpg (the first part of a JPEG), bomb.png (a PNG header claiming
// 30000 x 30000 pixels). Any other name under /img/ answers 404.
const std::vector<SimPicture>& simPictures();
const SimPicture* findPicture(const std::string& path);

// The encoders, for tests that want their own pictures.
std::string encodeJpeg(int width, int height);
std::string encodePng(int width, int height);
std::string encodeGif(int width, int height);

void installDescriptionRoutes(MarketSim& sim);

}  // namespace shelfwatch::sim
