#include "filelist/sorting.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "filelist/list_context.h"
#include "platform/files.h"

namespace vellum {

namespace {

// Byte by byte with a-z taken as A-Z; the first differing byte decides, unsigned; a prefix
// sorts first.
int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
        int x = static_cast<unsigned char>(a[k]);
        int y = static_cast<unsigned char>(b[k]);
        if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
        if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A row without the digest first; then the bytes, unsigned, from the first on.
int CompareDigestOf(const FileEntry& a, const FileEntry& b, DigestKind kind) {
    const bool ha = a.digests.holds(kind);
    const bool hb = b.digests.holds(kind);
    if (ha != hb) return ha ? 1 : -1;
    if (!ha) return 0;
    const DigestValue da = a.digests.get(kind);
    const DigestValue db = b.digests.get(kind);
    const auto order = da.bytes <=> db.bytes;
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int CompareAscending(const FileEntry& a, const FileEntry& b, std::int32_t column,
                     bool fileNameOnly) {
    switch (column) {
        case kColumnFilename:
            if (fileNameOnly)
                return CompareFolded(platform::FileNamePart(a.path.view()),
                                     platform::FileNamePart(b.path.view()));
            return CompareFolded(a.path.view(), b.path.view());
        case kColumnSize:
            return Order(a.size, b.size);
        case kColumnCrc16:
            return Order(a.crc16, b.crc16);
        case kColumnCrc32:
            return Order(a.crc32, b.crc32);
        case kColumnXsum:
            return Order(a.xsum, b.xsum);
        case kColumnMd5:
            return CompareDigests(a.md5, b.md5);
        case kColumnStatus:
            return Order(a.status, b.status);
        default:
            if (const auto kind = DigestOfColumn(column)) return CompareDigestOf(a, b, *kind);
            return 0;
    }
}

// ---- Sorting by keys ----
//
// Moving 296-byte rows and comparing them where they lie makes a sort of a million rows a walk
// through 300 MB of scattered memory. Instead the quicksort below runs over compact keys, one
// per row, whose comparison has the sign of CompareEntries on the rows they stand for (by the
// primary key, then the secondary); the rows are then moved once, along the cycles of the
// permutation. The quicksort is the same one, step for step, so the rows end in the same order,
// ties included.

// Bytes of a folded name kept in the key; longer names that tie on them are compared on the rows.
constexpr std::size_t kNameBytes = 24;
constexpr int kNameWords = kNameBytes / 8;

// How one of the two sort keys is laid out in a Key.
struct Section {
    std::int32_t column = kColumnNone;
    bool descending = false;
    int first = 0;        // its first word in Key::words
    int count = 0;        // words: 0 when every pair ties
    bool name = false;    // a name: words tie-break on length or on the rows
    bool digest = false;  // a further digest: words tie-break on the rows
};

// A digest's key: whether the row holds it, then its first 16 bytes; rows that tie on those
// are compared whole.
constexpr int kDigestWords = 3;
// At most a name and a digest: the same column twice is compared once.
constexpr int kKeyWords = kNameWords + kDigestWords;

struct Key {
    std::uint64_t words[kKeyWords];
    std::int32_t row;
    std::uint8_t length[2];  // name bytes after the common prefix, by section (at most
                             // kNameBytes + 1: only whether it passes the bytes kept matters)
    bool cut[2];             // the name is longer than the bytes kept, or a digest's key ties
                             // only on its first bytes
};

std::uint64_t Ordered(std::int64_t v) {
    return static_cast<std::uint64_t>(v) ^ (1ULL << 63);
}

std::uint64_t BigEndian(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int k = 0; k < 8; ++k) v = v << 8 | p[k];
    return v;
}

std::uint8_t FoldByte(char c) {
    const auto b = static_cast<std::uint8_t>(c);
    return b >= 'a' && b <= 'z' ? static_cast<std::uint8_t>(b - ('a' - 'A')) : b;
}

std::string_view NameOf(const FileEntry& e, bool fileNameOnly) {
    return fileNameOnly ? platform::FileNamePart(e.path.view()) : e.path.view();
}

int WordsOf(std::int32_t column) {
    switch (column) {
        case kColumnFilename:
            return kNameWords;
        case kColumnMd5:
            return 2;
        case kColumnSize:
        case kColumnCrc16:
        case kColumnCrc32:
        case kColumnXsum:
        case kColumnStatus:
            return 1;
        default:
            return DigestOfColumn(column) ? kDigestWords : 0;
    }
}

// Every name in the range shares its first prefix bytes (folded): comparing from there on
// changes no result, and keeps a tree's common folders out of the bytes kept.
std::size_t CommonFoldedPrefix(const FileTable& t, std::int32_t first, std::int32_t last,
                               bool fileNameOnly) {
    const std::string_view head = NameOf(t[first], fileNameOnly);
    std::size_t prefix = head.size();
    for (std::int32_t i = first + 1; i <= last && prefix > 0; ++i) {
        const std::string_view name = NameOf(t[i], fileNameOnly);
        std::size_t k = 0;
        const std::size_t n = std::min(prefix, name.size());
        while (k < n && FoldByte(name[k]) == FoldByte(head[k])) ++k;
        prefix = k;
    }
    return prefix;
}

void FillName(Key& key, int which, const Section& s, std::string_view name, std::size_t prefix) {
    std::uint8_t bytes[kNameBytes] = {};
    const std::size_t rest = name.size() - prefix;
    const std::size_t kept = std::min(rest, kNameBytes);
    for (std::size_t k = 0; k < kept; ++k) bytes[k] = FoldByte(name[prefix + k]);
    for (int w = 0; w < kNameWords; ++w) key.words[s.first + w] = BigEndian(bytes + 8 * w);
    key.length[which] = static_cast<std::uint8_t>(std::min(rest, kNameBytes + 1));
    key.cut[which] = rest > kNameBytes;
}

void FillDigest(Key& key, int which, std::uint64_t* w, const FileEntry& e, DigestKind kind) {
    const bool held = e.digests.holds(kind);
    const DigestValue d = e.digests.get(kind);
    w[0] = held ? 1 : 0;
    w[1] = BigEndian(d.bytes.data());
    w[2] = BigEndian(d.bytes.data() + 8);
    key.cut[which] = held;
}

void FillSection(Key& key, int which, const Section& s, const FileEntry& e, bool fileNameOnly,
                 std::size_t prefix) {
    std::uint64_t* w = key.words + s.first;
    switch (s.column) {
        case kColumnFilename:
            FillName(key, which, s, NameOf(e, fileNameOnly), prefix);
            break;
        case kColumnSize:
            w[0] = Ordered(e.size);
            break;
        case kColumnCrc16:
            w[0] = e.crc16;
            break;
        case kColumnCrc32:
            w[0] = e.crc32;
            break;
        case kColumnXsum:
            w[0] = e.xsum;
            break;
        case kColumnStatus:
            w[0] = static_cast<std::uint64_t>(e.status);
            break;
        case kColumnMd5:
            w[0] = BigEndian(e.md5.bytes.data());
            w[1] = BigEndian(e.md5.bytes.data() + 8);
            break;
        default:
            if (const auto kind = DigestOfColumn(s.column)) FillDigest(key, which, w, e, *kind);
            break;
    }
}

class KeyOrder {
  public:
    KeyOrder(const FileTable& t, const SortState& sort) : table_(t), sort_(sort) {
        primary_ = Section{sort.PrimaryColumn,
                           sort.PrimaryDescending,
                           0,
                           WordsOf(sort.PrimaryColumn),
                           sort.PrimaryColumn == kColumnFilename,
                           DigestOfColumn(sort.PrimaryColumn).has_value()};
        // The same column twice ties wherever the first one does (only its sign may differ).
        if (sort.SecondaryColumn != sort.PrimaryColumn)
            secondary_ = Section{sort.SecondaryColumn,
                                 sort.SecondaryDescending,
                                 primary_.count,
                                 WordsOf(sort.SecondaryColumn),
                                 sort.SecondaryColumn == kColumnFilename,
                                 DigestOfColumn(sort.SecondaryColumn).has_value()};
    }

