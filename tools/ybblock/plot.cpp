// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// ybblock plot: the block at a glance, as plain SVG text. Images stand where the block knows them to lie
// (on the ground by their user ranges, else in the schematic layout: strip 1 on top, images left to
// right, where the image-embedded control points put them), each a rectangle coloured by its tie point observations (or
// its ground control points); lines join images that share point names, as wide as the number shared; images and
// neighbouring strips tied by too few points are outlined in the warning colour and listed; ground control points are
// marked where their images meet. Large blocks draw the connections between strips in aggregate, one band per pair of
// strips.
#include "tool.h"

#include "placement.h"
#include "tie_counts.h"

#include "fs.h"
#include "hostpath.h"
#include "imagelist/schematic_layout.h"
#include "write_path.h"

#include <yb/ybBlockFileIO.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace ybblock {
namespace {

// ---- colours ----------------------------------------------------------------------------------

struct Rgb {
    int r, g, b;
};
// A perceptually even scale from few (dark violet) to many (yellow), readable in grey and by most
// colour-blind eyes; the warning colour is outside it.
constexpr std::array<Rgb, 9> kScale = {{{0x44, 0x01, 0x54},
                                        {0x47, 0x2d, 0x7b},
                                        {0x3b, 0x52, 0x8b},
                                        {0x2c, 0x72, 0x8e},
                                        {0x21, 0x91, 0x8c},
                                        {0x28, 0xae, 0x80},
                                        {0x5e, 0xc9, 0x62},
                                        {0xad, 0xdc, 0x30},
                                        {0xfd, 0xe7, 0x25}}};
constexpr std::string_view kWarning = "#e41a1c";
constexpr std::string_view kNoValue = "#d9d9d9";
constexpr std::string_view kLineColour = "#4d4d4d";

std::string hexOf(Rgb colour) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (int const part : {colour.r, colour.g, colour.b}) {
        text += kDigits[(part >> 4) & 15];
        text += kDigits[part & 15];
    }
    return text;
}

// The colour of `value` on a scale from `low` to `high`; the ends get the scale's end colours exactly.
std::string colourOf(std::int64_t value, std::int64_t low, std::int64_t high) {
    if (value <= 0) return std::string(kNoValue);
    if (high <= low || value >= high) return hexOf(kScale.back());
    if (value <= low) return hexOf(kScale.front());
    double const at = static_cast<double>(value - low) / static_cast<double>(high - low) * (kScale.size() - 1);
    auto const step = static_cast<std::size_t>(at);
    double const part = at - static_cast<double>(step);
    Rgb const a = kScale[step], b = kScale[std::min(step + 1, kScale.size() - 1)];
    auto mix = [&](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * part)); };
    return hexOf({mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)});
}

// ---- SVG text ---------------------------------------------------------------------------------

class Svg {
public:
    Svg& operator<<(std::string_view text) {
        text_ += text;
        return *this;
    }
    // Coordinates to a tenth of a layout unit: exact enough at any zoom, short in the file.
    // A number is written into a buffer of its own and appended at once: a drawing is mostly numbers.
    Svg& operator<<(double value) {
        auto const tenths = static_cast<std::int64_t>(std::llround(value * 10.0));
        char buffer[32];
        char* end = buffer;
        if (tenths < 0 && tenths > -10) *end++ = '-';  // -0.5: the integer part alone drops the sign
        end = std::to_chars(end, buffer + sizeof buffer, tenths / 10).ptr;
        if (std::int64_t const digit = std::abs(tenths % 10); digit != 0) {
            *end++ = '.';
            *end++ = static_cast<char>('0' + digit);
        }
        text_.append(buffer, end);
        return *this;
    }
    Svg& operator<<(std::int64_t value) {
        char buffer[24];
        text_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        return *this;
    }
    Svg& operator<<(std::int32_t value) { return *this << static_cast<std::int64_t>(value); }
    Svg& operator<<(std::size_t value) { return *this << static_cast<std::int64_t>(value); }
    // "1 point", "2 points".
    Svg& counted(std::int64_t count, std::string_view one, std::string_view many) {
        *this << count << " ";
        text_ += count == 1 ? one : many;
        return *this;
    }
    // Text content or an attribute value, escaped.
    Svg& escaped(std::string_view text) {
        for (char const c : text) {
            switch (c) {
                case '&': text_ += "&amp;"; break;
                case '<': text_ += "&lt;"; break;
                case '>': text_ += "&gt;"; break;
                case '"': text_ += "&quot;"; break;
                default: text_ += c;
            }
        }
        return *this;
    }
    std::string& text() { return text_; }

private:
    std::string text_;
};

