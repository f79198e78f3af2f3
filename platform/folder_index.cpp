// SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
// SPDX-License-Identifier: MIT
#include "folder_index.h"

#include "work_copies.h"

#include <yb/HostBaseInternal.h>

#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace yb::platform::folder_index {
namespace {

// Beyond this many folders, the half used longest ago is dropped.
constexpr std::size_t kMostFolders = 4096;

std::string folded(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// The same in a buffer of the thread's, for a look in an index: no allocation a name. Good until the
// thread's next call.
std::string const& foldedKey(std::string_view name) {
    thread_local std::string key;
    key.assign(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool sameTime(timespec const& a, timespec const& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
bool notBefore(timespec const& a, timespec const& b) {
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec >= b.tv_nsec);
}

timespec coarseNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

// The names on disk that fold to one name, in byte order: nearly always one, held without an
// allocation of its own when it is the folded name itself (kept empty then).
struct Spellings {
    std::string first;
    std::vector<std::string> others;

    std::string_view front(std::string const& key) const { return first.empty() ? key : first; }
    bool holds(std::string const& key, std::string_view name) const {
        return front(key) == name || std::binary_search(others.begin(), others.end(), name);
    }
};

// Folded name -> its spellings. The entries lie in one array, found through an open-addressing table
// of their indices (linear probing, at most half full): a folder of tens of thousands of names is
// indexed without an allocation a name (a name of up to fifteen bytes is held in its entry), and its
// lookups touch two places rather than a chain of nodes strewn over the heap.
class FoldedNames {
public:
    struct Entry {
        std::string key;
        Spellings spellings;
    };

    Entry const* find(std::string const& key) const {
        if (slots_.empty()) return nullptr;
        Slot const& slot = slots_[slotOf(key, hashOf(key))];
        return slot.entry == 0 ? nullptr : &entries_[slot.entry - 1];
    }
    Entry* find(std::string const& key) { return const_cast<Entry*>(std::as_const(*this).find(key)); }
    // The entry of `key`, made (with no spellings) when it is new; true when it was.
    std::pair<Entry*, bool> tryEmplace(std::string const& key) {
        if ((entries_.size() + 1) * 2 > slots_.size()) grow();
        std::uint32_t const hash = hashOf(key);
        Slot& slot = slots_[slotOf(key, hash)];
        if (slot.entry != 0) return {&entries_[slot.entry - 1], false};
        entries_.push_back({key, {}});
        slot = {hash, static_cast<std::uint32_t>(entries_.size())};
        return {&entries_.back(), true};
    }
    // Drops the entry: the last entry takes its place in the array, and the slots after its own move
    // back where their probes allow, so that no probe meets a gap before its key.
    void erase(Entry* entry) {
        auto const index = static_cast<std::uint32_t>(entry - entries_.data());
        std::size_t const mask = slots_.size() - 1;
        std::size_t gap = slotOf(entry->key, hashOf(entry->key));
        for (std::size_t next = (gap + 1) & mask; slots_[next].entry != 0; next = (next + 1) & mask) {
            std::size_t const home = slots_[next].hash & mask;
            // The slot at `next` may move to the gap when its home is not between the gap and it.
            if (((next - home) & mask) >= ((next - gap) & mask)) {
                slots_[gap] = slots_[next];
                gap = next;
            }
        }
        slots_[gap] = Slot{};
        std::uint32_t const last = static_cast<std::uint32_t>(entries_.size() - 1);
        if (index != last) {
            Entry& moved = entries_[last];
            slots_[slotOf(moved.key, hashOf(moved.key))].entry = index + 1;
            entries_[index] = std::move(moved);
        }
        entries_.pop_back();
    }
    void clear() {
        slots_.clear();
        entries_.clear();
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t entry = 0;  // 0: empty; else 1 + the entry's index
    };
    static std::uint32_t hashOf(std::string_view key) {
        return static_cast<std::uint32_t>(std::hash<std::string_view>{}(key));
    }
    // The slot holding `key`, or the empty one where it belongs.
    std::size_t slotOf(std::string_view key, std::uint32_t hash) const {
        std::size_t const mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot const& slot = slots_[at];
            if (slot.entry == 0 || (slot.hash == hash && entries_[slot.entry - 1].key == key)) return at;
        }
    }
    void grow() {
        std::vector<Slot> old(std::max<std::size_t>(64, slots_.size() * 2));
        old.swap(slots_);
        std::size_t const mask = slots_.size() - 1;
        for (Slot const& slot : old) {
            if (slot.entry == 0) continue;
            std::size_t at = slot.hash & mask;
            while (slots_[at].entry != 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
};

struct Folder {
    dev_t device = 0;
    ino_t inode = 0;
    timespec changed{};           // the folder's change time the names are current with
    std::uint64_t count = 0;      // the process's change count they are current with
    timespec readAt{};            // clock tick of the last reading
    bool sameTickAsRead = false;  // changed within the tick of the reading: a change may hide in it
    std::uint64_t lastUse = 0;
    FoldedNames names;
    std::size_t workCopies = 0;  // names that end as the work copy of a change does

    void add(std::string_view name) {
        auto const [entry, added] = names.tryEmplace(foldedKey(name));
        std::string const& key = entry->key;
        Spellings& spellings = entry->spellings;
        if (added) {
            if (key != name) spellings.first = name;
        } else {
            if (spellings.holds(key, name)) return;
            // All spellings in byte order, the smallest first.
            std::vector<std::string> all;
            all.reserve(spellings.others.size() + 2);
            all.emplace_back(spellings.front(key));
            for (auto& other : spellings.others) all.push_back(std::move(other));
            all.insert(std::lower_bound(all.begin(), all.end(), name), std::string(name));
            spellings.first = all.front() == key ? std::string() : std::move(all.front());
            spellings.others.assign(std::make_move_iterator(all.begin() + 1), std::make_move_iterator(all.end()));
        }
        if (isWorkCopyName(name)) ++workCopies;
    }
    void remove(std::string_view name) {
        FoldedNames::Entry* const entry = names.find(foldedKey(name));
        if (entry == nullptr) return;
        std::string const& key = entry->key;
        Spellings& spellings = entry->spellings;
        if (spellings.front(key) == name) {
            if (spellings.others.empty()) {
                names.erase(entry);
            } else {
                spellings.first = spellings.others.front() == key ? std::string() : std::move(spellings.others.front());
                spellings.others.erase(spellings.others.begin());
            }
        } else {
            auto const at = std::lower_bound(spellings.others.begin(), spellings.others.end(), name);
            if (at == spellings.others.end() || *at != name) return;
            spellings.others.erase(at);
        }
        if (isWorkCopyName(name)) --workCopies;
    }
};

// The indexes of one thread's call (CallScope).
struct Indexes {
    std::unordered_map<std::string, Folder> folders;
    std::uint64_t uses = 0;
    int depth = 0;           // this library's CallScopes open on the thread
    std::uint64_t call = 0;  // the thread's outermost call (any library's) the indexes were made in

    void clear() {
        folders.clear();
        uses = 0;
    }
};

thread_local Indexes indexes;
std::atomic<std::uint64_t> folderReadings{0};

Found lookUp(Folder const& index, std::string_view name) {
    FoldedNames::Entry const* const hit = index.names.find(foldedKey(name));
    if (hit == nullptr) return {Match::Missing, {}};
    if (hit->spellings.holds(hit->key, name)) return {Match::Exact, std::string(name)};
    return {Match::OtherCase, std::string(hit->spellings.front(hit->key))};
}

// Reads the folder's names. The change count, the clock and the folder's stamp are taken before the
// names, so a change made while they are read shows as a difference at the next use.
bool readFolder(std::string const& path, Folder& folder) {
    ++folderReadings;
    folder.count = hbFolderChangeCount(folderKey(path));
    folder.readAt = coarseNow();
    int const descriptor = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        return false;
    }
    DIR* listing = ::fdopendir(descriptor);
    if (listing == nullptr) {
        ::close(descriptor);
        return false;
    }
    folder.device = info.st_dev;
    folder.inode = info.st_ino;
    folder.changed = info.st_ctim;
    // A change time later than the tick's clock was stamped finer than the tick: the kernel gives the
    // next change a finer stamp too, so nothing can hide in this tick.
    timespec const now = coarseNow();
    bool const finerThanTick = !notBefore(now, info.st_ctim);
    folder.sameTickAsRead = notBefore(info.st_ctim, folder.readAt) && !finerThanTick;
    folder.names.clear();
    folder.workCopies = 0;
    while (dirent* entry = ::readdir(listing)) {
        std::string_view const name(entry->d_name);
        if (name != "." && name != "..") folder.add(name);
    }
    ::closedir(listing);
    return true;
}

bool current(Folder const& folder, struct stat const& info, std::uint64_t count) {
    return folder.device == info.st_dev && folder.inode == info.st_ino && sameTime(folder.changed, info.st_ctim) &&
           folder.count == count;
}

void dropOldest(Indexes& all) {
    std::vector<std::pair<std::uint64_t, std::string const*>> byUse;
    byUse.reserve(all.folders.size());
    for (auto const& [path, folder] : all.folders) byUse.emplace_back(folder.lastUse, &path);
    auto middle = byUse.begin() + static_cast<std::ptrdiff_t>(byUse.size() / 2);
    std::nth_element(byUse.begin(), middle, byUse.end());
    std::vector<std::string> old;
    for (auto it = byUse.begin(); it != middle; ++it) old.push_back(*it->second);
    for (auto const& path : old) all.folders.erase(path);
}

std::pair<std::string_view, std::string_view> splitLastView(std::string_view path) {
    std::size_t const slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {std::string_view(), path};
    return {slash == 0 ? std::string_view("/") : path.substr(0, slash), path.substr(slash + 1)};
}

std::pair<std::string, std::string> splitLast(std::string const& path) {
    auto const [folder, name] = splitLastView(path);
    return {std::string(folder), std::string(name)};
}

// Keeps the index of `folder`, when the thread's call holds one, current with `changes` changes of
// the library's own, counted already (the count now `count`).
template <class Change>
void ownChanges(std::string const& folder, std::uint64_t count, std::uint64_t changes, Change change) {
    Indexes& all = indexes;
    auto it = all.folders.find(folder);
    if (it == all.folders.end()) return;
    Folder& index = it->second;
    struct stat info {};
    // Another change came between the index's last check and these: read the folder again.
    if (index.count + changes != count || ::stat(folder.empty() ? "." : folder.c_str(), &info) != 0 ||
        info.st_dev != index.device || info.st_ino != index.inode) {
        all.folders.erase(it);
        return;
    }
    index.count = count;
    index.changed = info.st_ctim;
    change(index);
}

template <class Change>
void ownChange(std::string const& folder, Change change) {
    ownChanges(folder, hbCountFolderChange(folderKey(folder)), 1, change);
}

// Drops the indexes of paths that name folders no longer (removed or renamed).
template <class Paths, class PathOf>
void forgetFolders(Paths const& paths, PathOf pathOf) {
    if (indexes.folders.empty()) return;
    for (auto const& path : paths) indexes.folders.erase(pathOf(path));
}

}  // namespace

std::string foldedName(std::string_view name) { return folded(name); }

std::uint64_t folderKey(std::string const& folder) { return std::hash<std::string>{}(folder); }

// A call of this library inside a call of another (a workflow of the tool or a companion library that
// calls it per image) keeps its indexes for that outer call; what a call before it left is dropped.
void enterCall() {
    std::uint64_t const call = hbEnterCall();
    if (indexes.depth++ == 0 && indexes.call != call) {
        indexes.clear();
        indexes.call = call;
    }
}

void leaveCall() {
    bool const outermost = hbLeaveCall();
    if (--indexes.depth == 0 && outermost) indexes.clear();
}

Found find(std::string const& folder, struct stat const& folderInfo, std::string_view name) {
    if (!S_ISDIR(folderInfo.st_mode)) return {Match::Unreadable, {}};
    // Outside a call the index serves this one lookup only.
    if (indexes.depth == 0) {
        Folder once;
        if (!readFolder(folder, once)) return {Match::Unreadable, {}};
        return lookUp(once, name);
    }
    std::uint64_t const count = hbFolderChangeCount(folderKey(folder));
    Indexes& all = indexes;
    auto it = all.folders.find(folder);
    if (it == all.folders.end() || !current(it->second, folderInfo, count)) {
        if (it == all.folders.end() && all.folders.size() >= kMostFolders) dropOldest(all);
        Folder fresh;
        if (!readFolder(folder, fresh)) {
            all.folders.erase(folder);
            return {Match::Unreadable, {}};
        }
        it = all.folders.insert_or_assign(folder, std::move(fresh)).first;
    }
    Folder* index = &it->second;
    index->lastUse = ++all.uses;
    if (index->sameTickAsRead && index->names.find(foldedKey(name)) == nullptr &&
        !sameTime(coarseNow(), index->readAt)) {
        // The folder changed in the tick it was read in; now that the tick is over, one more reading
        // settles whether the name is there.
        Folder fresh;
        if (readFolder(folder, fresh)) {
            fresh.lastUse = index->lastUse;
            *index = std::move(fresh);
        }
    }
    return lookUp(*index, name);
}

bool mayHoldWorkCopies(std::string const& folder) {
    auto it = indexes.folders.find(folder);
    return it == indexes.folders.end() || it->second.workCopies != 0;
}

bool held(std::string const& folder) { return indexes.folders.count(folder) != 0; }

// Lambdas below capture plain variables, not structured bindings, which older compilers refuse.
void added(std::string const& path) {
    auto const parts = splitLast(path);
    std::string const& name = parts.second;
    ownChange(parts.first, [&](Folder& index) { index.add(name); });
}

void removed(std::string const& path) {
    auto const parts = splitLast(path);
    std::string const& name = parts.second;
    ownChange(parts.first, [&](Folder& index) { index.remove(name); });
    // A removed folder's own index goes with it.
    indexes.folders.erase(path);
}

void renamed(std::string const& from, std::string const& to) {
    auto const fromParts = splitLast(from);
    auto const toParts = splitLast(to);
    std::string const& fromFolder = fromParts.first;
    std::string const& fromName = fromParts.second;
    std::string const& toName = toParts.second;
    if (fromFolder != toParts.first) {
        removed(from);
        added(to);
        return;
    }
    // One change of one folder.
    ownChange(fromFolder, [&](Folder& index) {
        index.remove(fromName);
        index.add(toName);
    });
    indexes.folders.erase(from);
}

void countChange(std::string const& folder) { hbCountFolderChange(folderKey(folder)); }

void renamedInPlaceAll(std::vector<std::pair<std::string, std::string>> const& renames) {
    // Each folder's renames, names within it from and to (views into `renames`); a batch's renames come
    // folder after folder, so the folder of the one before is tried first.
    using Names = std::vector<std::pair<std::string_view, std::string_view>>;
    std::unordered_map<std::string_view, Names> byFolder;
    std::string_view lastFolder;
    Names* last = nullptr;
    for (auto const& rename : renames) {
        auto const [folder, from] = splitLastView(rename.first);
        if (last == nullptr || folder != lastFolder) {
            last = &byFolder[folder];
            lastFolder = folder;
        }
        last->emplace_back(from, splitLastView(rename.second).second);
    }
    for (auto const& entry : byFolder) {
        std::string const folder(entry.first);
        Names const& names = entry.second;
        ownChanges(folder, hbFolderChangeCount(folderKey(folder)), names.size(), [&](Folder& index) {
            for (auto const& name : names) {
                index.remove(name.first);
                index.add(name.second);
            }
        });
    }
    // An index of a folder renamed away goes with it. The indexes are few and the renames many: each
    // index looks for its own name among the renames of its parent.
    for (auto it = indexes.folders.begin(); it != indexes.folders.end();) {
        auto const parts = splitLastView(it->first);
        std::string_view const name = parts.second;
        auto const group = byFolder.find(parts.first);
        bool const renamedAway =
            group != byFolder.end() && std::any_of(group->second.begin(), group->second.end(),
                                                   [&](auto const& rename) { return rename.first == name; });
        it = renamedAway ? indexes.folders.erase(it) : std::next(it);
    }
}

void removedAll(std::vector<std::string> const& paths) {
    std::unordered_map<std::string, std::vector<std::string>> byFolder;
    for (auto const& path : paths) {
        auto [folder, name] = splitLast(path);
        byFolder[folder].push_back(std::move(name));
    }
    for (auto const& entry : byFolder) {
        std::vector<std::string> const& names = entry.second;
        ownChange(entry.first, [&](Folder& index) {
            for (auto const& name : names) index.remove(name);
        });
    }
    forgetFolders(paths, [](std::string const& path) -> std::string const& { return path; });
}

std::uint64_t readings() { return folderReadings; }

}  // namespace yb::platform::folder_index