    [[nodiscard]] std::vector<Key> Keys(std::int32_t first, std::int32_t last) const {
        const std::size_t prefix = primary_.name || secondary_.name
                                       ? CommonFoldedPrefix(table_, first, last, sort_.FileNameOnly)
                                       : 0;
        std::vector<Key> keys(static_cast<std::size_t>(last - first) + 1);
        for (std::int32_t i = first; i <= last; ++i) {
            Key& key = keys[static_cast<std::size_t>(i - first)];
            key.row = i;
            FillSection(key, 0, primary_, table_[i], sort_.FileNameOnly, prefix);
            FillSection(key, 1, secondary_, table_[i], sort_.FileNameOnly, prefix);
        }
        return keys;
    }

    // The sign of CompareEntries on the two rows, by the primary key and then the secondary.
    [[nodiscard]] int operator()(const Key& a, const Key& b) const {
        const int r = Compare(a, b, primary_, 0);
        return r != 0 ? r : Compare(a, b, secondary_, 1);
    }

  private:
    int Compare(const Key& a, const Key& b, const Section& s, int which) const {
        int r = 0;
        for (int w = s.first; w < s.first + s.count && r == 0; ++w)
            r = Order(a.words[w], b.words[w]);
        // Equal kept bytes: two names cut short need their whole texts. Otherwise the shorter
        // name ends inside the kept bytes and is a prefix of the other (the rest matched its
        // zero padding), so it comes first.
        if (r == 0 && (s.name || s.digest)) {
            if (a.cut[which] && b.cut[which])
                return CompareEntries(table_[a.row], table_[b.row], s.column, s.descending,
                                      sort_.FileNameOnly);
            if (s.name) r = Order(a.length[which], b.length[which]);
        }
        return s.descending ? -r : r;
    }