// ---- what is drawn ----------------------------------------------------------------------------

// Thresholds that keep a picture of tens of thousands of images readable and small.
constexpr std::size_t kAggregateStripsFromImages = 2000;  // or from this many lines between strips:
constexpr std::size_t kMaxLinesBetweenStrips = 5000;
constexpr std::size_t kMaxLinesWithinStrips = 100000;
constexpr std::size_t kListedInLegend = 40;
constexpr std::size_t kListedPerLine = 10;

struct Placed {
    std::int32_t image = 0;
    std::int32_t strip = 0;
    D_RECT rect{};  // in the layout plane, y up
    ImageTies ties;
    std::int64_t gcps = 0;
};

struct GcpMarker {
    double x = 0, y = 0;  // layout plane
};

struct Picture {
    std::string title;   // the block's name
    std::string totals;  // what it holds
    std::vector<Placed> images;
    std::unordered_map<std::int32_t, std::size_t> byImage;
    std::vector<GcpMarker> gcps;
    std::string gcpSource;  // what the markers come from, for the legend
    TieCounts const* counts = nullptr;
    WeakTies weak;
    bool colourByGcps = false;
    bool tiePointFile = true;
    bool onGround = false;  // placed by the images' user ranges, scaled to the layout's image width
};

// Maps the layout plane (y up) onto the page (y down), a margin and the header above it.
struct Frame {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    double left = 0, top = 0;
    double x(double layoutX) const { return left + (layoutX - minX); }
    double y(double layoutY) const { return top + (maxY - layoutY); }
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
};

double centreX(D_RECT const& rect) { return (rect.xMin + rect.xMax) / 2; }
double centreY(D_RECT const& rect) { return (rect.yMin + rect.yMax) / 2; }

std::pair<std::int64_t, std::int64_t> valueRange(Picture const& picture);

// Width of a connection: from a hairline to a third of an image's height, by its share of the most.
double lineWidth(std::int64_t shared, std::int64_t most) {
    return 3.0 + 57.0 * static_cast<double>(shared) / static_cast<double>(std::max<std::int64_t>(most, 1));
}

