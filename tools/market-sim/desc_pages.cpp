#include "desc_pages.h"

#include "text/gbk_text.h"

#include "market_sim.h"
#include <jpeglib.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace shelfwatch::sim {

using text::gbk;

namespace {

std::string num(std::int64_t v) { return std::to_string(v); }

// A smooth colour field, so every encoder has something real to encode.
void pixel(int x, int y, int width, int height, unsigned char rgb[3]) {
    rgb[0] = static_cast<unsigned char>(255 * x / (width > 1 ? width - 1 : 1));
    rgb[1] = static_cast<unsigned char>(255 * y / (height > 1 ? height - 1 : 1));
    rgb[2] = static_cast<unsigned char>((x ^ y) & 0xff);
}

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void pngChunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<std::uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

std::string pngHeader(std::uint32_t width, std::uint32_t height) {
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    pngChunk(out, "IHDR", ihdr);
    return out;
}

std::string deflate(const std::string& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 6) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

// A PNG that claims far more pixels than any viewer should allocate; its data
// holds only a few rows.
std::string bombPng() {
    constexpr std::uint32_t kSide = 30000;
    std::string out = pngHeader(kSide, kSide);
    const std::string rows(static_cast<std::size_t>(kSide * 3 + 1) * 4, '\0');
    pngChunk(out, "IDAT", deflate(rows));
    pngChunk(out, "IEND", "");
    return out;
}

std::string page(const std::string& body) { return body; }

}  // namespace

std::string encodeJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::string row(static_cast<std::size_t>(width) * 3, '\0');
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x)
            pixel(x, y, width, height, reinterpret_cast<unsigned char*>(&row[x * 3]));
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPLE*>(row.data())};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

std::string encodePng(int width, int height) {
    std::string out = pngHeader(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    std::string raw;
    raw.reserve(static_cast<std::size_t>(width * 3 + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter: none
        unsigned char rgb[3];
        for (int x = 0; x < width; ++x) {
            pixel(x, y, width, height, rgb);
            raw.append(reinterpret_cast<const char*>(rgb), 3);
        }
    }
    pngChunk(out, "IDAT", deflate(raw));
    pngChunk(out, "IEND", "");
    return out;
}

// Four colours, 3-bit codes, and a clear code before every pair of pixels: the
// code table never grows past what 3 bits hold, so no real compression is
// needed and every GIF reader still decodes it.
std::string encodeGif(int width, int height) {
    std::string out = "GIF89a";
    auto put16 = [&out](int v) {
        out.push_back(static_cast<char>(v & 0xff));
        out.push_back(static_cast<char>((v >> 8) & 0xff));
    };
    put16(width);
    put16(height);
    out += std::string("\x81\x00\x00", 3);  // global table of 4 colours
    out += std::string("\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff", 12);
    out += ',';
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.push_back('\0');
    out.push_back('\x02');  // minimum code size

    std::string data;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto code = [&](int c) {
        bits |= static_cast<std::uint32_t>(c) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.push_back(static_cast<char>(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    constexpr int kClear = 4;
    constexpr int kEnd = 5;
    const int total = width * height;
    for (int i = 0; i < total; ++i) {
        if (i % 2 == 0) code(kClear);
        const int x = i % width;
        const int y = i / width;
        code(((x / 2) + (y / 2)) % 4);
    }
    code(kEnd);
    if (bitCount > 0) data.push_back(static_cast<char>(bits & 0xff));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::string block = data.substr(at, 255);
        out.push_back(static_cast<char>(block.size()));
        out += block;
    }
    out.push_back('\0');
    out.push_back(';');
    return out;
}

const std::vector<SimPicture>& simPictures() {
    static const std::vector<SimPicture> pictures = [] {
        std::vector<SimPicture> list;
        list.push_back({"big550.jpg", "image/jpeg", encodeJpeg(550, 550)});
        list.push_back({"wide551.png", "image/png", encodePng(551, 300)});
        list.push_back({"a/tiny.gif", "image/gif", encodeGif(8, 8)});
        list.push_back({"b/tiny.gif", "image/gif", encodeGif(4, 4)});
        list.push_back(
            {"notimage.jpg", "image/jpeg", page("<html><body>" + gbk("图片不存在") + "</body></html>")});
        const std::string jpeg = encodeJpeg(200, 200);
        list.push_back({"truncated.jpg", "image/jpeg", jpeg.substr(0, jpeg.size() / 3)});
        list.push_back({"bomb.png", "image/png", bombPng()});
        return list;
    }();
    return pictures;
}

const SimPicture* findPicture(const std::string& path) {
    for (const SimPicture& picture : simPictures())
        if (picture.path == path) return &picture;
    return nullptr;
}

std::string descriptionAddress(const CatalogueItem& item, const PageHosts& hosts) {
    const std::string tail = hosts.simHost + kDescriptionPath + "?id=" + num(item.id);
    return item.isMall() ? "//" + tail : "http://" + tail;
}

std::string mainPictureAddress(const CatalogueItem& item, const PageHosts& hosts) {
    return "http://" + hosts.simHost + kPicturePrefix + (item.isMall() ? "big550.jpg" : "wide551.png");
}

std::string buildDescription(const CatalogueItem& item, const PageHosts& hosts) {
    const std::string img = "http://" + hosts.simHost + kPicturePrefix;
    const std::string backslashed = "http:\\\\" + hosts.simHost + "\\img\\b\\tiny.gif";
    std::string out = "<div class=\"desc\"><p>" + item.title + gbk("，正品保证，欢迎选购。") + "</p>\r\n";
    out += "<p><img align=\"absmiddle\" src=\"" + img + "big550.jpg\"></p>\r\n";
    out += "<p><img class=\"wide\"\r\n src=\"" + img + "wide551.png\" /></p>\r\n";
    out += "<p><img src=\"" + img + "a/tiny.gif\"><img src=\"" + backslashed + "\"></p>\r\n";
    out += "<p><IMG SRC=\"" + img + "upper.jpg\"></p>\r\n";
    out += "<p><img src=\"" + img + "notimage.jpg\"><img src=\"" + img + "truncated.jpg\"></p>\r\n";
    out += "<p><img src=\"" + img + "missing.jpg\"><img src=\"" + img + "q.jpg?x=1\"><img src=\"" + img +
           "..\"></p>\r\n";
    out += "<p>" + gbk("包邮，七天无理由退换。") + "</p></div>";
    return out;
}

std::string buildDescriptionAnswer(const CatalogueItem& item, const PageHosts& hosts) {
    return "var desc='" + buildDescription(item, hosts) + "';\n";
}

void installDescriptionRoutes(MarketSim& sim) {
    sim.route(kDescriptionPath, [&sim](const Request& request) {
        Response response;
        response.contentType = "application/javascript; charset=gbk";
        const CatalogueItem* entry =
            catalogueFor(sim.seed(), simReferenceNow()).find(text::toInt64(request.param("id")));
        PageHosts hosts;
        hosts.simHost = sim.host();
        response.body = entry && entry->isListed() ? buildDescriptionAnswer(*entry, hosts) : "var desc='';\n";
        return response;
    });
    sim.route(std::string(kPicturePrefix) + "*", [](const Request& request) {
        Response response;
        const SimPicture* picture = findPicture(request.path.substr(std::string(kPicturePrefix).size()));
        if (!picture) {
            response.status = 404;
            response.body = "<html><body>404 Not Found</body></html>";
            return response;
        }
        response.contentType = picture->contentType;
        response.body = picture->bytes;
        return response;
    });
}

}  // namespace shelfwatch::sim
