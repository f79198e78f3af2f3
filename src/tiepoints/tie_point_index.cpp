// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "tiepoints/tie_point_index.h"

#include "tiepoints/tie_point_file.h"
#include "tiepoints/tie_point_messages.h"

namespace yb::tiepoints {

void TiePointIndex::load() {
    loaded_ = true;
    openCode_ = reader_.open(path_.c_str(), HB_MESSAGE_PLAIN);
    if (openCode_ != kSuccess) return;
    // Images whose group lies before a damaged part are read as a reader of one image reads them,
    // without a word about the damage.
    reader_.leaveDamageMessageToCaller();
    if (std::int32_t code = reader_.holdWhole(); code != kSuccess) {
        damageCode_ = code;
        return;
    }
    for (std::int32_t group = 0; group < reader_.groupCount(); ++group) {
        std::int32_t imageNo = 0, count = 0;
        if (std::int32_t code = reader_.nextGroup(imageNo, count); code != kSuccess) {
            damageCode_ = code;
            return;
        }
        // A reader of one image stops at its first group, so later groups of the same image are
        // passed over.
        auto [slot, isNew] = groups_.try_emplace(imageNo);
        std::int32_t code = isNew ? reader_.viewRecords(count, slot->second) : reader_.skipRecords(count);
        if (code != kSuccess) {
            if (isNew) groups_.erase(slot);
            damageCode_ = code;
            return;
        }
    }
}

std::int32_t TiePointIndex::recordsOf(std::int32_t imageNo, std::span<tagImagePoint>& records) {
    records = {};
    if (!loaded_) load();
    if (openCode_ != kSuccess) return openCode_;
    auto it = groups_.find(imageNo);
    if (it != groups_.end()) {
        records = it->second;
        return kSuccess;
    }
    // An image whose group was not reached before a damaged part of the file cannot be read.
    if (damageCode_ != kSuccess) text::showErrorText(text::kFileDamaged);
    return damageCode_;
}

}  // namespace yb::tiepoints