void drawConnections(Picture const& picture, Frame const& frame, Svg& svg, std::vector<std::string>& notes) {
    if (picture.counts == nullptr) return;
    // A pair with its images, found once.
    struct Link {
        SharedPoints const* pair;
        Placed const* first;
        Placed const* second;
    };
    std::vector<Link> within, between;
    within.reserve(picture.counts->imagePairs.size());
    for (SharedPoints const& pair : picture.counts->imagePairs) {
        auto const a = picture.byImage.find(pair.first), b = picture.byImage.find(pair.second);
        if (a == picture.byImage.end() || b == picture.byImage.end()) continue;
        Placed const& first = picture.images[a->second];
        Placed const& second = picture.images[b->second];
        (first.strip == second.strip ? within : between).push_back({&pair, &first, &second});
    }
    std::int64_t most = 1;
    for (Link const& link : within) most = std::max(most, link.pair->points);
    bool const aggregate =
        picture.images.size() >= kAggregateStripsFromImages || between.size() > kMaxLinesBetweenStrips;
    if (!aggregate)
        for (Link const& link : between) most = std::max(most, link.pair->points);

    svg << "<g id=\"connections\" fill=\"none\" stroke=\"" << kLineColour << "\" stroke-opacity=\"0.7\">\n";
    if (within.size() <= kMaxLinesWithinStrips) {
        for (auto const& [pair, from, to] : within) {
            D_RECT const& a = from->rect;
            D_RECT const& b = to->rect;
            double const ax = frame.x(centreX(a)), bx = frame.x(centreX(b)), y = frame.y(centreY(a));
            int const apart = std::abs(pair->second % 100 - pair->first % 100);
            svg << "<path stroke-width=\"" << lineWidth(pair->points, most) << "\" d=\"M" << ax << " " << y;
            if (picture.onGround) {
                svg << "L" << bx << " " << frame.y(centreY(b));  // a strip on the ground need not be level
            } else if (apart <= 1) {
                svg << "H" << bx;
            } else {
                // Images further apart are joined by an arc over the strip, so the line shows in the gap
                // above it instead of hiding under the images between.
                double const lift = 2.0 * (yb::imagelist::kImageHeight / 2 + 8.0 + 6.0 * std::min(apart, 6));
                svg << "Q" << (ax + bx) / 2 << " " << y - lift << " " << bx << " " << y;
            }
            svg << "\"/>\n";
        }
    } else {
        notes.push_back("connections within strips not drawn: " +
                        counted(within.size(), "pair of images", "pairs of images"));
    }
    if (!aggregate) {
        for (auto const& [pair, from, to] : between) {
            D_RECT const& a = from->rect;
            D_RECT const& b = to->rect;
            svg << "<path stroke-width=\"" << lineWidth(pair->points, most) << "\" d=\"M" << frame.x(centreX(a)) << " "
                << frame.y(centreY(a)) << "L" << frame.x(centreX(b)) << " " << frame.y(centreY(b)) << "\"/>\n";
        }
    } else {
        // One band per pair of strips, at the middle of what the two strips have in common.
        std::unordered_map<std::int32_t, std::pair<double, double>> extent;  // strip: x from, x to
        std::unordered_map<std::int32_t, double> rowY;
        for (Placed const& image : picture.images) {
            auto [at, added] = extent.try_emplace(image.strip, image.rect.xMin, image.rect.xMax);
            if (!added) {
                at->second.first = std::min(at->second.first, image.rect.xMin);
                at->second.second = std::max(at->second.second, image.rect.xMax);
            }
            rowY[image.strip] = centreY(image.rect);
        }
        std::int64_t mostBetween = 1;
        for (SharedPoints const& pair : picture.counts->stripPairs) mostBetween = std::max(mostBetween, pair.points);
        std::size_t drawn = 0;
        for (SharedPoints const& pair : picture.counts->stripPairs) {
            if (extent.count(pair.first) == 0 || extent.count(pair.second) == 0) continue;
            auto const [a0, a1] = extent.at(pair.first);
            auto const [b0, b1] = extent.at(pair.second);
            double const from = std::max(a0, b0), to = std::min(a1, b1);
            double const x = frame.x(from <= to ? (from + to) / 2 : (std::min(a0, b0) + std::max(a1, b1)) / 2);
            svg << "<path stroke-width=\"" << 2.0 * lineWidth(pair.points, mostBetween) << "\" d=\"M" << x << " "
                << frame.y(rowY.at(pair.first)) << "V" << frame.y(rowY.at(pair.second)) << "\"><title>strips "
                << pair.first << " and " << pair.second << ": " << pair.points << " shared points</title></path>\n";
            ++drawn;
        }
        notes.push_back("connections between strips drawn in aggregate: " + counted(drawn, "band", "bands") + " for " +
                        counted(between.size(), "pair of images", "pairs of images"));
    }
    svg << "</g>\n";
}