    const FileTable& table_;
    const SortState& sort_;
    Section primary_;
    Section secondary_;
};

// The quicksort with a copied middle pivot, on keys[first..last]. The smaller part is sorted by
// recursion and the larger by the loop, which bounds the depth; the parts do not overlap, so the
// order in which they are sorted changes nothing.
void QuickSort(std::vector<Key>& k, std::int32_t first, std::int32_t last, const KeyOrder& order) {
    while (first < last) {
        std::int32_t i = first;
        std::int32_t j = last;
        const Key pivot = k[static_cast<std::size_t>(first + (last - first) / 2)];
        do {
            // The pivot's own value bounds both scans; the range tests only guard against a
            // comparison that is not a consistent order.
            while (i < last && order(k[static_cast<std::size_t>(i)], pivot) < 0) ++i;
            while (j > first && order(k[static_cast<std::size_t>(j)], pivot) > 0) --j;
            if (i <= j) {
                if (i != j)
                    std::swap(k[static_cast<std::size_t>(i)], k[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - first < last - i) {
            if (first < j) QuickSort(k, first, j, order);
            first = i;
        } else {
            if (i < last) QuickSort(k, i, last, order);
            last = j;
        }
    }
}

// Puts row from[n] at first + n, one cycle of the permutation at a time with one row held. The
// permutation is read as its own compact array, which stays in the cache, so that the next
// row of a cycle is known, and fetched, while the current one is copied.
void MoveRows(FileTable& t, std::int32_t first, std::vector<std::int32_t>& from) {
    const auto row = [&](std::size_t n) -> FileEntry& {
        return t[first + static_cast<std::int32_t>(n)];
    };
    for (std::size_t start = 0; start < from.size(); ++start) {
        if (from[start] < 0) continue;  // placed with an earlier cycle
        const FileEntry held = row(start);
        std::size_t at = start;
        for (;;) {
            const auto source = static_cast<std::size_t>(from[at] - first);
            from[at] = -1;
            if (source == start) {
                row(at) = held;
                break;
            }
            // Two rows ahead: one copy takes less time than fetching one row from memory.
            if (const std::int32_t next = from[source]; next >= 0) {
                __builtin_prefetch(&t[next]);
                const std::int32_t after = from[static_cast<std::size_t>(next - first)];
                if (after >= 0) __builtin_prefetch(&t[after]);
            }
            row(at) = row(source);
            at = source;
        }
    }
}

}  // namespace

int CompareEntries(const FileEntry& a, const FileEntry& b, std::int32_t column, bool descending,
                   bool fileNameOnly) {
    const int r = CompareAscending(a, b, column, fileNameOnly);
    return descending ? -r : r;
}

void SortRows(ListContext& ctx, std::int32_t first, std::int32_t last) {
    if (last < first) return;
    const KeyOrder order(ctx.table, ctx.sort);
    std::vector<std::int32_t> from;
    {
        std::vector<Key> keys = order.Keys(first, last);
        QuickSort(keys, 0, last - first, order);
        from.reserve(keys.size());
        for (const Key& key : keys) from.push_back(key.row);
    }
    // The selected row goes with its file, so that the highlight, the hex view and the keys
    // all stay on the file the user chose.
    std::int32_t& selected = ctx.state.SelectedRow;
    if (selected >= first && selected <= last)
        selected = first + static_cast<std::int32_t>(std::find(from.begin(), from.end(), selected) -
                                                     from.begin());
    ctx.host->RowsAboutToMove();
    MoveRows(ctx.table, first, from);
    ctx.host->RowsMoved();
}

std::optional<DigestKind> DigestOfColumn(std::int32_t column) {
    if (column < kColumnFirstDigest || column >= kSortColumnCount) return std::nullopt;
    return static_cast<DigestKind>(column - kColumnFirstDigest);
}

std::string_view BaseCaption(int column) {
    static constexpr std::string_view kCaptions[kColumnCount] = {
        "Filename", "Size", "crc16", "crc32", "xsum", "md5", "Status"};
    if (const auto kind = DigestOfColumn(column)) return InfoOf(*kind).caption;
    return column >= 0 && column < kColumnCount ? kCaptions[column] : std::string_view{};
}

std::string HeaderCaption(std::string_view base, int column, const SortState& sort) {
    std::string text(base);
    if (column == kColumnFilename) text += sort.FileNameOnly ? " (file)" : " (path\\file)";
    if (column == sort.PrimaryColumn)
        text += sort.PrimaryDescending ? " ^" : " v";
    else if (column == sort.SecondaryColumn)
        text += " +";
    return text;
}

void SortByHeaderClick(ListContext& ctx, int column, int row) {
    if (ctx.state.Updating) return;
    if (column < 0 || column >= kSortColumnCount || row != 0) return;
    // A further digest's column is there only while the list shows it.
    const auto digest = DigestOfColumn(column);
    if (digest && (ctx.calculate.digests & MaskOf(*digest)) == 0) return;
    SortState& s = ctx.sort;
    if (column == s.PrimaryColumn) {
        s.PrimaryDescending = !s.PrimaryDescending;
        // Filename turning back to ascending switches between whole paths and names.
        if (column == kColumnFilename && !s.PrimaryDescending) s.FileNameOnly = !s.FileNameOnly;
    } else {
        // A newly chosen column starts descending; the old first key becomes the second.
        s.PrimaryDescending = true;
        s.SecondaryColumn = s.PrimaryColumn;
        s.SecondaryDescending = true;
    }
    s.PrimaryColumn = column;
    SortRows(ctx, 1, ctx.state.RowCount - 1);
    ctx.RunPass();
}

void InPathOrder(ListContext& ctx, const std::function<void()>& add) {
    const std::int32_t n = ctx.state.RowCount;
    SortState& s = ctx.sort;
    const SortState saved = s;
    s.PrimaryColumn = kColumnFilename;
    s.PrimaryDescending = false;
    s.FileNameOnly = false;
    SortRows(ctx, 1, n - 1);
    add();
    s.PrimaryColumn = saved.PrimaryColumn;
    s.PrimaryDescending = saved.PrimaryDescending;
    s.FileNameOnly = saved.FileNameOnly;
    SortRows(ctx, 1, n - 1);
}

}  // namespace vellum
