// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
// The findings of `ybblock check`, for the check itself and for the report that shows them beside the
// map. Looking a block over reads its image list and its tie point file once; what was read is handed
// back, so the report draws the same images and ties the findings speak of.
#pragma once

#include "tie_counts.h"
#include "tool.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ybblock {

struct Finding {
    std::string severity;  // "error", "warning" or "note"
    std::string what;      // a short identifier of the kind of finding
    std::string message;
    std::string path;                   // host path concerned, or empty
    std::int32_t code = 0;              // the reader's code, when a read failed
    std::vector<std::string> examples;  // the items kept, as text
    Json items = Json::array();         // the same items as JSON: image numbers, strips, counts, paths
    std::size_t count = 0;              // every item found, kept or not
    std::size_t keep = kAllItems;       // items kept; the rest are only counted

    static constexpr std::size_t kAllItems = static_cast<std::size_t>(-1);

    bool keeps() const { return examples.size() < keep; }
    void item(std::string text, Json json) {
        itemMadeBy([&] { return std::pair{std::move(text), std::move(json)}; });
    }
    // Counts an item and makes it (`make` returns its text and JSON) only while items are kept.
    template <class Make>
    void itemMadeBy(Make&& make) {
        ++count;
        if (!keeps()) return;
        auto [text, json] = make();
        examples.push_back(std::move(text));
        items.push_back(std::move(json));
    }
};

// What looking a block over read of it.
struct BlockReading {
    std::vector<BlockImage> images;  // the image list, strip by strip (empty when it cannot be read)
    bool imageList = false;          // the image list was read
    bool tiePointFile = false;       // the tie point file exists
    std::int32_t tiePointCode = 0;   // the reader's code when it cannot be read
    TieCounts counts;

    bool tiesReadable() const { return tiePointFile && tiePointCode == 0; }
};

// Every finding on the block, weak ties by `minTies`, in the order check lists them. Each keeps its
// first `keep` items (a page that shows a few need not make 100,000); every item is counted.
std::vector<Finding> checkBlock(Block const& block, std::int64_t minTies, BlockReading& reading,
                                std::size_t keep = Finding::kAllItems);

// A finding as check --json writes it.
Json toJson(Finding const& finding);

}  // namespace ybblock