void drawImages(Picture const& picture, Frame const& frame, double scale, Svg& svg) {
    auto const [low, high] = valueRange(picture);
    double const width = yb::imagelist::kImageWidth;
    svg << "<g id=\"images\" stroke=\"#262626\" stroke-width=\"2\">\n";
    for (Placed const& image : picture.images) {
        std::int64_t const value = picture.colourByGcps ? image.gcps : image.ties.observations;
        svg << "<rect id=\"image-" << image.image << "\" x=\"" << frame.x(image.rect.xMin) << "\" y=\""
            << frame.y(image.rect.yMax) << "\" width=\"" << image.rect.xMax - image.rect.xMin << "\" height=\""
            << image.rect.yMax - image.rect.yMin << "\" fill=\"" << colourOf(value, low, high) << "\"><title>image "
            << image.image << ": ";
        svg.counted(image.ties.observations, "observation", "observations") << ", ";
        svg.counted(image.ties.tiedPoints, "point", "points") << " tied to other images, ";
        svg.counted(image.gcps, "control point", "control points") << "</title></rect>\n";
    }
    svg << "</g>\n";
    // Numbers only where they can be read.
    if (width * scale >= 40.0) {
        svg << "<g id=\"image-numbers\" font-family=\"sans-serif\" font-size=\"30\" fill=\"#ffffff\" "
               "stroke=\"#000000\" "
               "stroke-width=\"4\" paint-order=\"stroke\">\n";
        for (Placed const& image : picture.images)
            svg << "<text x=\"" << frame.x(image.rect.xMin) + 12 << "\" y=\"" << frame.y(image.rect.yMax) + 38 << "\">"
                << image.image << "</text>\n";
        svg << "</g>\n";
    }
}

void drawWarnings(Picture const& picture, Frame const& frame, Svg& svg) {
    double const stroke = 12.0;
    svg << "<g id=\"weak\" fill=\"none\" stroke=\"" << kWarning << "\" stroke-width=\"" << stroke << "\">\n";
    for (auto const& [image, tied] : picture.weak.images) {
        auto const at = picture.byImage.find(image);
        if (at == picture.byImage.end()) continue;
        D_RECT const& rect = picture.images[at->second].rect;
        // Inside the image's edge, so the image keeps its own colour in the middle.
        svg << "<rect x=\"" << frame.x(rect.xMin) + stroke / 2 << "\" y=\"" << frame.y(rect.yMax) + stroke / 2
            << "\" width=\"" << rect.xMax - rect.xMin - stroke << "\" height=\"" << rect.yMax - rect.yMin - stroke
            << "\"/>\n";
    }
    // A weak pair of strips: a dashed line along the gap between their rows.
    std::unordered_map<std::int32_t, D_RECT> rows;  // strip: one image's rectangle, for the row's height
    for (Placed const& image : picture.images) rows.try_emplace(image.strip, image.rect);
    for (SharedPoints const& pair : picture.weak.strips) {
        auto const upper = rows.find(pair.first), lower = rows.find(pair.second);
        if (upper == rows.end() || lower == rows.end()) continue;
        double const y = (frame.y(upper->second.yMin) + frame.y(lower->second.yMax)) / 2;
        svg << "<path stroke-dasharray=\"40 20\" d=\"M" << frame.x(frame.minX) - 30 << " " << y << "H"
            << frame.x(frame.maxX) + 30 << "\"><title>strips " << pair.first << " and " << pair.second << ": "
            << pair.points << " shared points</title></path>\n";
    }
    // Consecutive images of a strip that share too few points: a dashed line between their centres,
    // where the strip may be broken.
    for (SharedPoints const& link : picture.weak.links) {
        auto const first = picture.byImage.find(link.first), second = picture.byImage.find(link.second);
        if (first == picture.byImage.end() || second == picture.byImage.end()) continue;
        D_RECT const& a = picture.images[first->second].rect;
        D_RECT const& b = picture.images[second->second].rect;
        svg << "<path stroke-dasharray=\"40 20\" d=\"M" << frame.x(centreX(a)) << " " << frame.y(centreY(a)) << "L"
            << frame.x(centreX(b)) << " " << frame.y(centreY(b)) << "\"><title>images " << link.first << " and "
            << link.second << ": " << link.points << " shared points</title></path>\n";
    }
    svg << "</g>\n";
}

void drawGcps(Picture const& picture, Frame const& frame, Svg& svg) {
    if (picture.gcps.empty()) return;
    svg << "<g id=\"gcps\" fill=\"#ffffff\" stroke=\"#000000\" stroke-width=\"5\">\n";
    for (GcpMarker const& gcp : picture.gcps) {
        double const x = frame.x(gcp.x), y = frame.y(gcp.y);
        svg << "<path d=\"M" << x << " " << y - 26 << "L" << x + 23 << " " << y + 14 << "H" << x - 23 << "Z\"/>\n";
    }
    svg << "</g>\n";
}

std::pair<std::int64_t, std::int64_t> valueRange(Picture const& picture) {
    std::int64_t low = 0, high = 0;
    for (Placed const& image : picture.images) {
        std::int64_t const value = picture.colourByGcps ? image.gcps : image.ties.observations;
        if (value <= 0) continue;
        low = low == 0 ? value : std::min(low, value);
        high = std::max(high, value);
    }
    // One value everywhere (one control point per image): the scale starts at none, so it reads 0 ... 1.
    if (low == high) low = 0;
    return {low, high};
}

std::string fewerThan(Picture const& picture) {
    return "fewer than " + std::to_string(picture.weak.threshold) + " tie points";
}

// Title, what the colours say, and the keys of the outline and the lines.
void drawHeader(Picture const& picture, double margin, double font, double line, double scale, Svg& svg) {
    auto const [low, high] = valueRange(picture);
    svg << "<g font-family=\"sans-serif\" fill=\"#000000\" font-size=\"" << font << "\">\n<text x=\"" << margin
        << "\" y=\"" << margin + font * 1.3 << "\" font-size=\"" << font * 1.3 << "\" font-weight=\"bold\">";
    svg.escaped(picture.title);
    svg << "</text>\n<text x=\"" << margin << "\" y=\"" << margin + font * 1.3 + line << "\">";
    svg.escaped(picture.totals);
    svg << "</text>\n";
    double const top = margin + 3.2 * line;
    double const barWidth = 20.0 * font;
    double const hairline = 1.0 / scale;
    svg << "<text x=\"" << margin << "\" y=\"" << top << "\">colour: "
        << (picture.colourByGcps ? "ground control points per image" : "tie point observations per image")
        << "</text>\n";
    svg << "<rect x=\"" << margin << "\" y=\"" << top + 0.5 * line << "\" width=\"" << barWidth << "\" height=\""
        << font << "\" fill=\"url(#scale)\" stroke=\"#262626\" stroke-width=\"" << hairline << "\"/>\n";
    std::string const lowText = high > 0 ? std::to_string(low) : "-", highText = high > 0 ? std::to_string(high) : "-";
    svg << "<text x=\"" << margin << "\" y=\"" << top + 1.5 * line + font << "\">" << lowText << "</text>\n";
    svg << "<text x=\"" << margin + barWidth << "\" y=\"" << top + 1.5 * line + font << "\" text-anchor=\"end\">"
        << highText << "</text>\n";
    double const keyX = margin + barWidth + 2 * font, keyY = top + 0.5 * line;
    svg << "<rect x=\"" << keyX << "\" y=\"" << keyY << "\" width=\"" << 2 * font << "\" height=\"" << font
        << "\" fill=\"" << kNoValue << "\" stroke=\"#262626\" stroke-width=\"" << hairline << "\"/>\n";
    svg << "<text x=\"" << keyX + 2.5 * font << "\" y=\"" << keyY + font * 0.85 << "\">none</text>\n";
    svg << "<rect x=\"" << keyX + 7 * font << "\" y=\"" << keyY << "\" width=\"" << 2 * font << "\" height=\"" << font
        << "\" fill=\"none\" stroke=\"" << kWarning << "\" stroke-width=\"" << 3 * hairline << "\"/>\n";
    svg << "<text x=\"" << keyX + 9.5 * font << "\" y=\"" << keyY + font * 0.85 << "\">tied by " << fewerThan(picture)
        << "</text>\n";
    svg << "<text x=\"" << keyX << "\" y=\"" << top + 1.5 * line + font
        << "\">lines: images sharing points, as wide as the points they share</text>\n</g>\n";
}

// Strip numbers at the left of each strip, where they can be read.
void drawStripNumbers(Picture const& picture, Frame const& frame, double font, double scale, Svg& svg) {
    if (yb::imagelist::kImageHeight * scale < 10.0) return;
    std::unordered_map<std::int32_t, double> rows;
    for (Placed const& image : picture.images) rows.emplace(image.strip, centreY(image.rect));
    std::vector<std::pair<std::int32_t, double>> sorted(rows.begin(), rows.end());
    std::sort(sorted.begin(), sorted.end());
    svg << "<g id=\"strip-numbers\" font-family=\"sans-serif\" font-size=\"" << std::min(font, 80.0)
        << "\" text-anchor=\"end\">\n";
    for (auto const& [strip, y] : sorted)
        svg << "<text x=\"" << frame.left - font << "\" y=\"" << frame.y(y) + font * 0.35 << "\">" << strip
            << "</text>\n";
    svg << "</g>\n";
}

// The lines below the drawing: weak ties, markers, what the drawing leaves out, notes.
std::vector<std::string> legendOf(Picture const& picture, std::vector<std::string> drawingNotes,
                                  std::vector<std::string> notes) {
    std::vector<std::string> legend;
    auto listed = [&](std::string heading, std::vector<std::string> const& items) {
        legend.push_back(std::move(heading));
        std::size_t const shown = std::min(items.size(), kListedInLegend);
        for (std::size_t i = 0; i < shown; i += kListedPerLine) {
            std::string row = "    ";
            for (std::size_t j = i; j < std::min(shown, i + kListedPerLine); ++j)
                row += (j == i ? "" : ", ") + items[j];
            legend.push_back(std::move(row));
        }
        if (items.size() > shown)
            legend.push_back("    and " + std::to_string(items.size() - shown) +
                             " more ('ybblock check --limit 0' lists them)");
    };
    if (!picture.weak.images.empty()) {
        std::vector<std::string> items;
        for (auto const& [image, tied] : picture.weak.images)
            items.push_back(std::to_string(image) + " (" + std::to_string(tied) + ")");
        listed(counted(items.size(), "image", "images") + " tied to others by " + fewerThan(picture) +
                   ", outlined: image (its tied points)",
               items);
    }
    if (!picture.weak.strips.empty()) {
        std::vector<std::string> items;
        for (SharedPoints const& pair : picture.weak.strips)
            items.push_back(std::to_string(pair.first) + "-" + std::to_string(pair.second) + " (" +
                            std::to_string(pair.points) + ")");
        listed(counted(items.size(), "pair", "pairs") + " of neighbouring strips sharing " + fewerThan(picture) +
                   ", dashed between them: strips (their shared points)",
               items);
    }
    if (!picture.weak.links.empty()) {
        std::vector<std::string> items;
        for (SharedPoints const& link : picture.weak.links)
            items.push_back(std::to_string(link.first) + "-" + std::to_string(link.second) + " (" +
                            std::to_string(link.points) + ")");
        listed(counted(items.size(), "pair", "pairs") + " of consecutive images in a strip sharing " +
                   fewerThan(picture) + ", dashed between them: images (their shared points)",
               items);
    }
    if (!picture.tiePointFile)
        legend.push_back("the block has no tie point file yet");
    else if (picture.weak.images.empty() && picture.weak.strips.empty() && picture.weak.links.empty())
        legend.push_back("every image and every pair of neighbouring strips is tied by at least " +
                         std::to_string(picture.weak.threshold) + " tie points");
    legend.push_back(picture.gcps.empty() ? "no ground control points: " + picture.gcpSource
                                          : "triangles: " +
                                                counted(static_cast<std::int64_t>(picture.gcps.size()),
                                                        "ground control point", "ground control points") +
                                                ", each amid the images it is measured on (" + picture.gcpSource + ")");
    for (auto& note : drawingNotes) legend.push_back(std::move(note));
    for (auto& note : notes) legend.push_back(std::move(note));
    return legend;
}

std::string svgOf(Picture const& picture, std::vector<std::string> notes) {
    Frame frame;
    bool first = true;
    for (Placed const& image : picture.images) {
        D_RECT const& rect = image.rect;
        frame.minX = first ? rect.xMin : std::min(frame.minX, rect.xMin);
        frame.maxX = first ? rect.xMax : std::max(frame.maxX, rect.xMax);
        frame.minY = first ? rect.yMin : std::min(frame.minY, rect.yMin);
        frame.maxY = first ? rect.yMax : std::max(frame.maxY, rect.yMax);
        first = false;
    }
    // Page units are layout units; the picture is shown at most 1600 pixels wide, and text keeps a
    // readable size in pixels whatever the block's size.
    double const scale = std::min(1.0, 1600.0 / std::max(frame.width() + 400.0, 1.0));
    double const font = 14.0 / scale;
    double const line = font * 1.5;
    double const margin = 20.0 / scale;
    frame.left = margin + 4.5 * font;  // room for the strip numbers
    frame.top = margin + 7.0 * line;   // title, totals, colour bar

    // The drawing first: what it leaves out goes into the legend below it.
    Svg body;
    body.text().reserve(200 * picture.images.size() +
                        100 * (picture.counts != nullptr ? picture.counts->imagePairs.size() : 0) + 10000);
    std::vector<std::string> drawingNotes;
    drawStripNumbers(picture, frame, font, scale, body);
    drawConnections(picture, frame, body, drawingNotes);
    drawImages(picture, frame, scale, body);
    drawWarnings(picture, frame, body);
    drawGcps(picture, frame, body);

    std::vector<std::string> const legend = legendOf(picture, std::move(drawingNotes), std::move(notes));
    // Text is about 0.6 of its size wide per character.
    std::size_t longest = std::max<std::size_t>(picture.totals.size(), 100);
    for (auto const& text : legend) longest = std::max(longest, text.size());
    double const pageWidth =
        std::max(frame.left + frame.width() + margin + 60.0, 2 * margin + 0.6 * font * static_cast<double>(longest));
    double const drawingBottom = frame.top + frame.height() + 40.0;
    double const pageHeight = drawingBottom + (static_cast<double>(legend.size()) + 1.0) * line + margin;
    body << "<g font-family=\"sans-serif\" font-size=\"" << font << "\" fill=\"#000000\">\n";
    double y = drawingBottom + line;
    for (auto const& text : legend) {
        body << "<text x=\"" << margin << "\" y=\"" << y << "\" xml:space=\"preserve\">";
        body.escaped(text);
        body << "</text>\n";
        y += line;
    }
    body << "</g>\n</svg>\n";

    Svg svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
           "width=\""
        << std::ceil(pageWidth * scale) << "\" height=\"" << std::ceil(pageHeight * scale) << "\" viewBox=\"0 0 "
        << std::ceil(pageWidth * scale) / scale << " " << std::ceil(pageHeight * scale) / scale << "\">\n";
    svg << "<title>";
    svg.escaped(picture.title + ": " + picture.totals);
    svg << "</title>\n<defs><linearGradient id=\"scale\">";
    for (std::size_t i = 0; i < kScale.size(); ++i)
        svg << "<stop offset=\"" << 100.0 * static_cast<double>(i) / (kScale.size() - 1) << "%\" stop-color=\""
            << hexOf(kScale[i]) << "\"/>";
    svg << "</linearGradient></defs>\n";
    svg << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    drawHeader(picture, margin, font, line, scale, svg);
    // The head goes in front of the body, in the room the body kept for it: no second copy of the
    // drawing.
    body.text().insert(0, svg.text());
    return std::move(body.text());
}

// Ground rectangles moved to the origin and scaled so that the middle image width is the layout's: the
// picture's strokes, markers and texts are sized for that.
std::vector<D_RECT> toLayoutScale(std::vector<D_RECT> rects) {
    if (rects.empty()) return rects;
    std::vector<double> widths;
    widths.reserve(rects.size());
    double minX = rects.front().xMin, minY = rects.front().yMin;
    for (D_RECT const& rect : rects) {
        widths.push_back(rect.xMax - rect.xMin);
        minX = std::min(minX, rect.xMin);
        minY = std::min(minY, rect.yMin);
    }
    std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2), widths.end());
    double const factor = yb::imagelist::kImageWidth / widths[widths.size() / 2];
    for (D_RECT& rect : rects)
        rect = {(rect.xMin - minX) * factor, (rect.yMin - minY) * factor, (rect.xMax - minX) * factor,
                (rect.yMax - minY) * factor};
    return rects;
}

}  // namespace

int runPlot(PlotOptions const& options, std::ostream& out, std::ostream& err) {
    std::string const host = toHost(options.block);
    auto block = openBlock(host, err);
    if (!block) return kExitUsage;
    std::vector<BlockImage> images;
    if (std::int32_t code = readBlockImages(*block, images)) {
        reportFailure(err, "cannot read the image list", code, block->imageListPath);
        return kExitFailed;
    }
    std::int32_t strips = 0;
    if (std::int32_t code = ybGetStripNumberOfImageRecord(block->imageListPath.c_str(), &strips)) {
        reportFailure(err, "cannot read the image list", code, block->imageListPath);
        return kExitFailed;
    }

    Picture picture;
    picture.colourByGcps = options.colorByGcps;
    TieCounts counts;
    picture.tiePointFile = yb::platform::isRegularFile(block->tiePointPath);
    if (picture.tiePointFile) {
        if (std::int32_t code = countTies(block->tiePointPath, counts)) {
            reportFailure(err, "cannot read the tie point file", code, block->tiePointPath);
            return kExitFailed;
        }
        picture.counts = &counts;
    }
    if (picture.tiePointFile) picture.weak = findWeakTies(counts, images, options.minTies);
    picture.weak.threshold = options.minTies;

    ImagePlacement const placement = placeImages(images, strips);
    picture.onGround = placement.onGround;
    std::vector<D_RECT> const rects = picture.onGround ? toLayoutScale(placement.rects) : placement.rects;
    picture.images.reserve(images.size());
    picture.byImage.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::int32_t const number = images[i].record.nImageNo;
        if (!picture.byImage.emplace(number, picture.images.size()).second) continue;  // drawn once
        picture.images.push_back({number, number / 100, rects[i], counts.imageTies(number), 0});
    }

    std::string const gcpPath = gcpLayoutPathOf(options.gcpLayout, *block);
    picture.gcpSource = gcpPath.empty() ? "no GCP layout file (--gcp-layout names one)" : toTerminal(gcpPath);
    std::vector<BLOCKGCPLAYOUTINFO> records;
    if (std::int32_t code = readGcpLayout(gcpPath, records)) {
        reportFailure(err, "cannot read the GCP layout file", code, gcpPath);
        return kExitFailed;
    }
    for (BLOCKGCPLAYOUTINFO const& record : records) {
        GcpMarker marker;
        int seen = 0;
        for (std::int32_t i = 0; i < std::clamp(record.imageCount, 0, 12); ++i) {
            auto const at = picture.byImage.find(record.imageNo[i]);
            if (at == picture.byImage.end()) continue;
            Placed& image = picture.images[at->second];
            ++image.gcps;
            marker.x += centreX(image.rect);
            marker.y += centreY(image.rect);
            ++seen;
        }
        if (seen == 0) continue;
        marker.x /= seen;
        marker.y /= seen;
        picture.gcps.push_back(marker);
    }

    std::string const name = fieldText(block->info.blockName);
    picture.title = "Block " + name;
    picture.totals = counted(picture.images.size(), "image", "images") + " in " + counted(strips, "strip", "strips") +
                     ", " + counted(counts.observations, "tie point observation", "tie point observations") + " of " +
                     counted(counts.points, "point", "points") + ", " +
                     counted(picture.gcps.size(), "ground control point", "ground control points");
    std::vector<std::string> notes{"block option file: " + toTerminal(host),
                                   placement.onGround ? "images placed on the ground by the user ranges of their files"
                                                      : "images placed by strip and position: " + placement.why};
    std::string const svg = svgOf(picture, std::move(notes));

    std::string const summary = "plot: " + counted(picture.images.size(), "image", "images") + ", " +
                                counted(picture.weak.images.size(), "weakly tied image", "weakly tied images") + ", " +
                                counted(picture.weak.strips.size(), "weakly tied pair", "weakly tied pairs") +
                                " of strips";
    if (!writeOutput(options.output, svg, "the picture", out, err)) return kExitFailed;
    if (toStandardOutput(options.output)) return kExitOk;
    out << summary << "; " << svg.size() << " bytes written to " << options.output << "\n";
    return kExitOk;
}

}  // namespace ybblock
